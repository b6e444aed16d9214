#include "lang/LanguageChoice.h"

#include "lang/Languages.h"
#include "workspace/Table.h"
#include "workspace/TableFiles.h"

namespace orvanel {

using namespace Qt::StringLiterals;

namespace {

const auto CodeField = u"Champ1";

QString defaultCode()
{
    return languages().front().code; // "FR"
}

// Champ1 of the first record, without the blanks around it; empty for an empty table.
QString firstCode(Table& table)
{
    table.first();
    return table.atEnd() ? QString() : table.value(CodeField).trimmed();
}

// Empties the table and leaves the one record that holds `code`.
void writeSingleCode(Table& table, const QString& code)
{
    table.emptyTable();
    table.insert();
    table.setValue(CodeField, code);
    table.post();
}

} // namespace

std::optional<QString> ensureLanguageCode(TableFiles& tables, FreeWait wait)
{
    // A missing file is created with "FR"; an unreadable one is set aside and created
    // anew, so the reading below meets a sound table.
    if (!tables.openWithRecreation(TableId::Languages, nullptr, wait))
        return tables.isHeld(TableId::Languages) ? std::nullopt : std::optional(defaultCode());

    QString code;
    const bool read = tables.use(
        TableId::Languages,
        [&code](Table& table) {
            code = firstCode(table);
            if (findLanguage(code))
                return false;
            code = defaultCode();
            writeSingleCode(table, code);
            return true;
        },
        nullptr, wait);
    if (!read && tables.isHeld(TableId::Languages))
        return std::nullopt;
    // The code is used trimmed: " GB " chooses English rather than no language at all.
    return findLanguage(code) ? code : defaultCode();
}

std::optional<QString> storeLanguageChoice(TableFiles& tables, const QString& chosen,
                                           QString* error)
{
    if (!findLanguage(chosen))
        return std::nullopt;
    // A missing or unreadable file must not swallow the choice: it is made sound first.
    if (!tables.openWithRecreation(TableId::Languages, error))
        return std::nullopt;

    QString stored;
    const bool saved = tables.use(
        TableId::Languages,
        [&](Table& table) {
            writeSingleCode(table, chosen.trimmed());
            stored = firstCode(table);
            return true;
        },
        error);
    if (!saved)
        return std::nullopt;
    return stored;
}

} // namespace orvanel
