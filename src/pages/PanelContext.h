#pragma once

#include "panel/Panel.h"

#include <QPointer>

class QLineEdit;
class QWidget;

namespace orvanel {

// What a page may use: the panel's core, and of the window only the parent of its dialogs
// and the hidden edit fields.
class PanelContext
{
public:
    virtual ~PanelContext() = default;

    virtual Panel& panel() = 0;
    // The main window: owner of about boxes and parent of dialogs.
    virtual QWidget* window() = 0;
    // The main window's hidden edit fields Edit1 to Edit3. The web sites and folder search
    // pages put edit fields of their own in the Edit1 and Edit3 slots; freeing the page
    // frees them, and the slot is then empty.
    virtual QPointer<QLineEdit>& editSlot(int number) = 0;

    // The parts of the core every page reads.
    PanelState& state() { return panel().state(); }
    const TextTable& texts() { return panel().texts(); }
    EngineControl& engines() { return panel().engines(); }
    TableFiles& tables() { return panel().tables(); }
    const platform::Services& services() { return panel().services(); }

    // The configuration switches' click handlers CheckBox2Click … CheckBox13Click: the
    // check box of switch `id` was clicked and is now `checked`.
    void switchClicked(Switch id, bool checked) { panel().setSwitch(id, checked); }
};

} // namespace orvanel
