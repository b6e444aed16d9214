#pragma once

#include "lang/TextTable.h"
#include "platform/Services.h"
#include "workspace/PanelState.h"

#include <QPointer>

class QLineEdit;
class QWidget;

namespace orvanel {

class EngineControl;
class TableFiles;

// What a page may use of the main window: the shared state, the text table, the
// workspace files and engines, and the platform services.
class PanelContext
{
public:
    virtual ~PanelContext() = default;

    virtual PanelState& state() = 0;
    virtual const TextTable& texts() const = 0;
    virtual EngineControl& engines() = 0;
    virtual TableFiles& tables() = 0;
    virtual const platform::Services& services() const = 0;
    // The main window: owner of about boxes and parent of dialogs.
    virtual QWidget* window() = 0;

    // The configuration switches' click handlers CheckBox2Click … CheckBox13Click: the
    // check box of switch `id` was clicked and is now `checked`. Stores the switch and
    // runs the configuration writer.
    virtual void switchClicked(Switch id, bool checked) = 0;

    // Asks the program to end: the main window's destruction then stops the engines.
    virtual void requestTermination() = 0;

    // The window side of the language switch: stores the choice, loads its texts and
    // refills the category list with no selection. The page on show is not rebuilt.
    virtual void applyLanguage(const QString& chosen) = 0;

    // The main window's hidden edit fields Edit1 to Edit3. The web sites and folder search
    // pages put edit fields of their own in the Edit1 and Edit3 slots; freeing the page
    // frees them, and the slot is then empty.
    virtual QPointer<QLineEdit>& editSlot(int number) = 0;
};

} // namespace orvanel
