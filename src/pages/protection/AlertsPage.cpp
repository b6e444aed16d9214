#include "pages/protection/AlertsPage.h"

#include "pages/PanelContext.h"
#include "pages/ReportList.h"
#include "workspace/Table.h"

#include <QHeaderView>

using namespace Qt::StringLiterals;

namespace orvanel {

void AlertsPage::build(QWidget* panel)
{
    m_list = makeTableList(context(), panel, u"ListView3"_s, TableId::Alerts);
    QObject::connect(m_list.data(), &QAbstractItemView::clicked, m_list.data(),
                     [this] { ListView3Click(); });
    QObject::connect(m_list->header(), &QHeaderView::sectionClicked, m_list.data(),
                     [this](int column) { ListView3ColumnClick(column); });
}

void AlertsPage::ListView3Click()
{
    const std::optional<int> row = m_list ? m_list->selectedRow() : std::nullopt;
    if (!row)
        return;
    const QString shown = m_list->rows().cell(*row, 1);
    platform::Prompt& prompt = *context().services().prompt;
    if (!prompt.askYesNo(context().texts().text(20) + shown))
        return;
    context().panel().quarantineProgram(shown);
}

void AlertsPage::ListView3ColumnClick(int column)
{
    if (column == 2 && m_list)
        m_list->sortByDate();
}

} // namespace orvanel
