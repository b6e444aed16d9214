#pragma once

#include <QFont>
#include <QSize>
#include <QString>

#include <initializer_list>
#include <optional>

class QWidget;

// The fit of captions to the rectangles the window was drawn with. The rectangles were
// laid out for a narrow 11-pixel font; a caption that is wider in the font in use, or
// in another language, is fitted by one rule:
//   1. the control grows into free space to its right (a label: or wraps into free
//      space below), never over a neighbour and never out of a frame it lies on;
//   2. failing that, its font steps down, to no less than SmallestPixelSize;
//   3. failing that, the caption is cut with "…" and its whole text is its tooltip.
// A control that a later sibling (painted above it) covers ends where that sibling
// begins, so that both read. Labels are made at least one line of their font high.
namespace orvanel::captionfit {

inline constexpr int SmallestPixelSize = 9;

// What a control's caption needs and what the control gives it, in pixels.
struct Room
{
    QString shown; // the caption as drawn, mnemonic markers taken out
    QSize need;
    QSize room;
    bool fits() const { return need.width() <= room.width() && need.height() <= room.height(); }
};

// The caption room of a label, button, check box, radio button, group box or tab bar;
// nothing for a control without a caption.
std::optional<Room> roomOf(const QWidget* control);

// The visible sibling painted above `control` that overlaps its caption, or null.
const QWidget* coveringSibling(const QWidget* control);

// One line of `text` in `font` fitted to `width`: the font stepped down while it is too
// wide, then the text cut with "…".
struct Line
{
    QFont font;
    QString text;
    bool cut = false;
};
Line fitLine(const QFont& font, const QString& text, int width);

// Fits every caption on `root` and below it, once each. A '&' in a caption of a button,
// check box, group box or tab is shown as '&' (the texts come from the language files);
// a control marked with keepMnemonic() keeps its mnemonic. Tab pages whose controls are
// made when first shown are fitted then.
void fitCaptions(QWidget* root);

// Fits `controls` one by one, then gives them all the smallest font one of them took, so
// that captions side by side read in one size. Each is fitted anew: for captions whose
// text changes.
void fitAsOne(std::initializer_list<QWidget*> controls);

// The caption of `button` has a deliberate mnemonic ("&No").
void keepMnemonic(QWidget* button);

// `text` with every '&' doubled, so that a button or tab shows it as it stands.
QString literalAmpersands(const QString& text);

} // namespace orvanel::captionfit
