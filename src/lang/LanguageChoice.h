#pragma once

#include "workspace/TableFiles.h"

#include <QString>

#include <optional>

namespace orvanel {

// The stored side of the language choice, kept in langues.xml.

// Start-up: makes sure langues.xml holds one of the five codes (a missing or unreadable
// file, or any other code after trimming, becomes "FR") and answers the code it holds.
// Nothing, and the file untouched, while another program holds it (after `wait`).
std::optional<QString> ensureLanguageCode(TableFiles& tables, FreeWait wait = FreeWait::Bounded);

// The language switch: ignores anything but the five exact codes (answers nothing);
// otherwise rewrites langues.xml with the one record holding the choice and answers the
// code read back from it.
std::optional<QString> storeLanguageChoice(TableFiles& tables, const QString& chosen,
                                           QString* error = nullptr);

} // namespace orvanel
