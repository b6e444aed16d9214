#pragma once

// The program checksum that the network engine records in a rule (Champ9 of regles.xml)
// and that the program check page compares with the program file as it is now.

#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <optional>

namespace orvanel {

// The file is read as 32-bit little-endian words (trailing bytes that fill no word are
// left out); with n words, the checksum is the sum modulo 2^32 of the words from number
// n / 2 on, n - 1 - n / 2 of them but at most 500. Files of fewer than three words give 0.
// At most 2,000 bytes are read.
//
// Nothing when the file cannot be opened or read, or is not a regular file.
std::optional<quint32> programChecksum(const QString& path);

// The same over a file already open for reading (an engine reads /proc/PID/exe this way).
std::optional<quint32> programChecksumOfDescriptor(int fd);

// The words to sum for a file of `fileSize` bytes: their byte offset and count.
struct ChecksumWindow
{
    std::size_t offset = 0;
    std::size_t words = 0;
};
ChecksumWindow programChecksumWindow(std::size_t fileSize);

} // namespace orvanel
