#include "lang/TextTable.h"

#include "lang/Languages.h"
#include "workspace/SideFiles.h"

#include <QDir>
#include <QStringList>

namespace orvanel {

namespace {

// The first `count` characters of a line. A character outside the basic plane takes two
// UTF-16 units and is never split in half.
QString firstCharacters(const QString& line, int count)
{
    qsizetype units = 0;
    for (int taken = 0; taken < count && units < line.size(); ++taken) {
        const bool pair = line.at(units).isHighSurrogate() && units + 1 < line.size() &&
                          line.at(units + 1).isLowSurrogate();
        units += pair ? 2 : 1;
    }
    return line.left(units);
}

// The lines of a language file; nothing for a missing one. A file that exists but is not
// a plain file of at most 16 MB (a named pipe, a link to a device) is not read and error
// says why.
QStringList readLanguageFile(const QString& path, QString* error)
{
    sidefiles::ReadLines file = sidefiles::read(path);
    if (file.status != files::ReadStatus::Read) {
        if (error && file.status != files::ReadStatus::Missing)
            *error = file.error;
        return {};
    }
    QStringList& lines = file.lines;
    // A file saved by an editor that puts a byte order mark in front keeps entry 1 clean.
    if (!lines.isEmpty() && lines.front().startsWith(QChar(0xFEFF)))
        lines.front().remove(0, 1);
    return lines;
}

} // namespace

QString TextTable::text(int n) const
{
    if (n < 1 || n > Size)
        return {};
    return m_entries[static_cast<std::size_t>(n - 1)];
}

bool TextTable::load(const QString& workspaceDir, const QString& code, QString* error)
{
    const LanguageInfo* language = findLanguage(code);
    if (!language)
        return false;
    // A missing file, or one with fewer than 101 lines, leaves the entries it lacks
    // empty: the window still gets its category list and every other text.
    setLines(readLanguageFile(QDir(workspaceDir).filePath(language->languageFile), error));
    return true;
}

void TextTable::setLines(const QStringList& lines)
{
    for (int n = 0; n < Size; ++n) {
        const auto index = static_cast<std::size_t>(n);
        m_entries[index] = n < lines.size() ? firstCharacters(lines.at(n), MaxLength) : QString();
    }
}

} // namespace orvanel
