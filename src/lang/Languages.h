#pragma once

#include <QString>
#include <QStringView>

#include <array>

namespace orvanel {

// One of the five languages: its code as kept in langues.xml, its files in the
// workspace directory and the two category captions that are built in per language.
struct LanguageInfo
{
    QString code;         // "FR", "GB", "DE", "ESP", "ITA"
    QString languageFile; // "kentro_fr.txt" …
    QString linkFile;     // "liens_fr.txt" …
    QString linksWord;    // caption of the links category
    QString memoryWord;   // caption of the memory category
};

// The five languages in the order of the language choice box: FR, GB, ESP, DE, ITA.
const std::array<LanguageInfo, 5>& languages();

// The language whose code equals `code` exactly (upper case, no blanks), or null.
const LanguageInfo* findLanguage(QStringView code);

} // namespace orvanel
