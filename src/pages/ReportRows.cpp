#include "pages/ReportRows.h"

#include "workspace/Table.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <numeric>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

// Rows read before the first paint at most: a screen of rows, counted from the list's
// height and its font, and this many for a list that has no height yet.
constexpr int FirstSlice = 40;
// Rows a view's fetchMore reads: some screens, so that scrolling never waits long.
constexpr int FetchSlice = 256;
// Rows read per turn of the event loop afterwards: a few milliseconds of work.
constexpr int LaterSlice = 4000;
// A file up to this size is read whole at once; a larger one a piece at a time: first its
// start and its end, then the rest as the rows are needed.
constexpr qint64 WholeFileBytes = qint64(256) << 10;
constexpr qint64 StartBytes = qint64(64) << 10;
constexpr qint64 EndBytes = qint64(4) << 10;
constexpr qint64 PieceBytes = qint64(1) << 20;
// How long a list that is not painted waits before it reads the rest of its rows.
constexpr std::chrono::milliseconds UnpaintedDelay{100};

} // namespace

ReportRows::ReportRows(QObject* parent) : QAbstractTableModel(parent) {}

ReportRows::~ReportRows() = default;

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

void ReportRows::clear()
{
    beginResetModel();
    m_captions.clear();
    m_dateColumn = -1;
    m_text = {};
    m_rows = {};
    m_dateKeys = {};
    endResetModel();
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

bool ReportRows::showTable(const QString& path, const ReportFields& fields, int firstRows,
                           QString* error)
{
    ++m_reading;
    endReading();
    m_fields = fields;
    m_table = std::make_unique<Table>();
    m_nextNumber = rowCount() + 1;
    m_laterScheduled = false;
    m_restWanted = false;
    const int first = firstRows > 0 ? std::min(firstRows, FirstSlice) : FirstSlice;
    if (!startSlices(path, error) || !readSlice(first, error)) {
        endReading();
        return false;
    }
    if (m_slices->atEnd()) {
        endReading();
        return true;
    }
    // Read from the first paint on; a list that is not painted soon reads anyway.
    QTimer::singleShot(UnpaintedDelay, this, [this, reading = m_reading] {
        if (reading == m_reading && m_slices && !m_laterScheduled)
            readRestLater();
    });
    return true;
}

bool ReportRows::startSlices(const QString& path, QString* error)
{
    m_file = std::make_unique<files::RegularFile>();
    const files::ReadResult opened = m_file->open(path, files::TableReadLimit);
    if (!opened.ok()) {
        if (error)
            *error = opened.error;
        return false;
    }
    const qint64 size = m_file->size();
    if (size > WholeFileBytes) {
        const std::optional<QByteArray> start = m_file->readAt(0, StartBytes, error);
        const std::optional<QByteArray> end = m_file->readAt(size - EndBytes, EndBytes, error);
        if (!start || !end)
            return false;
        if (std::optional<PacketSlices> slices = PacketSlices::ofStart(*start, *end, size)) {
            m_slices = std::make_unique<PacketSlices>(std::move(*slices));
            return true;
        }
    }
    const std::optional<QByteArray> whole = m_file->readAt(0, size, error);
    if (!whole)
        return false;
    m_file.reset();
    m_slices = std::make_unique<PacketSlices>(*whole);
    return true;
}

bool ReportRows::readSlice(int count, QString* error)
{
    std::optional<QByteArray> slice = m_slices->next(count);
    while (!slice) {
        // No whole row among the bytes read so far: read on.
        if (!m_file) {
            if (error)
                *error = u"the table file ends inside a row"_s;
            return false;
        }
        const std::optional<QByteArray> piece =
            m_file->readAt(m_slices->bytesGiven(), PieceBytes, error);
        if (!piece)
            return false;
        m_slices->append(*piece);
        if (m_slices->complete())
            m_file.reset();
        slice = m_slices->next(count);
    }
    defineFields(*m_table, m_fields.table);
    if (!m_table->loadFromBytes(*slice, error))
        return false;
    std::vector<int> fieldIndexes;
    for (const QString& field : m_fields.fields)
        fieldIndexes.push_back(m_table->fieldIndexOf(field));
    std::vector<std::pair<int, QStringList>> rows;
    rows.reserve(std::size_t(m_table->recordCount()));
    for (int record = 0; record < m_table->recordCount(); ++record) {
        QStringList cells;
        cells.reserve(qsizetype(fieldIndexes.size()));
        for (int field : fieldIndexes)
            cells.append(m_table->valueAt(record, field));
        if (m_fields.questionColumn >= 0 && cells.value(m_fields.questionColumn) == u"?"_s)
            cells[m_fields.questionColumn] = m_fields.questionText;
        rows.emplace_back(m_nextNumber++, std::move(cells));
    }
    m_table->close();
    appendMany(rows);
    return true;
}

void ReportRows::endReading()
{
    m_slices.reset();
    m_file.reset();
    m_table.reset();
    squeeze();
}

qint64 ReportRows::bytesRead() const
{
    return m_slices ? m_slices->bytesGiven() : 0;
}

bool ReportRows::readSliceOrReport(int rows)
{
    QString error;
    if (readSlice(rows, &error)) {
        if (!m_slices->atEnd())
            return true;
        endReading();
        return false;
    }
    endReading();
    if (m_readError)
        m_readError(error);
    return false;
}

void ReportRows::readRestLater()
{
    if (!m_slices || m_laterScheduled)
        return;
    m_restWanted = true;
    m_laterScheduled = true;
    // The rows are this timer's context, and every new table counts: a turn meant for
    // an earlier reading does nothing.
    QTimer::singleShot(0, this, [this, reading = m_reading] {
        if (reading != m_reading || !m_slices)
            return;
        m_laterScheduled = false;
        if (readSliceOrReport(LaterSlice))
            readRestLater();
    });
}

bool ReportRows::canFetchMore(const QModelIndex& parent) const
{
    // Not before the first screen is on show: the view would read rows it does not paint
    // yet, and the list would paint later.
    return !parent.isValid() && m_restWanted && m_slices && !m_slices->atEnd();
}

void ReportRows::fetchMore(const QModelIndex& parent)
{
    if (canFetchMore(parent))
        readSliceOrReport(FetchSlice);
}

void ReportRows::finishReading()
{
    while (m_slices && readSliceOrReport(LaterSlice)) {
    }
    endReading();
}

void ReportRows::stopReading()
{
    ++m_reading;
    endReading();
    m_fields = {};
    m_nextNumber = 1;
    m_laterScheduled = false;
    m_restWanted = false;
}

} // namespace orvanel
