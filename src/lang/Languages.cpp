#include "lang/Languages.h"

namespace orvanel {

using namespace Qt::StringLiterals;

const std::array<LanguageInfo, 5>& languages()
{
    // The language file names use "es" and "it" where the codes say "ESP" and "ITA";
    // the link files follow the codes. Both are the names shipped beside the program.
    static const std::array<LanguageInfo, 5> table{{
        {u"FR"_s, u"kentro_fr.txt"_s, u"liens_fr.txt"_s, u"liens"_s, u"mémoire"_s},
        {u"GB"_s, u"kentro_gb.txt"_s, u"liens_gb.txt"_s, u"connections"_s, u" memory"_s},
        {u"ESP"_s, u"kentro_es.txt"_s, u"liens_esp.txt"_s, u"conexiones"_s, u"memoria"_s},
        {u"DE"_s, u"kentro_de.txt"_s, u"liens_de.txt"_s, u"verbindungen"_s, u"memory"_s},
        {u"ITA"_s, u"kentro_it.txt"_s, u"liens_ita.txt"_s, u"connessioni"_s, u"memoria"_s},
    }};
    return table;
}

const LanguageInfo* findLanguage(QStringView code)
{
    for (const LanguageInfo& language : languages()) {
        if (code == language.code)
            return &language;
    }
    return nullptr;
}

} // namespace orvanel
