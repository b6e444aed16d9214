#pragma once

#include "pages/Page.h"
#include "workspace/TableFiles.h"

#include <QPointer>

#include <array>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace orvanel {

// The protocols and lists page: the seven protocol switches the scheduler hands to
// netpro.exe, and two plain name lists, the quarantine (quarantaines.xml: programs the
// scheduler ends on sight) and the events (evenements.xml). Adding, removing or emptying
// changes only the table rows.
class ProtocolsPage final : public Page
{
public:
    using Page::Page;

    void build(QWidget* panel) override;

    void CheckListBox1ClickCheck();
    // Quarantine tab: add, remove, empty.
    void BitBtn21Click();
    void BitBtn1Click();
    void BitBtn2Click();
    // Events tab: add, remove, empty.
    void BitBtn32Click();
    void BitBtn6Click();
    void BitBtn31Click();

private:
    // The controls of one list tab.
    struct ListTab
    {
        TableId table;
        QPointer<QComboBox> box;
        QPointer<QLineEdit> entry;
    };

    void addSheet(const QString& name, const QString& caption);
    // Makes the controls of the sheet at `index` the first time it is shown.
    void makeSheet(int index);
    void addProtocolControls(QWidget* sheet);
    void addListControls(QWidget* sheet, ListTab& tab, const char* const names[3],
                         void (ProtocolsPage::*add)(), void (ProtocolsPage::*remove)(),
                         void (ProtocolsPage::*empty)());
    void fill(ListTab& tab);
    void addName(ListTab& tab);
    void removeName(ListTab& tab);
    void emptyList(ListTab& tab);
    // One saving piece of work on a tab's table; a failure is shown and answers false.
    bool saveList(ListTab& tab, const std::function<bool(Table&)>& work);

    QPointer<QTabWidget> m_pageControl;
    QPointer<QListWidget> m_checkListBox1;
    ListTab m_quarantine{TableId::Quarantine, {}, {}};
    ListTab m_events{TableId::Events, {}, {}};
    std::array<bool, 3> m_sheetMade{};
};

} // namespace orvanel
