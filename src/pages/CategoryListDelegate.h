#pragma once

#include <QListWidget>
#include <QPixmap>
#include <QStyledItemDelegate>

#include <functional>

namespace orvanel {

// ListBox1DrawItem: the category list's own drawing. Rows alternate white (even
// positions) and a light grey-blue (odd positions); the selected row is light blue with
// its caption in yellow, bold and italic; each row shows the picture of its position.
// The rows' colours are fixed, so their captions are black whatever the desktop's
// palette. A caption wider than its row is set smaller, then cut, and shows its whole
// text as a tooltip.
class CategoryListDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int ItemHeight = 18;
    static constexpr int ImageSide = 16;

    // imageOf answers the picture of a position (ImageList1) for a device pixel ratio; a
    // null pixmap draws none.
    using ImageOf = std::function<QPixmap(int position, qreal ratio)>;
    explicit CategoryListDelegate(ImageOf imageOf, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // Where a row's caption is written.
    static QRect captionRect(const QRect& row);

    static QColor oddRowColour() { return QColor(238, 243, 244); }
    static QColor selectedRowColour() { return QColor(197, 209, 248); }
    static QColor selectedTextColour() { return QColor(255, 255, 0); }
    static QColor rowTextColour() { return QColor(Qt::black); }

private:
    ImageOf m_imageOf;
};

// ListBox1 itself. A mouse click and a move with the keyboard both count as a choice, as
// they do for the category list users know; a row set from code does not.
class CategoryList final : public QListWidget
{
    Q_OBJECT

public:
    explicit CategoryList(QWidget* parent = nullptr);

    // Runs after a key press moved the current row.
    std::function<void()> keyboardChoice;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace orvanel
