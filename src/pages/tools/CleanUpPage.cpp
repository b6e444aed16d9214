#include "pages/tools/CleanUpPage.h"

#include "pages/PageControls.h"
#include "pages/PanelContext.h"
#include "platform/ProgramCheck.h"
#include "workspace/Names.h"
#include "workspace/WorkspaceFile.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

// A desktop entry larger than this is not a shortcut.
constexpr qint64 MaxShortcutBytes = 256 * 1024;
// A start-up command ending in this switch names its program before a blank.
const QString AutoRunSwitch = u"/autoRun"_s;

QListWidget* checkList(QWidget* parent, const QString& name, const QRect& geometry)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setGeometry(geometry);
    list->show();
    return list;
}

} // namespace

void CleanUpPage::build(QWidget* panel)
{
    m_checkBox10 = addSwitch(panel, Switch::CleanDeadShortcuts, {40, 56, 121, 17},
                             &CleanUpPage::CheckBox10Click);
    m_checkBox11 = addSwitch(panel, Switch::CleanStartUpEntries, {40, 88, 145, 17},
                             &CleanUpPage::CheckBox11Click);
    m_checkBox12 = addSwitch(panel, Switch::CleanRecycleBin, {40, 112, 113, 17},
                             &CleanUpPage::CheckBox12Click);
    createButtonsAndLists(panel);

    // Clearing a box is a click: the writer runs once for every one of them that is off.
    setSwitchBoxes(panel, context().state().switches);
}

QCheckBox* CleanUpPage::addSwitch(QWidget* panel, Switch id, const QRect& geometry,
                                  void (CleanUpPage::*handler)(bool))
{
    return makeSwitchBox(panel, id, geometry, context().texts().text(switchRow(id).captionEntry),
                         [this, handler](bool checked) { (this->*handler)(checked); });
}

void CleanUpPage::createButtonsAndLists(QWidget* panel)
{
    QObject::connect(makeGlyphButton(panel, u"BitBtn13"_s, GlyphKind::OK, {248, 264, 75, 25}, {}),
                     &QPushButton::clicked, panel, [this] { BitBtn13Click(); });
    QObject::connect(makeGlyphButton(panel, u"BitBtn18"_s, GlyphKind::OK, {504, 80, 75, 25}, {}),
                     &QPushButton::clicked, panel, [this] { BitBtn18Click(); });
    m_cleanUpList = checkList(panel, u"clean-up list"_s, {144, 48, 337, 97});
    // Only reads the names of the desktop folder's files; never shown.
    m_desktopFiles = checkList(panel, u"desktop file list"_s, {648, 120, 105, 97});
    m_desktopFiles->hide();
}

void CleanUpPage::CheckBox10Click(bool checked)
{
    context().switchClicked(Switch::CleanDeadShortcuts, checked);
}

void CleanUpPage::CheckBox11Click(bool checked)
{
    context().switchClicked(Switch::CleanStartUpEntries, checked);
}

void CleanUpPage::CheckBox12Click(bool checked)
{
    context().switchClicked(Switch::CleanRecycleBin, checked);
}

void CleanUpPage::BitBtn13Click()
{
    if (m_checkBox10->isChecked())
        analyseDesktop();
    if (m_checkBox11->isChecked())
        removeDeadStartupEntries();
}

void CleanUpPage::analyseDesktop()
{
    m_cleanUpList->clear();
    m_desktopFiles->clear();
    const QString desktop =
        context().services().user->specialFolder(platform::UserEnvironment::DesktopFolder);
    if (desktop.isEmpty())
        return;
    m_desktopFiles->addItems(QDir(desktop).entryList(QDir::Files, QDir::Name));
    // The shortcuts of a Linux desktop are its desktop entries.
    for (int row = 0; row < m_desktopFiles->count(); ++row) {
        const QString name = m_desktopFiles->item(row)->text();
        if (!name.endsWith(u".desktop"_s) || !isDeadShortcut(desktop + u'/' + name))
            continue;
        auto* item = new QListWidgetItem(name, m_cleanUpList);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

bool CleanUpPage::isDeadShortcut(const QString& path) const
{
    const files::ReadResult file = files::readWhole(path, MaxShortcutBytes);
    if (!file.ok())
        return false;
    return context().services().programs->shortcutLeadsNowhere(QString::fromUtf8(file.bytes));
}

void CleanUpPage::removeDeadStartupEntries()
{
    platform::AutostartEntries& entries = *context().services().autostart;
    using Value = platform::AutostartEntries::Value;
    for (const QString& name : entries.valueNames()) {
        if (name == names::AutostartValueName)
            continue; // the panel's own entry stays, whatever it holds
        const Value value = entries.value(name);
        if (value.kind != Value::Kind::String)
            continue;
        QString command = value.data;
        if (command.endsWith(AutoRunSwitch))
            command.chop(AutoRunSwitch.size() + 1);
        // Only a program that certainly does not exist makes an entry dead.
        if (command.isEmpty() ||
            context().services().programs->commandPresence(command) != platform::Presence::Missing)
            continue;
        // Into the trash, never deleted: a program missing now may be on a drive that
        // is not mounted, and the entry must come back with it.
        if (entries.value(name).kind != Value::Kind::Missing)
            entries.moveValueToTrash(name, *context().services().trash);
    }
}

void CleanUpPage::BitBtn18Click()
{
    if (!context().services().prompt->askYesNo(context().texts().text(65)))
        return;
    platform::Trash& trash = *context().services().trash;
    // The trash is emptied first: the shortcuts moved there below must stay there, to be
    // brought back when their target returns (a drive plugged in later).
    if (m_checkBox12->isChecked())
        trash.empty();
    const QString desktop =
        context().services().user->specialFolder(platform::UserEnvironment::DesktopFolder);
    // Names are only resolved against a known desktop folder, never the current one.
    if (desktop.isEmpty())
        return;
    for (int row = 0; row < m_cleanUpList->count(); ++row) {
        const QListWidgetItem* item = m_cleanUpList->item(row);
        const QString path = desktop + u'/' + item->text();
        if (item->checkState() == Qt::Unchecked && QFileInfo::exists(path))
            trash.moveToTrash(path);
    }
}

} // namespace orvanel
