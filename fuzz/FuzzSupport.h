#pragma once

// Helpers shared by the fuzz targets. The parsers are given views over buffers of
// exactly the input's size, so that AddressSanitizer sees any read past the input
// (a QByteArray or QString copy would carry a terminating zero and spare room).

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace orvanel::fuzz {

// A property every input must keep; a broken one is a finding like a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

inline std::string_view bytesOf(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// The input's bytes without a copy.
inline QByteArray rawBytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

// The input decoded as UTF-8, held in a buffer of exactly its length.
class ExactText final
{
public:
    ExactText(const std::uint8_t* data, std::size_t size)
    {
        const QString text =
            QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
        m_size = text.size();
        m_units = std::make_unique<char16_t[]>(std::size_t(m_size));
        std::copy_n(reinterpret_cast<const char16_t*>(text.utf16()), m_size, m_units.get());
    }

    QStringView view() const { return {m_units.get(), m_size}; }
    // A QString over the same buffer, without a copy.
    QString string() const
    {
        return QString::fromRawData(reinterpret_cast<const QChar*>(m_units.get()), m_size);
    }

private:
    std::unique_ptr<char16_t[]> m_units;
    qsizetype m_size = 0;
};

} // namespace orvanel::fuzz
