#include "pages/protection/AlertsPage.h"

#include "pages/PanelContext.h"
#include "pages/ReportList.h"
#include "workspace/Table.h"

#include <QHeaderView>

using namespace Qt::StringLiterals;

namespace orvanel {

QString trimmedSubject(const QString& subject)
{
    qsizetype begin = 0;
    qsizetype end = subject.size();
    while (begin < end && subject[begin].unicode() <= u' ')
        ++begin;
    while (end > begin && subject[end - 1].unicode() <= u' ')
        --end;
    return subject.mid(begin, end - begin);
}

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
    const QString name = trimmedSubject(shown);
    TableFiles& tables = context().tables();
    bool known = false;
    QString error;
    // The quarantine list keeps the name as it was shown; the look-up is by the trimmed
    // name, as the scheduler compares running programs with it.
    bool ok = tables.use(
        TableId::Quarantine,
        [&](Table& table) {
            const int field = table.fieldIndexOf(u"Champ1");
            for (int record = 0; record < table.recordCount() && !known; ++record)
                known = table.valueAt(record, field) == name;
            if (known)
                return false;
            table.insert();
            table.setValue(u"Champ1", shown);
            table.post();
            return true;
        },
        &error);
    if (ok && !known) {
        ok = tables.use(
            TableId::Rules,
            [&name](Table& table) {
                const int field = table.fieldIndexOf(u"Champ1");
                for (int record = table.recordCount() - 1; record >= 0; --record) {
                    if (table.valueAt(record, field) == name)
                        table.removeAt(record);
                }
                return true;
            },
            &error);
    }
    if (!ok)
        prompt.showError(error);
}

void AlertsPage::ListView3ColumnClick(int column)
{
    if (column == 2 && m_list)
        m_list->sortByDate();
}

} // namespace orvanel
