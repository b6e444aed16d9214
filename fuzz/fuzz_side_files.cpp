// Side files and language files: the bytes of a file (UTF-8, else Windows-1252; LF or
// CR LF) split into lines, the lines as the text table keeps them, and the lines written
// back as the panel writes a side file.
#include "FuzzSupport.h"

#include "lang/TextTable.h"
#include "workspace/SideFiles.h"

using namespace orvanel;
using namespace orvanel::fuzz;

namespace {

// The characters of a text: a pair of surrogates is one.
qsizetype charactersIn(const QString& text)
{
    qsizetype characters = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!(text.at(i).isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate()))
            ++characters;
    }
    return characters;
}

// The lines as sidefiles::writeLines writes them.
QByteArray written(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QStringList lines = sidefiles::decodeLines(rawBytes(data, size));
    for (const QString& line : lines)
        FUZZ_CHECK(!line.contains(u'\n'));

    // A side file the panel rewrites reads back as it was (a byte order mark in front
    // is dropped, as every reader does).
    if (lines.isEmpty() || !lines.front().startsWith(QChar(0xFEFF)))
        FUZZ_CHECK(sidefiles::decodeLines(written(lines)) == lines);

    TextTable texts;
    texts.setLines(lines);
    for (int n = 0; n <= TextTable::Size + 1; ++n) {
        const QString text = texts.text(n);
        FUZZ_CHECK(charactersIn(text) <= TextTable::MaxLength);
        FUZZ_CHECK(n >= 1 || text.isEmpty());
        FUZZ_CHECK(n <= TextTable::Size || text.isEmpty());
        // Never half a character: a cut falls before a pair, not inside it.
        FUZZ_CHECK(text.isEmpty() || !text.back().isHighSurrogate() ||
                   lines.value(n - 1).size() == text.size());
    }
    return 0;
}
