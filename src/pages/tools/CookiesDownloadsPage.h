#pragma once

#include "pages/Page.h"

#include <QPointer>
#include <QString>

class QCheckBox;
class QListWidget;
class QTreeView;

namespace orvanel {

// The cookies and downloads page: two file lists, each with an empty button and a folder
// tree that shows another folder in the list, and configuration switch Champ12
// (CheckBox13). The cookies list starts on the cookies folder (none on Linux), the
// downloads list on the user's download folder.
class CookiesDownloadsPage final : public Page
{
public:
    using Page::Page;

    void build(QWidget* panel) override;

    // Empty the cookies list's folder and the downloads list's folder.
    void BitBtn20Click();
    void BitBtn3Click();
    // Show the folder chosen in the tree in the neighbouring list.
    void ShellTreeView1DblClick();
    void ShellTreeView2DblClick();
    void CheckBox13Click(bool checked);

    QString cookiesFolder() const { return m_cookiesFolder; }
    QString downloadsFolder() const { return m_downloadsFolder; }

private:
    void createButtons(QWidget* panel);
    void createListsAndTrees(QWidget* panel);
    void createSwitchAndLabels(QWidget* panel);
    void showFolder(QListWidget* list, QString* folder, const QString& path);
    void showTreeChoice(QTreeView* tree, QListWidget* list, QString* folder);
    void emptyFolderOf(QListWidget* list, const QString& folder);
    // Why the open folder (path, links resolved) must not be emptied; empty when it may be.
    QString refusalFor(int folderFd, const QString& path) const;

    QPointer<QListWidget> m_cookiesList;
    QPointer<QListWidget> m_downloadsList;
    QPointer<QTreeView> m_tree1;
    QPointer<QTreeView> m_tree2;
    QPointer<QCheckBox> m_checkBox13;
    QString m_cookiesFolder;
    QString m_downloadsFolder;
};

} // namespace orvanel
