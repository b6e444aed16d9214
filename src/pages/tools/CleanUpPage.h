#pragma once

#include "pages/Page.h"
#include "workspace/Switches.h"

#include <QPointer>
#include <QStringList>

class QCheckBox;
class QListWidget;

namespace orvanel {

// The clean-up page: desktop shortcuts that lead nowhere (listed by the analysis, deleted
// by the clean button unless ticked), start-up entries whose program is gone (removed by
// the analysis at once) and the trash (emptied by the clean button). Each of the three
// is chosen by a check box that is also a configuration switch: CheckBox10, CheckBox11
// and CheckBox12 for Champ9, Champ10 and Champ11.
class CleanUpPage final : public Page
{
public:
    using Page::Page;

    void build(QWidget* panel) override;

    void CheckBox10Click(bool checked);
    void CheckBox11Click(bool checked);
    void CheckBox12Click(bool checked);
    void BitBtn13Click(); // analyse
    void BitBtn18Click(); // clean

private:
    QCheckBox* addSwitch(QWidget* panel, Switch id, const QRect& geometry,
                         void (CleanUpPage::*handler)(bool));
    void createButtonsAndLists(QWidget* panel);
    void analyseDesktop();
    void removeDeadStartupEntries();
    bool isDeadShortcut(const QString& path) const;

    QPointer<QCheckBox> m_checkBox10;
    QPointer<QCheckBox> m_checkBox11;
    QPointer<QCheckBox> m_checkBox12;
    QPointer<QListWidget> m_cleanUpList;
    QPointer<QListWidget> m_desktopFiles;
};

} // namespace orvanel
