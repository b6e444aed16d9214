#pragma once

// Zip archives made by hand for the scan tests: one stored (uncompressed) member, and
// with a password the member is encrypted with the traditional PKWARE cipher, as the
// `zip -P` of old writes it.

#include <QByteArray>

#include <cstdint>

namespace orvanel::testing {

namespace zip {

inline uint32_t crcByte(uint32_t crc, uint8_t byte)
{
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit)
        crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    return crc;
}

inline uint32_t crc32(const QByteArray& data)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (const char c : data)
        crc = crcByte(crc, uint8_t(c));
    return ~crc;
}

// The cipher's three keys, stirred by each plain byte.
class Cipher
{
public:
    explicit Cipher(const QByteArray& password)
    {
        for (const char c : password)
            stir(uint8_t(c));
    }
    QByteArray encrypt(const QByteArray& plain)
    {
        QByteArray out;
        for (const char c : plain) {
            const uint32_t t = (m_keys[2] | 2u) & 0xFFFFu;
            out.append(char(uint8_t(c) ^ uint8_t((t * (t ^ 1u)) >> 8)));
            stir(uint8_t(c));
        }
        return out;
    }

private:
    void stir(uint8_t byte)
    {
        m_keys[0] = crcByte(m_keys[0], byte);
        m_keys[1] = (m_keys[1] + (m_keys[0] & 0xFFu)) * 134775813u + 1u;
        m_keys[2] = crcByte(m_keys[2], uint8_t(m_keys[1] >> 24));
    }
    uint32_t m_keys[3] = {0x12345678u, 0x23456789u, 0x34567890u};
};

inline void put16(QByteArray& out, uint32_t value)
{
    out.append(char(value & 0xFF)).append(char((value >> 8) & 0xFF));
}

inline void put32(QByteArray& out, uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

} // namespace zip

inline QByteArray zipArchive(const QByteArray& name, const QByteArray& content,
                             const QByteArray& password = {})
{
    const uint32_t crc = zip::crc32(content);
    QByteArray stored = content;
    if (!password.isEmpty()) {
        // Eleven bytes of salt and the CRC's high byte, which a reader checks the
        // password against, go before the data.
        QByteArray header("orvanel-zip");
        header.append(char(crc >> 24));
        stored = zip::Cipher(password).encrypt(header + content);
    }
    const uint32_t flags = password.isEmpty() ? 0 : 1; // bit 0: encrypted
    const auto fields = [&](QByteArray& out) {
        zip::put16(out, 20); // version needed
        zip::put16(out, flags);
        zip::put16(out, 0);    // stored
        zip::put16(out, 0);    // time
        zip::put16(out, 0x21); // 1 January 1980
        zip::put32(out, crc);
        zip::put32(out, uint32_t(stored.size()));
        zip::put32(out, uint32_t(content.size()));
        zip::put16(out, uint32_t(name.size()));
        zip::put16(out, 0); // no extra field
    };
    QByteArray archive;
    zip::put32(archive, 0x04034b50);
    fields(archive);
    archive += name + stored;
    const uint32_t directoryAt = uint32_t(archive.size());
    QByteArray directory;
    zip::put32(directory, 0x02014b50);
    zip::put16(directory, 20); // made by
    fields(directory);
    for (int i = 0; i < 4; ++i)
        zip::put16(directory, 0); // comment, disk, internal attributes, external (low)
    zip::put16(directory, 0);     // external attributes (high)
    zip::put32(directory, 0);     // the local header's offset
    directory += name;
    archive += directory;
    zip::put32(archive, 0x06054b50);
    zip::put32(archive, 0); // this disk, the directory's disk
    zip::put16(archive, 1);
    zip::put16(archive, 1);
    zip::put32(archive, uint32_t(directory.size()));
    zip::put32(archive, directoryAt);
    zip::put16(archive, 0); // no comment
    return archive;
}

} // namespace orvanel::testing
