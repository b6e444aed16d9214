#include "pages/CategoryListDelegate.h"

#include "pages/CaptionFit.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>

namespace orvanel {

namespace {

constexpr int Flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;

QFont selectedFont(const QFont& font)
{
    QFont chosen = font;
    chosen.setBold(true);
    chosen.setItalic(true);
    return chosen;
}

} // namespace

CategoryListDelegate::CategoryListDelegate(ImageOf imageOf, QObject* parent)
    : QStyledItemDelegate(parent), m_imageOf(std::move(imageOf))
{
}

QRect CategoryListDelegate::captionRect(const QRect& r)
{
    // The caption stands 30 pixels in, 2 below the row's top, like the text-out it
    // replaces (a top-left point, not a baseline).
    return QRect(r.left() + 30, r.top() + 2, qMax(0, r.width() - 30), r.height() - 2);
}

void CategoryListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    const QRect r = option.rect;
    const int position = index.row();
    const QString caption = index.data(Qt::DisplayRole).toString();
    const QRect textRect = captionRect(r);

    painter->save();
    painter->fillRect(r, position % 2 ? oddRowColour() : QColor(Qt::white));
    const captionfit::Line plain = captionfit::fitLine(option.font, caption, textRect.width());
    painter->setFont(plain.font);
    painter->setPen(rowTextColour());
    painter->drawText(textRect, Flags, plain.text);

    if (option.state & QStyle::State_Selected) {
        painter->fillRect(r, selectedRowColour());
        const captionfit::Line chosen =
            captionfit::fitLine(selectedFont(option.font), caption, textRect.width());
        painter->setFont(chosen.font);
        painter->setPen(selectedTextColour());
        painter->drawText(textRect, Flags, chosen.text);
    }

    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    const QPixmap image = m_imageOf ? m_imageOf(position, ratio) : QPixmap();
    if (!image.isNull()) {
        const int height = qRound(image.deviceIndependentSize().height());
        painter->drawPixmap(r.left() + 4, r.top() + (r.height() - height) / 2, image);
    }
    painter->restore();
}

QSize CategoryListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(option.rect.width(), ItemHeight);
}

bool CategoryListDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                     const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString caption = index.data(Qt::DisplayRole).toString();
    const bool selected = option.state & QStyle::State_Selected;
    const QFont font = selected ? selectedFont(option.font) : option.font;
    if (captionfit::fitLine(font, caption, captionRect(option.rect).width()).cut)
        QToolTip::showText(event->globalPos(), caption, view);
    else
        QToolTip::hideText();
    return true;
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
