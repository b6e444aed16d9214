#include "pages/ReportList.h"

#include "pages/PanelContext.h"
#include "workspace/EngineControl.h"
#include "workspace/Table.h"

#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <numeric>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

// Rows read before the first paint: more than the list shows at once.
constexpr int FirstSlice = 64;
// Rows read per turn of the event loop afterwards: a few milliseconds of work.
constexpr int LaterSlice = 4000;
// How long a list that is not painted waits before it reads the rest of its rows.
constexpr std::chrono::milliseconds UnpaintedDelay{100};

} // namespace

ReportRows::ReportRows(QObject* parent) : QAbstractTableModel(parent) {}

void ReportRows::setCaptions(const QStringList& captions)
{
    beginResetModel();
    m_captions = captions;
    endResetModel();
}

void ReportRows::store(int number, const QStringList& cells)
{
    m_rows.push_back({quint32(m_text.size()), qint32(number)});
    for (const QString& cell : cells) {
        m_text += cell.toStdString();
        m_text += '\0';
    }
    if (m_dateColumn > 0) {
        const QString date = cells.value(m_dateColumn - 1);
        m_dateKeys.push_back(m_dates.key(date).value_or(NoDate));
    }
}

void ReportRows::append(int number, const QStringList& cells)
{
    const int at = int(m_rows.size());
    beginInsertRows({}, at, at);
    store(number, cells);
    endInsertRows();
}

void ReportRows::appendMany(const std::vector<std::pair<int, QStringList>>& rows)
{
    if (rows.empty())
        return;
    const int at = int(m_rows.size());
    beginInsertRows({}, at, at + int(rows.size()) - 1);
    for (const auto& [number, cells] : rows)
        store(number, cells);
    endInsertRows();
}

int ReportRows::rowNumber(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[std::size_t(row)].number : 0;
}

QString ReportRows::cell(int row, int column) const
{
    if (row < 0 || row >= int(m_rows.size()) || column < 1 || column >= m_captions.size())
        return {};
    const char* p = m_text.data() + m_rows[std::size_t(row)].offset;
    for (int c = 1; c < column; ++c)
        p += std::strlen(p) + 1;
    return QString::fromUtf8(p, qsizetype(std::strlen(p)));
}

void ReportRows::removeRowAt(int row)
{
    if (row < 0 || row >= int(m_rows.size()))
        return;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    if (!m_dateKeys.empty())
        m_dateKeys.erase(m_dateKeys.begin() + row);
    endRemoveRows();
}

void ReportRows::sortByDate()
{
    if (m_dateKeys.size() != m_rows.size())
        return;
    std::vector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return m_dateKeys[std::size_t(a)] < m_dateKeys[std::size_t(b)];
    });
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<Row> rows(m_rows.size());
    std::vector<qint64> keys(m_rows.size());
    std::vector<int> newRowOf(m_rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        rows[i] = m_rows[std::size_t(order[i])];
        keys[i] = m_dateKeys[std::size_t(order[i])];
        newRowOf[std::size_t(order[i])] = int(i);
    }
    m_rows.swap(rows);
    m_dateKeys.swap(keys);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.append(this->index(newRowOf[std::size_t(index.row())], index.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ReportRows::squeeze()
{
    m_text.shrink_to_fit();
    m_rows.shrink_to_fit();
    m_dateKeys.shrink_to_fit();
}

std::size_t ReportRows::rowBytes() const
{
    return m_text.capacity() + m_rows.capacity() * sizeof(Row) +
           m_dateKeys.capacity() * sizeof(qint64);
}

int ReportRows::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ReportRows::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_captions.size());
}

QVariant ReportRows::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    if (index.column() == 0)
        return QString::number(rowNumber(index.row()));
    return cell(index.row(), index.column());
}

QVariant ReportRows::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return m_captions.value(section);
}

ReportList::ReportList(QWidget* parent) : QTreeView(parent), m_rows(new ReportRows(this))
{
    setModel(m_rows);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(true);
}

ReportList::~ReportList() = default;

bool ReportList::showTable(QByteArray bytes, const ReportFields& fields, QString* error)
{
    m_fields = fields;
    m_slices = std::make_unique<PacketSlices>(std::move(bytes));
    m_table = std::make_unique<Table>();
    m_nextNumber = m_rows->rowCount() + 1;
    m_laterScheduled = false;
    if (!readSlice(FirstSlice, error)) {
        m_slices.reset();
        return false;
    }
    if (m_slices->atEnd()) {
        readLater();
        return true;
    }
    // Read from the first paint on; a list that is not painted soon reads anyway.
    QTimer::singleShot(UnpaintedDelay, this, [this] {
        if (m_slices && !m_laterScheduled)
            readLater();
    });
    return true;
}

bool ReportList::readSlice(int count, QString* error)
{
    defineFields(*m_table, m_fields.table);
    if (!m_table->loadFromBytes(m_slices->next(count), error))
        return false;
    m_fieldIndexes.clear();
    for (const QString& field : m_fields.fields)
        m_fieldIndexes.push_back(m_table->fieldIndexOf(field));
    std::vector<std::pair<int, QStringList>> rows;
    rows.reserve(std::size_t(m_table->recordCount()));
    for (int record = 0; record < m_table->recordCount(); ++record) {
        QStringList cells;
        cells.reserve(qsizetype(m_fieldIndexes.size()));
        for (int field : m_fieldIndexes)
            cells.append(m_table->valueAt(record, field));
        if (m_fields.questionColumn >= 0 && cells.value(m_fields.questionColumn) == u"?"_s)
            cells[m_fields.questionColumn] = m_fields.questionText;
        rows.emplace_back(m_nextNumber++, std::move(cells));
    }
    m_table->close();
    m_rows->appendMany(rows);
    return true;
}

void ReportList::readLater()
{
    if (!m_slices || m_slices->atEnd()) {
        m_slices.reset();
        m_table.reset();
        m_rows->squeeze();
        return;
    }
    m_laterScheduled = true;
    // The list is this timer's context: freeing the page ends the reading.
    QTimer::singleShot(0, this, [this] {
        if (!m_slices)
            return;
        QString error;
        if (!readSlice(LaterSlice, &error)) {
            m_slices.reset();
            if (m_readError)
                m_readError(error);
        }
        readLater();
    });
}

void ReportList::paintEvent(QPaintEvent* event)
{
    QTreeView::paintEvent(event);
    // The rest of the rows are read once the first screen is on show.
    if (m_slices && !m_laterScheduled)
        readLater();
}

void ReportList::finishReading()
{
    while (m_slices && !m_slices->atEnd()) {
        QString error;
        if (!readSlice(LaterSlice, &error)) {
            if (m_readError)
                m_readError(error);
            break;
        }
    }
    m_slices.reset();
    m_table.reset();
    m_rows->squeeze();
}

std::optional<int> ReportList::selectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return rows.front().row();
}

void ReportList::sortByDate()
{
    finishReading();
    setUpdatesEnabled(false);
    m_rows->sortByDate();
    setUpdatesEnabled(true);
    viewport()->update();
}

} // namespace orvanel

namespace orvanel {

bool readTableBytes(PanelContext& context, TableId id, QByteArray& bytes, QString* error)
{
    const QString path = context.tables().path(id);
    const QString name = tableDefinition(id).fileName;
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (!context.engines().waitUntilFree(name))
        return fail(u"%1 stays held by another program"_s.arg(path));
    QFile file(path);
    const QFileInfo info(path);
    if (!info.exists())
        return fail(u"the table file %1 does not exist"_s.arg(path));
    if (!info.isFile())
        return fail(u"%1 is not a regular file"_s.arg(path));
    if (info.size() > MaxTableFileBytes)
        return fail(u"%1 is larger than a table file can be"_s.arg(path));
    if (!file.open(QIODevice::ReadOnly))
        return fail(u"cannot read the table file %1: %2"_s.arg(path, file.errorString()));
    bytes = file.read(MaxTableFileBytes);
    return true;
}

ReportList* makeTableList(PanelContext& context, QWidget* panel, const QString& name, TableId id)
{
    const TextTable& texts = context.texts();
    auto* list = new ReportList(panel);
    list->setObjectName(name);
    list->setGeometry(8, 24, 585, 320);
    list->rows().setDateColumn(2);
    list->rows().setCaptions({texts.text(9), texts.text(10), texts.text(11), texts.text(31),
                              texts.text(33), texts.text(30)});
    list->setReadErrorHandler(
        [&context](const QString& why) { context.services().prompt->showError(why); });
    list->show();

    QByteArray bytes;
    QString error;
    const ReportFields fields{
        id, {u"Champ1"_s, u"Champ2"_s, u"Champ3"_s, u"Champ4"_s, u"Champ8"_s}, 3, texts.text(42)};
    if (!readTableBytes(context, id, bytes, &error) || !list->showTable(bytes, fields, &error))
        context.services().prompt->showError(error);
    return list;
}

} // namespace orvanel
