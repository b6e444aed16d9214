#include "workspace/FileScrambling.h"

#include "FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace orvanel {
namespace {

using scrambling::CryptOpt;
using scrambling::Mode;

class FileScrambling : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    void put(const QString& name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    QByteArray get(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Every entry of the folder, hidden ones included: no half-written copy may stay.
    QStringList entries() const
    {
        return QDir(m_dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    }
    bool run(const QString& from, const QString& to, std::int32_t key, Mode mode,
             QString* error = nullptr) const
    {
        return scrambling::scrambleFile({path(from), path(to), key}, mode, error);
    }

    static QByteArray randomBytes(qsizetype size)
    {
        QByteArray bytes(size, Qt::Uninitialized);
        QRandomGenerator generator(size);
        for (char& c : bytes)
            c = char(generator.bounded(256));
        return bytes;
    }

    QTemporaryDir m_dir;
};

TEST_F(FileScrambling, StartingKeyIsTheSumOfTheCharacterCodes)
{
    EXPECT_EQ(scrambling::startingKey(u"abcdef"), 97 + 98 + 99 + 100 + 101 + 102);
    EXPECT_EQ(scrambling::startingKey(u""), 0);
}

TEST_F(FileScrambling, ByteAtOffsetPIsShiftedByKeyPlusPAndRestoresByteForByte)
{
    const struct
    {
        const char* name;
        qsizetype size;
        std::int32_t key;
    } cases[] = {
        {"empty", 0, 630},
        {"one byte", 1, 630},
        {"one block and one byte", 2049, 630},
        {"one megabyte", 1 << 20, 630},
        {"three blocks of the copy and a bit", (3 << 20) + 17, 630},
        {"key that wraps past the largest number", 4096, 0x7FFFFFFF - 1000},
        {"negative key", 300, -5},
    };
    for (const auto& c : cases) {
        const QByteArray original = randomBytes(c.size);
        put(u"source"_s, original);
        ASSERT_TRUE(run(u"source"_s, u"scrambled"_s, c.key, Mode::Add)) << c.name;
        const QByteArray scrambled = get(u"scrambled"_s);
        ASSERT_EQ(scrambled.size(), c.size) << c.name;
        for (const qsizetype p : {qsizetype(0), qsizetype(2047), qsizetype(2048), c.size - 1}) {
            if (p < 0 || p >= c.size)
                continue;
            const auto expected =
                std::uint8_t(std::uint8_t(original[p]) + std::uint32_t(c.key) + std::uint32_t(p));
            EXPECT_EQ(std::uint8_t(scrambled[p]), expected) << c.name << " at " << p;
        }
        ASSERT_TRUE(run(u"scrambled"_s, u"restored"_s, c.key, Mode::Subtract)) << c.name;
        EXPECT_TRUE(get(u"restored"_s) == original) << c.name;
        if (c.size > 16) {
            EXPECT_FALSE(scrambled == original) << c.name;
        }
    }
}

TEST_F(FileScrambling, BlocksOfAnySizeGiveTheSameBytes)
{
    const QByteArray original = randomBytes(5000);
    QByteArray whole = original;
    std::uint32_t key = 630;
    scrambling::scrambleBlock(reinterpret_cast<unsigned char*>(whole.data()), 5000, key, Mode::Add);
    EXPECT_EQ(key, 5630u);

    for (const std::size_t blockSize : {std::size_t(1), std::size_t(7), std::size_t(2048)}) {
        QByteArray pieces = original;
        std::uint32_t running = 630;
        for (std::size_t at = 0; at < 5000; at += blockSize)
            scrambling::scrambleBlock(reinterpret_cast<unsigned char*>(pieces.data()) + at,
                                      std::min(blockSize, 5000 - at), running, Mode::Add);
        EXPECT_TRUE(pieces == whole) << blockSize;
    }
}

TEST_F(FileScrambling, RefusedCasesTouchNoFile)
{
    put(u"source"_s, "secret text");
    put(u"other"_s, "kept");
    ASSERT_TRUE(QFile::link(path(u"source"_s), path(u"link-to-source"_s)));
    ASSERT_EQ(::link(QFile::encodeName(path(u"source"_s)).constData(),
                     QFile::encodeName(path(u"hard-link"_s)).constData()),
              0);
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(u"folder"_s));
    const QStringList before = entries();

    const struct
    {
        const char* name;
        QString from;
        QString to;
    } cases[] = {
        {"same name", u"source"_s, u"source"_s},
        {"same file through a symbolic link", u"source"_s, u"link-to-source"_s},
        {"same file through a hard link", u"hard-link"_s, u"source"_s},
        {"same file named another way", u"source"_s, u"folder/../source"_s},
        {"source is a folder", u"folder"_s, u"other"_s},
        {"source is missing", u"missing"_s, u"other"_s},
        {"destination is a folder", u"source"_s, u"folder"_s},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(run(c.from, c.to, 630, Mode::Add, &error)) << c.name;
        EXPECT_FALSE(error.isEmpty()) << c.name;
        EXPECT_EQ(get(u"source"_s), "secret text") << c.name;
        EXPECT_EQ(get(u"other"_s), "kept") << c.name;
        EXPECT_EQ(entries(), before) << c.name;
    }
}

TEST_F(FileScrambling, FailedWriteLeavesTheExistingDestinationAsItWas)
{
    put(u"source"_s, randomBytes(3 << 20));
    put(u"destination"_s, "the earlier copy");
    bool done = true;
    QString error;
    {
        testing::FileSizeLimit limit(3 << 19); // the copy fails half way through
        ASSERT_TRUE(limit.active());
        done = run(u"source"_s, u"destination"_s, 630, Mode::Add, &error);
    }
    EXPECT_FALSE(done);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(get(u"destination"_s), "the earlier copy");
    EXPECT_EQ(entries(), (QStringList{u"destination"_s, u"source"_s}));
}

TEST_F(FileScrambling, LinkInTheDestinationsPlaceIsReplacedNotWrittenThrough)
{
    put(u"source"_s, "abc");
    put(u"elsewhere"_s, "must stay");
    ASSERT_TRUE(QFile::link(path(u"elsewhere"_s), path(u"destination"_s)));
    ASSERT_TRUE(run(u"source"_s, u"destination"_s, 0, Mode::Add));
    EXPECT_EQ(get(u"elsewhere"_s), "must stay");
    EXPECT_FALSE(QFileInfo(path(u"destination"_s)).isSymLink());
    EXPECT_EQ(get(u"destination"_s), QByteArray("a") + char('b' + 1) + char('c' + 2));
}

} // namespace
} // namespace orvanel
