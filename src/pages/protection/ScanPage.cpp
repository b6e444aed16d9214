#include "pages/protection/ScanPage.h"

#include "pages/PageControls.h"
#include "pages/PanelContext.h"
#include "workspace/EngineControl.h"
#include "workspace/Names.h"
#include "workspace/SideFiles.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

// The engine keeps its log short; a log beyond this shows its last part only.
constexpr qint64 ScanLogLimit = 1024 * 1024;

QGroupBox* groupBox(QWidget* parent, const QString& name, const QRect& geometry)
{
    auto* group = new QGroupBox(parent);
    group->setObjectName(name);
    group->setGeometry(geometry);
    group->show();
    return group;
}

} // namespace

void ScanPage::build(QWidget* panel)
{
    addButtons(panel);
    addHourlyGroup(panel);
    addScanTypeGroup(panel);
    addLogAndDrives(panel);
    // Every build turns the hourly scan on: radiobutton12 is selected at this point.
    context().state().hourlyScan = m_radiobutton12->isChecked();
    loadScanLog();
}

void ScanPage::addButtons(QWidget* panel)
{
    const TextTable& texts = context().texts();
    m_bitBtn22 =
        makeGlyphButton(panel, u"BitBtn22"_s, GlyphKind::OK, {136, 24, 75, 25}, texts.text(82));
    QObject::connect(m_bitBtn22, &QPushButton::clicked, m_bitBtn22, [this] { BitBtn22Click(); });
    m_bitBtn23 =
        makeGlyphButton(panel, u"BitBtn23"_s, GlyphKind::No, {296, 24, 75, 25}, texts.text(25));
    QObject::connect(m_bitBtn23, &QPushButton::clicked, m_bitBtn23, [this] { BitBtn23Click(); });
}

void ScanPage::addHourlyGroup(QWidget* panel)
{
    const TextTable& texts = context().texts();
    QGroupBox* hourly = groupBox(panel, u"HourlyGroup"_s, {128, 202, 257, 161});
    m_radiobutton12 =
        makeRadioButton(hourly, u"radiobutton12"_s, {16, 24, 129, 17}, texts.text(101));
    m_radiobutton12->setChecked(true);
    m_hourlyOff = makeRadioButton(hourly, u"HourlyOffButton"_s, {16, 56, 113, 17}, texts.text(29));
    // Attached after the selection, to both buttons of the pair.
    for (QRadioButton* button : {m_radiobutton12.data(), m_hourlyOff.data()})
        QObject::connect(button, &QRadioButton::toggled, button, [this] { radiobutton12Click(); });
}

void ScanPage::addScanTypeGroup(QWidget* panel)
{
    const TextTable& texts = context().texts();
    // Created after the hourly group, so it lies above it where the two overlap.
    QGroupBox* types = groupBox(panel, u"ScanTypeGroup"_s, {128, 72, 257, 151});
    m_type[0] = makeRadioButton(types, u"ScanType0Button"_s, {16, 24, 129, 17}, texts.text(86));
    m_type[0]->setChecked(true);
    m_type[1] = makeRadioButton(types, u"ScanType1Button"_s, {16, 56, 113, 17}, texts.text(87));
    m_type[2] = makeRadioButton(types, u"ScanType2Button"_s, {16, 88, 113, 17}, texts.text(88));
}

void ScanPage::addLogAndDrives(QWidget* panel)
{
    m_scanLog = new QPlainTextEdit(panel);
    m_scanLog->setObjectName(u"ScanLogBox"_s);
    m_scanLog->setGeometry(400, 77, 185, 189);
    m_scanLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_scanLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_scanLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_scanLog->show();

    m_driveCombobox1 = new QComboBox(panel);
    m_driveCombobox1->setObjectName(u"DriveCombobox1"_s);
    m_driveCombobox1->setGeometry(400, 277, 113, 18);
    if (const platform::Volumes* volumes = context().services().volumes)
        m_driveCombobox1->addItems(volumes->mountPoints());
    selectWorkspaceVolume();
    QObject::connect(m_driveCombobox1, &QComboBox::currentIndexChanged, m_driveCombobox1,
                     [this] { DriveCombobox1Change(); });
    m_driveCombobox1->show();
}

// The drive box shows the volume of the workspace at first, as it showed the current
// drive; choosing another volume is the change that offers a scan.
void ScanPage::selectWorkspaceVolume()
{
    const QString workspace = context().state().workspaceDir;
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < m_driveCombobox1->count(); ++i) {
        QString point = m_driveCombobox1->itemText(i);
        if (!point.endsWith(u'/'))
            point += u'/';
        if (workspace.startsWith(point) && point.size() > bestLength) {
            best = i;
            bestLength = point.size();
        }
    }
    m_driveCombobox1->setCurrentIndex(best);
}

void ScanPage::loadScanLog()
{
    m_scanLog->clear();
    QFile file(context().state().workspaceDir + names::ScanLogFile);
    if (!QFileInfo(file.fileName()).isFile() || !file.open(QIODevice::ReadOnly))
        return;
    if (file.size() > ScanLogLimit)
        file.seek(file.size() - ScanLogLimit);
    m_scanLog->setPlainText(sidefiles::decodeLines(file.read(ScanLogLimit)).join(u'\n'));
}

void ScanPage::schedulerIdle()
{
    if (m_bitBtn22)
        m_bitBtn22->setEnabled(true);
}

QString ScanPage::scanType() const
{
    for (int i = 0; i < 3; ++i) {
        if (m_type[i] && m_type[i]->isChecked())
            return QString::number(i);
    }
    return {};
}

void ScanPage::writeTypeAndStopScans(const QString& type)
{
    QString error;
    if (!sidefiles::writeValue(context().state().workspaceDir + names::ScanTypeFile, type, &error))
        context().services().prompt->showError(error);
    context().engines().stop(names::ScanEngine);
}

void ScanPage::BitBtn22Click()
{
    const QString type = scanType();
    writeTypeAndStopScans(type);
    context().engines().start(names::ScanEngine, type);
    m_bitBtn22->setEnabled(false);
}

void ScanPage::BitBtn23Click()
{
    writeTypeAndStopScans(scanType());
}

void ScanPage::radiobutton12Click()
{
    context().state().hourlyScan = m_radiobutton12->isChecked();
}

void ScanPage::DriveCombobox1Change()
{
    const QString mountPoint = m_driveCombobox1->currentText();
    if (mountPoint.isEmpty())
        return;
    const platform::Services& services = context().services();
    if (!services.prompt->askYesNo(context().texts().text(91) + mountPoint + u" ?"_s))
        return;
    // The volume's root is listed by the platform layer, never through a shell.
    if (!services.volumes || services.volumes->listRoot(mountPoint) != platform::Volumes::Success)
        return;
    context().engines().start(names::ScanEngine, QStringList{u"3"_s, mountPoint});
}

} // namespace orvanel
