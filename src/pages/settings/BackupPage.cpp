#include "pages/settings/BackupPage.h"

#include "pages/PageControls.h"
#include "pages/PanelContext.h"
#include "workspace/EngineControl.h"
#include "workspace/Names.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

QLineEdit* addFolderField(QWidget* panel, const QString& name, int left)
{
    auto* field = new QLineEdit(panel);
    field->setObjectName(name);
    field->setGeometry(left, 222, 121, 21);
    field->show();
    return field;
}

// Folders only, read as the user opens them: the model lists a folder when its branch is
// first expanded, never the whole disk at once.
QFileSystemModel* folderModel(QWidget* panel)
{
    auto* model = new QFileSystemModel(panel);
    model->setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
    model->setReadOnly(true);
    model->setOption(QFileSystemModel::DontUseCustomDirectoryIcons);
    model->setRootPath(QDir::rootPath());
    return model;
}

bool isFolder(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

} // namespace

void BackupPage::build(QWidget* panel)
{
    addCheckBox(panel);
    addScheduleGroup(panel);
    m_firstField = addFolderField(panel, u"FirstFolderField"_s, 24);
    m_secondField = addFolderField(panel, u"SecondFolderField"_s, 176);
    addButtons(panel);

    auto* combo = new QComboBox(panel);
    combo->setObjectName(u"Combobox11"_s);
    combo->setEditable(false);
    combo->setGeometry(24, 252, 233, 19);
    QObject::connect(combo, &QComboBox::activated, combo, [this] { Combobox11Select(); });
    combo->show();
    m_combobox11 = combo;

    QFileSystemModel* model = folderModel(panel);
    m_shellTreeView4 = addFolderTree(panel, model, u"ShellTreeView4"_s, 24);
    m_shellTreeView5 = addFolderTree(panel, model, u"ShellTreeView5"_s, 176);

    // Clearing the box here is a click like any other and stores the same value.
    m_checkBox15->setChecked(context().state().backupPageCheck);
    context().state().selectedBackupSet.clear();
}

void BackupPage::addCheckBox(QWidget* panel)
{
    auto* box = new QCheckBox(panel);
    box->setObjectName(u"CheckBox15"_s);
    box->setGeometry(16, 32, 129, 17);
    box->setText(context().texts().text(99));
    box->setChecked(true);
    QObject::connect(box, &QCheckBox::toggled, box, [this] { CheckBox15Click(); });
    box->show();
    m_checkBox15 = box;
}

void BackupPage::addScheduleGroup(QWidget* panel)
{
    const TextTable& texts = context().texts();
    auto* group = new QGroupBox(panel);
    group->setObjectName(u"ScheduleGroup"_s);
    group->setGeometry(320, 222, 185, 121);
    group->show();
    QRadioButton* none =
        makeRadioButton(group, u"NoScheduleOption"_s, {8, 8, 121, 21}, texts.text(29));
    m_minuteOption = makeRadioButton(group, u"MinuteOption"_s, {8, 32, 121, 21}, texts.text(100));
    m_hourOption = makeRadioButton(group, u"HourOption"_s, {8, 64, 121, 21}, texts.text(101));
    // Checked before the handlers are attached: a build shows "none" without changing
    // the schedule in force.
    none->setChecked(true);
    for (QRadioButton* option : {none, m_minuteOption.data(), m_hourOption.data()}) {
        QObject::connect(option, &QRadioButton::toggled, option, [this](bool checked) {
            if (checked)
                scheduleChoiceClick();
        });
    }
}

void BackupPage::addButtons(QWidget* panel)
{
    const TextTable& texts = context().texts();
    QPushButton* add =
        makeGlyphButton(panel, u"BitBtn27"_s, GlyphKind::OK, {32, 282, 75, 25}, texts.text(14));
    QObject::connect(add, &QPushButton::clicked, add, [this] { BitBtn27Click(); });
    QPushButton* remove =
        makeGlyphButton(panel, u"BitBtn28"_s, GlyphKind::OK, {120, 282, 75, 25}, texts.text(15));
    QObject::connect(remove, &QPushButton::clicked, remove, [this] { BitBtn28Click(); });
    QPushButton* run =
        makeGlyphButton(panel, u"BitBtn29"_s, GlyphKind::OK, {200, 282, 75, 25}, QString());
    QObject::connect(run, &QPushButton::clicked, run, [this] { BitBtn29Click(); });
}

QTreeView* BackupPage::addFolderTree(QWidget* panel, QFileSystemModel* model, const QString& name,
                                     int left)
{
    auto* tree = new QTreeView(panel);
    tree->setObjectName(name);
    tree->setGeometry(left, 48, 121, 161);
    tree->setModel(model);
    tree->setRootIndex(model->index(QDir::rootPath()));
    tree->setHeaderHidden(true);
    for (int column = 1; column < model->columnCount(); ++column)
        tree->hideColumn(column);
    tree->setExpandsOnDoubleClick(false);
    // The home folder is chosen at first, its parents opened: only they are read.
    const QModelIndex home = model->index(QDir::homePath());
    tree->setCurrentIndex(home);
    tree->scrollTo(home);
    if (name == u"ShellTreeView4"_s)
        QObject::connect(tree, &QTreeView::doubleClicked, tree,
                         [this] { ShellTreeView4DblClick(); });
    else
        QObject::connect(tree, &QTreeView::doubleClicked, tree,
                         [this] { ShellTreeView5DblClick(); });
    tree->show();
    return tree;
}

void BackupPage::CheckBox15Click()
{
    if (m_checkBox15)
        context().state().backupPageCheck = m_checkBox15->isChecked();
}

void BackupPage::scheduleChoiceClick()
{
    BackupSchedule& schedule = context().state().backupSchedule;
    if (m_minuteOption && m_minuteOption->isChecked())
        schedule = BackupSchedule::EveryMinute;
    else if (m_hourOption && m_hourOption->isChecked())
        schedule = BackupSchedule::EveryHour;
    else
        schedule = BackupSchedule::Never;
}

void BackupPage::ShellTreeView4DblClick()
{
    takeFolder(m_shellTreeView4, m_firstField);
}

void BackupPage::ShellTreeView5DblClick()
{
    takeFolder(m_shellTreeView5, m_secondField);
}

void BackupPage::takeFolder(QTreeView* tree, QLineEdit* field)
{
    if (!tree || !field || !tree->currentIndex().isValid())
        return;
    const auto* model = static_cast<const QFileSystemModel*>(tree->model());
    field->setText(model->filePath(tree->currentIndex()));
}

void BackupPage::BitBtn27Click()
{
    if (!m_firstField || !m_secondField || !m_combobox11)
        return;
    const QString first = m_firstField->text();
    const QString second = m_secondField->text();
    if (!isFolder(first) || !isFolder(second))
        return;
    // Adding chooses nothing: the chosen set stays what the user picked, if anything.
    const int chosen = m_combobox11->currentIndex();
    m_combobox11->addItem(first + u';' + second);
    m_combobox11->setCurrentIndex(chosen);
}

void BackupPage::BitBtn28Click()
{
    platform::Prompt* prompt = context().services().prompt;
    if (!prompt || !prompt->askYesNo(context().texts().text(65)))
        return;
    if (!m_combobox11 || m_combobox11->currentIndex() < 0)
        return;
    m_combobox11->removeItem(m_combobox11->currentIndex());
    // Nothing is chosen afterwards, so the OK button cannot run another set unseen.
    m_combobox11->setCurrentIndex(-1);
}

void BackupPage::BitBtn29Click()
{
    if (!m_combobox11)
        return;
    const QString set = m_combobox11->currentText();
    if (set.isEmpty())
        return;
    // One argument: folder names keep their blanks and quotes. A copy that already runs
    // is no reason to wait.
    context().engines().start(names::BackupEngine, QStringList{set});
}

void BackupPage::Combobox11Select()
{
    if (m_combobox11 && !m_combobox11->currentText().isEmpty())
        context().state().selectedBackupSet = m_combobox11->currentText();
}

} // namespace orvanel
