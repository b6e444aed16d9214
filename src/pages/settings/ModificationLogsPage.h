#pragma once

#include "pages/Page.h"

#include <QPointer>
#include <QString>

class QCheckBox;
class QListWidget;
class QPlainTextEdit;

namespace orvanel {

// The modification logs page: the workspace's "*mod*.txt" files that the engines write,
// a viewer for one of them, its deletion after the question, and four of the
// configuration switches (Champ3 to Champ6). A log an engine holds is neither shown nor
// deleted. The list is read once, when the page is built.
class ModificationLogsPage final : public Page
{
public:
    using Page::Page;

    void build(QWidget* panel) override;

    void BitBtn7Click();
    void BitBtn8Click();
    void CheckBox6Click(bool checked);
    void CheckBox7Click(bool checked);
    void CheckBox8Click(bool checked);
    void CheckBox9Click(bool checked);

    // The names of the modification logs of a folder: plain files whose name matches
    // "*mod*.txt" in any letter case, in name order.
    static QStringList modificationLogs(const QString& folder);

private:
    void addButtons(QWidget* panel);
    void addSwitches(QWidget* panel);
    // The chosen log's name, or nothing when no log is chosen.
    QString chosenLog() const;

    QPointer<QListWidget> m_logList;
    QPointer<QPlainTextEdit> m_viewer;
};

} // namespace orvanel
