#pragma once

#include "pages/Page.h"

#include <QPointer>

namespace orvanel {

class ReportList;

// The rules list: the rows of regles.xml, which the engines fill. Clicking a rule deletes
// every rule of its program after the question; the third column's header sorts by date.
class RulesPage final : public Page
{
public:
    using Page::Page;

    void build(QWidget* panel) override;

    // Deletes the selected rule's program from regles.xml (every row of that Champ1, and
    // every row whose Champ1 is empty) after entry 22's question; only the clicked item
    // leaves the list, the others keep their row numbers.
    void ListView2Click();
    // The third column sorts by date and time, ascending; the others do nothing.
    void ListView2ColumnClick(int column);

private:
    QPointer<ReportList> m_list;
};

} // namespace orvanel
