#include "pages/protection/RulesPage.h"

#include "pages/PanelContext.h"
#include "pages/ReportList.h"
#include "workspace/Table.h"

#include <QHeaderView>

using namespace Qt::StringLiterals;

namespace orvanel {

void RulesPage::build(QWidget* panel)
{
    m_list = makeTableList(context(), panel, u"ListView2"_s, TableId::Rules);
    QObject::connect(m_list.data(), &QAbstractItemView::clicked, m_list.data(),
                     [this] { ListView2Click(); });
    QObject::connect(m_list->header(), &QHeaderView::sectionClicked, m_list.data(),
                     [this](int column) { ListView2ColumnClick(column); });
}

void RulesPage::ListView2Click()
{
    const std::optional<int> row = m_list ? m_list->selectedRow() : std::nullopt;
    if (!row)
        return;
    const QString program = m_list->rows().cell(*row, 1);
    platform::Prompt& prompt = *context().services().prompt;
    if (!prompt.askYesNo(context().texts().text(22) + program))
        return;
    QString error;
    const bool saved = context().tables().use(
        TableId::Rules,
        [&program](Table& table) {
            const int field = table.fieldIndexOf(u"Champ1");
            for (int record = table.recordCount() - 1; record >= 0; --record) {
                const QString name = table.valueAt(record, field);
                if (name == program || name.isEmpty())
                    table.removeAt(record);
            }
            return true;
        },
        &error);
    if (!saved) {
        prompt.showError(error);
        return;
    }
    m_list->rows().removeRowAt(*row);
}

void RulesPage::ListView2ColumnClick(int column)
{
    if (column == 2 && m_list)
        m_list->sortByDate();
}

} // namespace orvanel
