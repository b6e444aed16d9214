#include "pages/ReportList.h"

#include "pages/CellText.h"
#include "pages/PanelContext.h"
#include "workspace/EngineControl.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

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
    m_rows->stopReading();
    m_rows->setReadErrorHandler(nullptr);
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
    // No row is lower than a line of text: the first screen never needs more rows.
    const int screen = height() / std::max(1, fontMetrics().height()) + 1;
    return m_rows->showTable(path, fields, height() > 0 ? screen : 0, error);
}

void ReportList::paintEvent(QPaintEvent* event)
{
    QTreeView::paintEvent(event);
    // The rest of the rows are read once the first screen is on show.
    if (m_rows->isReading())
        m_rows->readRestLater();
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
