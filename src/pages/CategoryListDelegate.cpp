#include "pages/CategoryListDelegate.h"

#include <QKeyEvent>
#include <QPainter>

namespace orvanel {

CategoryListDelegate::CategoryListDelegate(std::function<QPixmap(int)> imageOf, QObject* parent)
    : QStyledItemDelegate(parent), m_imageOf(std::move(imageOf))
{
}

void CategoryListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    const QRect r = option.rect;
    const int position = index.row();
    const QString caption = index.data(Qt::DisplayRole).toString();
    // The caption stands 30 pixels in, 2 below the row's top, like the text-out it
    // replaces (a top-left point, not a baseline).
    const QRect textRect(r.left() + 30, r.top() + 2, qMax(0, r.width() - 30), r.height() - 2);
    constexpr int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;

    painter->save();
    painter->fillRect(r, position % 2 ? oddRowColour() : QColor(Qt::white));
    painter->setFont(option.font);
    painter->setPen(option.palette.color(QPalette::Text));
    painter->drawText(textRect, flags, caption);

    if (option.state & QStyle::State_Selected) {
        painter->fillRect(r, selectedRowColour());
        QFont font = option.font;
        font.setBold(true);
        font.setItalic(true);
        painter->setFont(font);
        painter->setPen(selectedTextColour());
        painter->drawText(textRect, flags, caption);
    }

    const QPixmap image = m_imageOf ? m_imageOf(position) : QPixmap();
    if (!image.isNull())
        painter->drawPixmap(r.left() + 4, r.top() + (r.height() - image.height()) / 2, image);
    painter->restore();
}

QSize CategoryListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(option.rect.width(), ItemHeight);
}

CategoryList::CategoryList(QWidget* parent) : QListWidget(parent) {}

void CategoryList::keyPressEvent(QKeyEvent* event)
{
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before && currentRow() >= 0 && keyboardChoice)
        keyboardChoice();
}

} // namespace orvanel
