#pragma once

#include <QRect>
#include <QString>

class QComboBox;
class QPushButton;
class QRadioButton;
class QWidget;

namespace orvanel {

// The glyph kinds of the page buttons. An OK button is the default button and the first No
// button of a window answers Escape; a button given no caption shows its kind's standard caption.
enum class GlyphKind { OK, No, All, Abort };

// The standard caption of a kind: "OK", "No", "All", "Abort".
QString standardCaption(GlyphKind kind);

// A page button on `parent` with the style's standard icon of its kind, placed at
// `geometry` and shown.
QPushButton* makeGlyphButton(QWidget* parent, const QString& objectName, GlyphKind kind,
                             const QRect& geometry, const QString& caption = {});

// A radio button on `parent` (a group box) placed at `geometry` and shown, not selected.
QRadioButton* makeRadioButton(QWidget* parent, const QString& objectName, const QRect& geometry,
                              const QString& caption);

// Makes `box` editable, with Qt's own completion as typed. Unlike QComboBox::setEditable,
// the drop-down list is made the first time it is opened rather than at once: that was a
// third of the time a page with such a box took to open.
void makeEditable(QComboBox* box);

} // namespace orvanel
