#include "pages/settings/ModificationLogsPage.h"

#include "pages/CaptionFit.h"
#include "pages/PageControls.h"
#include "pages/PanelContext.h"
#include "workspace/EngineControl.h"
#include "workspace/SideFiles.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

// The mask the engines' logs are found by, matched without regard to letter case.
constexpr auto kLogMask = "*mod*.txt"_L1;
// The viewer shows at most this much of a log that grew without end.
constexpr qint64 kMaxShownBytes = qint64(16) << 20;

// The log's lines as text, or nothing when it is not a plain file that can be read.
std::optional<QString> readLog(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return sidefiles::decodeLines(file.read(kMaxShownBytes)).join(u'\n');
}

} // namespace

QStringList ModificationLogsPage::modificationLogs(const QString& folder)
{
    // Without QDir::CaseSensitive the mask matches "MOD", "Mod" … and ".TXT" alike.
    return QDir(folder).entryList({kLogMask}, QDir::Files | QDir::NoSymLinks,
                                  QDir::Name | QDir::IgnoreCase);
}

void ModificationLogsPage::build(QWidget* panel)
{
    addButtons(panel);
    addSwitches(panel);

    auto* list = new QListWidget(panel);
    list->setObjectName(u"LogList"_s);
    list->setGeometry(120, 32, 153, 109);
    list->show();
    m_logList = list;

    auto* viewer = new QPlainTextEdit(panel);
    viewer->setObjectName(u"LogViewer"_s);
    viewer->setGeometry(280, 32, 300, 310);
    viewer->setLineWrapMode(QPlainTextEdit::NoWrap);
    viewer->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewer->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewer->show();
    m_viewer = viewer;

    list->addItems(modificationLogs(context().state().workspaceDir));

    // Clearing a box here is a click like any other: the writer runs for every switch
    // that is off.
    setSwitchBoxes(panel, context().state().switches);
}

void ModificationLogsPage::addButtons(QWidget* panel)
{
    QPushButton* show = makeGlyphButton(panel, u"BitBtn7"_s, GlyphKind::OK, {32, 32, 75, 25});
    QObject::connect(show, &QPushButton::clicked, show, [this] { BitBtn7Click(); });
    QPushButton* remove =
        makeGlyphButton(panel, u"BitBtn8"_s, GlyphKind::No, {32, 64, 75, 25}, u"&No"_s);
    captionfit::keepMnemonic(remove);
    QObject::connect(remove, &QPushButton::clicked, remove, [this] { BitBtn8Click(); });
}

void ModificationLogsPage::addSwitches(QWidget* panel)
{
    const auto add = [&](Switch id, const QRect& geometry,
                         void (ModificationLogsPage::*handler)(bool)) {
        makeSwitchBox(panel, id, geometry, context().texts().text(switchRow(id).captionEntry),
                      [this, handler](bool on) { (this->*handler)(on); });
    };
    add(Switch::LogSystemFiles, {48, 160, 169, 17}, &ModificationLogsPage::CheckBox6Click);
    add(Switch::LogStartUpChanges, {48, 192, 145, 17}, &ModificationLogsPage::CheckBox7Click);
    add(Switch::LogNewPrograms, {48, 224, 153, 17}, &ModificationLogsPage::CheckBox8Click);
    add(Switch::LogNetworkChanges, {48, 248, 145, 17}, &ModificationLogsPage::CheckBox9Click);
}

QString ModificationLogsPage::chosenLog() const
{
    if (!m_logList || !m_logList->currentItem() || !m_logList->currentItem()->isSelected())
        return QString();
    return m_logList->currentItem()->text();
}

void ModificationLogsPage::BitBtn7Click()
{
    const QString name = chosenLog();
    if (name.isEmpty() || !m_viewer)
        return;
    m_viewer->clear();
    // A log an engine holds is not shown; one that vanished shows nothing either.
    if (!context().engines().isFree(name))
        return;
    if (const std::optional<QString> text = readLog(context().state().workspaceDir + name))
        m_viewer->setPlainText(*text);
}

void ModificationLogsPage::BitBtn8Click()
{
    const QString name = chosenLog();
    if (name.isEmpty() || !context().engines().isFree(name))
        return;
    platform::Prompt* prompt = context().services().prompt;
    if (!prompt || !prompt->askYesNo(context().texts().text(65)))
        return;
    if (m_viewer)
        m_viewer->clear();
    // The list keeps the name until the page is built again; a failed removal is silent.
    QFile::remove(context().state().workspaceDir + name);
}

void ModificationLogsPage::CheckBox6Click(bool checked)
{
    context().switchClicked(Switch::LogSystemFiles, checked);
}

void ModificationLogsPage::CheckBox7Click(bool checked)
{
    context().switchClicked(Switch::LogStartUpChanges, checked);
}

void ModificationLogsPage::CheckBox8Click(bool checked)
{
    context().switchClicked(Switch::LogNewPrograms, checked);
}

void ModificationLogsPage::CheckBox9Click(bool checked)
{
    context().switchClicked(Switch::LogNetworkChanges, checked);
}

} // namespace orvanel
