#pragma once

#include <QString>

#include <optional>

namespace orvanel {

class TableFiles;

// The stored side of the language choice, kept in langues.xml.

// Start-up: makes sure langues.xml holds one of the five codes (a missing or unreadable
// file, or any other code after trimming, becomes "FR") and answers the code it holds.
QString ensureLanguageCode(TableFiles& tables);

// The language switch: ignores anything but the five exact codes (answers nothing);
// otherwise rewrites langues.xml with the one record holding the choice and answers the
// code read back from it.
std::optional<QString> storeLanguageChoice(TableFiles& tables, const QString& chosen,
                                           QString* error = nullptr);

} // namespace orvanel
