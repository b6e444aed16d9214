#pragma once

#include "workspace/Switches.h"

#include <QRect>
#include <QString>

#include <functional>

class QCheckBox;
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

// The check box CheckBoxN of switch `id` on `parent`, placed at `geometry` under
// `caption` and shown. It is made checked and then tied to `clicked` through its toggling,
// so that setting it to its switch afterwards runs `clicked` as a user's click does.
QCheckBox* makeSwitchBox(QWidget* parent, Switch id, const QRect& geometry, const QString& caption,
                         std::function<void(bool)> clicked);

// Sets every switch check box on `panel` to its switch, in the order they were made.
// Clearing a box is a click like any other: the configuration writer runs once for every
// switch that is off.
void setSwitchBoxes(QWidget* panel, const Switches& switches);

// Makes `box` editable, with Qt's own completion as typed. Unlike QComboBox::setEditable,
// the drop-down list is made the first time it is opened rather than at once: that was a
// third of the time a page with such a box took to open.
void makeEditable(QComboBox* box);

} // namespace orvanel
