#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

namespace orvanel::scrambling {

// The record handed to the scrambling routine.
struct CryptOpt
{
    QString source;
    QString destination;
    // The running key: byte p of the file is shifted by key + p.
    std::int32_t key = 0;
};

enum class Mode { Add, Subtract };

// The starting key of a key word: the sum of its character codes.
std::int32_t startingKey(QStringView keyWord);

// Shifts `size` bytes in place by the running key, which counts on by one per byte. The
// key wraps around like the 32-bit number it is; only its low 8 bits touch the bytes.
void scrambleBlock(unsigned char* data, std::size_t size, std::uint32_t& runningKey, Mode mode);

// Writes the scrambled (Add) or restored (Subtract) copy of opt.source to opt.destination:
// byte p becomes byte p plus or minus (key + p), modulo 256, and the copy has the source's
// length. The copy is written beside the destination and renamed over it only once whole,
// so a failure leaves an existing destination as it was, and a link in the destination's
// place is replaced rather than written through. Refuses a source that is not a regular
// file and a destination that is the source itself. Answers false with the reason.
bool scrambleFile(const CryptOpt& opt, Mode mode, QString* error = nullptr);

} // namespace orvanel::scrambling
