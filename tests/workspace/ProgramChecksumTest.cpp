// The program checksum over at most 500 middle words, as the network engine records it
// and the program check page shows it.

#include "workspace/ProgramChecksum.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

// A file whose word number i holds the value i.
QByteArray countingWords(int words)
{
    QByteArray bytes;
    for (quint32 i = 0; i < quint32(words); ++i) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.append(char((i >> shift) & 0xff));
    }
    return bytes;
}

struct ChecksumCase
{
    const char* what;
    QByteArray content;
    quint32 expected;
};

TEST(ProgramChecksum, SumsAtMost500WordsFromTheMiddle)
{
    const QByteArray twelve("\x10\x00\x00\x00\x01\x02\x03\x04\x20\x00\x00\x00", 12);
    const std::vector<ChecksumCase> cases = {
        {"empty file", QByteArray(), 0},
        {"two words: nothing to sum", QByteArray(8, '\x7f'), 0},
        {"12 bytes: the second word, little-endian", twelve, 0x04030201u},
        {"a trailing byte fills no word", twelve + "\xff", 0x04030201u},
        // 1000 words: words 500 to 998, 499 of them.
        {"4,000 bytes", countingWords(1000), (500u + 998u) * 499u / 2u},
        // 10000 words: words 5000 to 5499, cut at 500.
        {"40,000 bytes", countingWords(10000), (5000u + 5499u) * 500u / 2u},
        {"the sum wraps at 2^32", QByteArray(4000, '\xff'), quint32(0) - 499u},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const ChecksumCase& c : cases) {
        const QString path = dir.filePath(u"program"_s);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.content);
        file.close();
        EXPECT_EQ(orvanel::programChecksum(path), std::optional<quint32>(c.expected)) << c.what;
    }
}

TEST(ProgramChecksum, NothingForWhatIsNoReadableFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(orvanel::programChecksum(dir.filePath(u"missing"_s)), std::nullopt);
    EXPECT_EQ(orvanel::programChecksum(dir.path()), std::nullopt) << "a folder";
    EXPECT_EQ(orvanel::programChecksumOfDescriptor(-1), std::nullopt);
}

TEST(ProgramChecksum, ReadsNoMoreThan2000Bytes)
{
    for (const std::size_t size : {std::size_t(0), std::size_t(40000), std::size_t(1) << 40}) {
        const orvanel::ChecksumWindow window = orvanel::programChecksumWindow(size);
        EXPECT_LE(window.words * 4, 2000u) << size;
        EXPECT_EQ(window.offset, size / 4 / 2 * 4) << size;
    }
}

} // namespace
