#include "pages/ReportList.h"

#include "pages/CellText.h"
#include "pages/PanelContext.h"
#include "workspace/EngineControl.h"
#include "workspace/Table.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
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

// Draws a cell of text as the style does, with a fraction of its text layout work: the
// style lays each text out several times (its size, its place, its elision, its drawing),
// here it is measured once and drawn once, and Latin text skips the text engine
// altogether. Cells with the focus, a check box or an icon are the style's.
class ReportCells final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        // The rows answer the display role only, so the row's option with the cell's text
        // is what initStyleOption would make of it, without asking for every other role.
        QStyleOptionViewItem cell = option;
        cell.index = index;
        cell.text = index.data(Qt::DisplayRole).toString();
        if (!cell.text.isNull())
            cell.features |= QStyleOptionViewItem::HasDisplay;
        if (cell.state & QStyle::State_HasFocus ||
            cell.features &
                (QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration)) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const QWidget* widget = cell.widget;
        const QStyle* style = widget ? widget->style() : QApplication::style();
        if (cell.state & QStyle::State_Selected || cell.backgroundBrush.style() != Qt::NoBrush ||
            cell.features & QStyleOptionViewItem::Alternate)
            style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, widget);
        if (cell.text.isEmpty())
            return;
        // One line a row: line ends and tabs in a value show as blanks.
        QString text = cell.text;
        for (QChar& c : text) {
            if (c.unicode() < u' ')
                c = u' ';
        }
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect box = cell.rect.adjusted(margin, 0, -margin, 0);
        const QFontMetrics& metrics = cell.fontMetrics;
        QPalette::ColorGroup group =
            cell.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
        if (group == QPalette::Normal && !(cell.state & QStyle::State_Active))
            group = QPalette::Inactive;
        painter->setPen(cell.palette.color(group, cell.state & QStyle::State_Selected
                                                      ? QPalette::HighlightedText
                                                      : QPalette::Text));
        const Qt::Alignment align = QStyle::visualAlignment(cell.direction, cell.displayAlignment);
        const int baseline = box.top() + (box.height() - metrics.height()) / 2 + metrics.ascent();
        // The text never leaves its cell once elided, so no clip is needed.
        if (cell.direction == Qt::LeftToRight &&
            m_text.draw(*painter, cell.font, box, align, baseline, text, cell.textElideMode))
            return;
        const QString shown = metrics.elidedText(text, cell.textElideMode, box.width());
        painter->setFont(cell.font);
        int x = box.left();
        if (align & (Qt::AlignRight | Qt::AlignHCenter)) {
            const int room = box.width() - metrics.horizontalAdvance(shown);
            x += align & Qt::AlignRight ? room : room / 2;
        }
        painter->drawText(QPoint(x, baseline), shown);
    }

private:
    mutable CellText m_text;
};

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
    setItemDelegate(new ReportCells(this));
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(true);
    // Names, dates and paths need no kerning or ligatures; scripts that must be shaped
    // still are. Shaping every cell is most of the cost of painting a screen of rows.
    QFont cells = font();
    cells.setStyleStrategy(QFont::PreferNoShaping);
    setFont(cells);
}

ReportList::~ReportList() = default;

ReportList* ReportList::onPanel(QWidget* panel)
{
    QWidget* window = panel->window();
    auto* kept = window != panel
                     ? window->findChild<ReportList*>(QString(), Qt::FindDirectChildrenOnly)
                     : nullptr;
    if (!kept)
        return new ReportList(panel);
    kept->setParent(panel);
    return kept;
}

void ReportList::keepFrom(QWidget* panel)
{
    QWidget* window = panel->window();
    if (window == panel || window->findChild<ReportList*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    auto* list = panel->findChild<ReportList*>();
    if (!list)
        return;
    list->forgetPage();
    list->setParent(window);
}

void ReportList::forgetPage()
{
    ++m_reading;
    endReading();
    m_readError = nullptr;
    m_fields = {};
    m_fieldIndexes.clear();
    m_nextNumber = 1;
    m_laterScheduled = false;
    setObjectName(QString());
    // The page's handlers; the view's own links to its header are on other signals.
    disconnect(this, &QAbstractItemView::clicked, this, nullptr);
    disconnect(this, &QAbstractItemView::doubleClicked, this, nullptr);
    disconnect(this, &QAbstractItemView::pressed, this, nullptr);
    disconnect(this, &QAbstractItemView::activated, this, nullptr);
    disconnect(header(), &QHeaderView::sectionClicked, this, nullptr);
    disconnect(header(), &QHeaderView::sectionDoubleClicked, this, nullptr);
    disconnect(header(), &QHeaderView::sectionPressed, this, nullptr);
    // The model's reset also drops the selection, the column widths and the scrolling.
    m_rows->clear();
}

bool ReportList::showTable(const QString& path, const ReportFields& fields, QString* error)
{
    ++m_reading;
    m_fields = fields;
    m_table = std::make_unique<Table>();
    m_nextNumber = m_rows->rowCount() + 1;
    m_laterScheduled = false;
    // No row is lower than a line of text: the first screen never needs more rows.
    const int screen = height() / std::max(1, fontMetrics().height()) + 1;
    const int firstRows = height() > 0 ? std::min(screen, FirstSlice) : FirstSlice;
    if (!startSlices(path, error) || !readSlice(firstRows, error)) {
        endReading();
        return false;
    }
    if (m_slices->atEnd()) {
        readLater();
        return true;
    }
    // Read from the first paint on; a list that is not painted soon reads anyway.
    QTimer::singleShot(UnpaintedDelay, this, [this, reading = m_reading] {
        if (reading == m_reading && m_slices && !m_laterScheduled)
            readLater();
    });
    return true;
}

bool ReportList::startSlices(const QString& path, QString* error)
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

bool ReportList::readSlice(int count, QString* error)
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

void ReportList::endReading()
{
    m_slices.reset();
    m_file.reset();
    m_table.reset();
    m_rows->squeeze();
}

qint64 ReportList::bytesRead() const
{
    return m_slices ? m_slices->bytesGiven() : 0;
}

void ReportList::readLater()
{
    if (!m_slices || m_slices->atEnd()) {
        endReading();
        return;
    }
    m_laterScheduled = true;
    // The list is this timer's context: freeing the page ends the reading.
    QTimer::singleShot(0, this, [this, reading = m_reading] {
        if (reading != m_reading || !m_slices)
            return;
        QString error;
        if (!readSlice(LaterSlice, &error)) {
            endReading();
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
    endReading();
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

ReportList* makeTableList(PanelContext& context, QWidget* panel, const QString& name, TableId id)
{
    const TextTable& texts = context.texts();
    auto* list = ReportList::onPanel(panel);
    list->setObjectName(name);
    list->setGeometry(8, 24, 585, 320);
    list->rows().setDateColumn(2);
    list->rows().setCaptions({texts.text(9), texts.text(10), texts.text(11), texts.text(31),
                              texts.text(33), texts.text(30)});
    list->setReadErrorHandler(
        [&context](const QString& why) { context.services().prompt->showError(why); });
    list->show();

    const ReportFields fields{
        id, {u"Champ1"_s, u"Champ2"_s, u"Champ3"_s, u"Champ4"_s, u"Champ8"_s}, 3, texts.text(42)};
    QString error;
    // The file is read after the file-free wait; a large one stays open while it is read,
    // which never keeps the engines from replacing it.
    if (!context.engines().waitUntilFree(tableDefinition(id).fileName))
        error = u"%1 stays held by another program"_s.arg(context.tables().path(id));
    else
        list->showTable(context.tables().path(id), fields, &error);
    if (!error.isEmpty())
        context.services().prompt->showError(error);
    return list;
}

} // namespace orvanel

#include "ReportList.moc"
