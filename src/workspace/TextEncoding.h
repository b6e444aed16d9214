#pragma once

// Text as older installations wrote it: files that are not valid UTF-8 come from the
// Windows ANSI code page (Windows-1252) and are read in that code page.

#include <QString>

#include <cstddef>
#include <string>

namespace orvanel::encoding {

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(const char* data, std::size_t size);

// The character a Windows-1252 byte stands for. The five bytes the code page leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their own code point.
char16_t windows1252ToUnicode(unsigned char byte);

QString fromWindows1252(const char* data, std::size_t size);
std::string windows1252ToUtf8(const char* data, std::size_t size);

// Length in bytes of the longest prefix of UTF-8 text that holds at most maxChars
// characters; a multi-byte character is never split.
std::size_t utf8PrefixBytes(const char* data, std::size_t size, std::size_t maxChars);

} // namespace orvanel::encoding
