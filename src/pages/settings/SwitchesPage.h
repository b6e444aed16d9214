#pragma once

#include "pages/Page.h"

namespace orvanel {

// The switches page: three of the twelve configuration switches (Champ8, Champ1 and
// Champ2) in one group box. Building it sets every check box to its switch; a check box
// that goes from checked to unchecked counts as a click, so the real-time engine is
// restarted once for every one of these switches that is off.
class SwitchesPage final : public Page
{
public:
    using Page::Page;

    void build(QWidget* panel) override;

    // The click handlers: copy the check box's state into its switch and run the
    // configuration writer.
    void CheckBox2Click(bool checked);
    void CheckBox3Click(bool checked);
    void CheckBox4Click(bool checked);
};

} // namespace orvanel
