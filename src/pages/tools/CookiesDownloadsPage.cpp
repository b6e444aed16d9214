#include "pages/tools/CookiesDownloadsPage.h"

#include "pages/PageControls.h"
#include "pages/PanelContext.h"
#include "workspace/WorkspaceFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

QLabel* label(QWidget* parent, const QString& name, const QRect& geometry, const QString& text)
{
    auto* control = new QLabel(text, parent);
    control->setObjectName(name);
    control->setGeometry(geometry);
    control->show();
    return control;
}

// A shell folder tree: the folders of the file system, from its root.
QTreeView* folderTree(QWidget* parent, const QString& name, const QRect& geometry)
{
    auto* tree = new QTreeView(parent);
    tree->setObjectName(name);
    tree->setGeometry(geometry);
    auto* model = new QFileSystemModel(tree);
    model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model->setRootPath(u"/"_s);
    tree->setModel(model);
    tree->setRootIndex(model->index(u"/"_s));
    tree->setHeaderHidden(true);
    for (int column = 1; column < model->columnCount(); ++column)
        tree->hideColumn(column);
    tree->show();
    return tree;
}

QListWidget* fileList(QWidget* parent, const QString& name, const QRect& geometry)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setGeometry(geometry);
    list->show();
    return list;
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether path names the folder whose status is folder.
bool isFile(const QString& path, const struct stat& folder)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && sameFile(st, folder);
}

// One entry of the open folder, by its bare name; plain files and links only.
void removeEntry(int folderFd, const QString& name)
{
    if (name.isEmpty() || name.contains(u'/') || name == u"."_s || name == u".."_s)
        return;
    ::unlinkat(folderFd, QFile::encodeName(name).constData(), 0);
}

QString canonical(const QString& path)
{
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.isEmpty() ? QDir::cleanPath(QDir(path).absolutePath()) : real;
}

} // namespace

void CookiesDownloadsPage::build(QWidget* panel)
{
    createButtons(panel);
    createListsAndTrees(panel);
    createSwitchAndLabels(panel);

    // Clearing the box is a click: with Champ12 off the configuration writer runs once.
    setSwitchBoxes(panel, context().state().switches);
    const platform::UserEnvironment& user = *context().services().user;
    showFolder(m_downloadsList, &m_downloadsFolder,
               user.downloadsFolder(context().state().workspaceDir));
    showFolder(m_cookiesList, &m_cookiesFolder,
               user.specialFolder(platform::UserEnvironment::CookiesFolder));
}

void CookiesDownloadsPage::createButtons(QWidget* panel)
{
    const QString caption = context().texts().text(18);
    QObject::connect(
        makeGlyphButton(panel, u"BitBtn20"_s, GlyphKind::OK, {160, 216, 75, 25}, caption),
        &QPushButton::clicked, panel, [this] { BitBtn20Click(); });
    QObject::connect(
        makeGlyphButton(panel, u"BitBtn3"_s, GlyphKind::OK, {288, 216, 75, 25}, caption),
        &QPushButton::clicked, panel, [this] { BitBtn3Click(); });
}

void CookiesDownloadsPage::createListsAndTrees(QWidget* panel)
{
    m_tree1 = folderTree(panel, u"ShellTreeView1"_s, {24, 48, 121, 161});
    QObject::connect(m_tree1, &QTreeView::doubleClicked, m_tree1,
                     [this] { ShellTreeView1DblClick(); });
    m_tree2 = folderTree(panel, u"ShellTreeView2"_s, {424, 48, 121, 161});
    QObject::connect(m_tree2, &QTreeView::doubleClicked, m_tree2,
                     [this] { ShellTreeView2DblClick(); });
    m_cookiesList = fileList(panel, u"cookies file list"_s, {160, 48, 121, 161});
    m_downloadsList = fileList(panel, u"downloads file list"_s, {288, 48, 121, 161});
}

void CookiesDownloadsPage::createSwitchAndLabels(QWidget* panel)
{
    const TextTable& texts = context().texts();
    m_checkBox13 = makeSwitchBox(panel, Switch::BlockCookies, {16, 24, 97, 17},
                                 texts.text(switchRow(Switch::BlockCookies).captionEntry),
                                 [this](bool checked) { CheckBox13Click(checked); });
    label(panel, u"cookies label"_s, {192, 16, 38, 13}, texts.text(75));
    label(panel, u"downloads label"_s, {304, 16, 53, 13}, texts.text(76));
}

void CookiesDownloadsPage::showFolder(QListWidget* list, QString* folder, const QString& path)
{
    *folder = path;
    list->clear();
    if (path.isEmpty())
        return; // no folder: never the panel's current folder
    // The ordinary files of the folder, as "*.*" matches every name on Windows; hidden
    // files (a leading dot) are not shown.
    const QStringList files = QDir(path).entryList(QDir::Files, QDir::Name);
    list->addItems(files);
}

void CookiesDownloadsPage::showTreeChoice(QTreeView* tree, QListWidget* list, QString* folder)
{
    const auto* model = qobject_cast<const QFileSystemModel*>(tree->model());
    const QModelIndex chosen = tree->currentIndex();
    showFolder(list, folder, model && chosen.isValid() ? model->filePath(chosen) : QString());
}

void CookiesDownloadsPage::ShellTreeView1DblClick()
{
    showTreeChoice(m_tree1, m_cookiesList, &m_cookiesFolder);
}

void CookiesDownloadsPage::ShellTreeView2DblClick()
{
    showTreeChoice(m_tree2, m_downloadsList, &m_downloadsFolder);
}

void CookiesDownloadsPage::BitBtn20Click()
{
    emptyFolderOf(m_cookiesList, m_cookiesFolder);
}

void CookiesDownloadsPage::BitBtn3Click()
{
    emptyFolderOf(m_downloadsList, m_downloadsFolder);
}

QString CookiesDownloadsPage::refusalFor(int folderFd, const QString& path) const
{
    struct stat folder
    {
    };
    struct stat parent
    {
    };
    if (::fstat(folderFd, &folder) != 0 || ::fstatat(folderFd, "..", &parent, 0) != 0)
        return u"%1 cannot be read. Nothing was deleted."_s.arg(path);
    // A folder whose ".." is itself or lies on another file system is a root.
    const bool root = sameFile(folder, parent) || folder.st_dev != parent.st_dev;
    if (root || path == u"/"_s || QStorageInfo(path).rootPath() == path)
        return u"%1 is the root of a file system and is never emptied. Nothing was deleted."_s.arg(
            path);
    const QString home = context().services().user->homeFolder();
    if (!home.isEmpty() && isFile(home, folder))
        return u"%1 is your home folder and is never emptied. Nothing was deleted."_s.arg(path);
    if (isFile(context().state().workspaceDir, folder))
        return u"%1 is the folder of Orvanel's own files and is never emptied. Nothing was "
               u"deleted."_s.arg(path);
    return {};
}

void CookiesDownloadsPage::emptyFolderOf(QListWidget* list, const QString& folder)
{
    platform::Prompt& prompt = *context().services().prompt;
    if (folder.isEmpty()) {
        prompt.showError(u"This list shows no folder. Nothing was deleted."_s);
        return;
    }
    // The folder is opened once; what is checked is what is emptied, whatever happens to
    // its path meanwhile.
    const QString path = canonical(folder);
    const files::Descriptor dir(::open(QFile::encodeName(path).constData(),
                                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    const QString refusal = dir.get() < 0 ? u"%1 cannot be opened as a folder. Nothing was "
                                            u"deleted."_s.arg(path)
                                          : refusalFor(dir.get(), path);
    if (!refusal.isEmpty()) {
        prompt.showError(refusal);
        return;
    }
    if (!prompt.askYesNo(context().texts().text(65)))
        return;
    // The list's entries as they were read; files that cannot be deleted stay. A link is
    // removed itself, never what it points to.
    for (int row = 0; row < list->count(); ++row)
        removeEntry(dir.get(), list->item(row)->text());
    struct stat indexDat
    {
    };
    if (::fstatat(dir.get(), "index.dat", &indexDat, AT_SYMLINK_NOFOLLOW) == 0)
        removeEntry(dir.get(), u"index.dat"_s);
}

void CookiesDownloadsPage::CheckBox13Click(bool checked)
{
    context().switchClicked(Switch::BlockCookies, checked);
}

} // namespace orvanel
