#include "workspace/TextEncoding.h"

#include <cstdint>
#include <cstring>

namespace orvanel::encoding {

namespace {

// 0x80 to 0x9F, where Windows-1252 differs from Latin-1.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool allAscii(const char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ULL) == 0;
}

bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Length of the well-formed multi-byte sequence at p, or 0 when it is malformed.
std::size_t sequenceLength(const unsigned char* p, std::size_t left)
{
    const unsigned char c = p[0];
    if (c >= 0xC2 && c <= 0xDF)
        return left >= 2 && isContinuation(p[1]) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (left < 3 || !isContinuation(p[1]) || !isContinuation(p[2]))
            return 0;
        if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] > 0x9F))
            return 0; // overlong form or surrogate
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (left < 4 || !isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3]))
            return 0;
        if ((c == 0xF0 && p[1] < 0x90) || (c == 0xF4 && p[1] > 0x8F))
            return 0; // overlong form or beyond U+10FFFF
        return 4;
    }
    return 0;
}

} // namespace

bool isValidUtf8(const char* data, std::size_t size)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    std::size_t i = 0;
    while (i < size) {
        if (i + 8 <= size && allAscii(data + i)) {
            i += 8;
            continue;
        }
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = sequenceLength(p + i, size - i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

char16_t windows1252ToUnicode(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80];
    return char16_t(byte);
}

QString fromWindows1252(const char* data, std::size_t size)
{
    QString text(qsizetype(size), Qt::Uninitialized);
    QChar* out = text.data();
    for (std::size_t i = 0; i < size; ++i)
        out[i] = QChar(windows1252ToUnicode(static_cast<unsigned char>(data[i])));
    return text;
}

std::string windows1252ToUtf8(const char* data, std::size_t size)
{
    std::string out;
    out.reserve(size + size / 8);
    for (std::size_t i = 0; i < size; ++i) {
        const char16_t c = windows1252ToUnicode(static_cast<unsigned char>(data[i]));
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::size_t utf8PrefixBytes(const char* data, std::size_t size, std::size_t maxChars)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (isContinuation(static_cast<unsigned char>(data[i])))
            continue;
        if (chars == maxChars)
            return i;
        ++chars;
    }
    return size;
}

} // namespace orvanel::encoding
