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

using scrambling::Mode;

class FileScrambling : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    void put(const QString& name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    QByteArray get(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Hidden entries included: no half-written copy may stay behind.
    QStringList entries() const
    {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    bool run(const QString& from, const QString& to, std::int32_t key, Mode mode,
             QString* error = nullptr) const
    {
        return scrambling::scrambleFile({path(from), path(to), key}, mode, error);
    }

    QTemporaryDir m_dir;
};

TEST_F(FileScrambling, ByteAtOffsetPIsShiftedByKeyPlusPAndRestoresByteForByte)
{
    const struct
    {
        const char* name;
        qsizetype size;
        std::int32_t key;
    } cases[] = {
        {"empty", 0, 630},
        {"one block and one byte", 2049, 630},
        {"one megabyte", 1 << 20, 630},
        {"blocks of the copy and an odd tail", (1 << 20) + (256 << 10) + 17, 630},
        {"key that wraps past the largest number", 4096, 0x7FFFFFFF - 1000},
    };
    for (const auto& c : cases) {
        QByteArray original(c.size, '\x5a');
        QRandomGenerator(c.size).fillRange(reinterpret_cast<quint32*>(original.data()), c.size / 4);
        put(u"source"_s, original);
        ASSERT_TRUE(run(u"source"_s, u"scrambled"_s, c.key, Mode::Add)) << c.name;
        const QByteArray scrambled = get(u"scrambled"_s);
        ASSERT_EQ(scrambled.size(), c.size) << c.name;
        for (const qsizetype p : {qsizetype(0), qsizetype(2048), c.size - 1}) {
            if (p >= 0 && p < c.size) {
                EXPECT_EQ(std::uint8_t(scrambled[p]),
                          std::uint8_t(std::uint8_t(original[p]) + std::uint32_t(c.key) + p))
                    << c.name << " at " << p;
            }
        }
        ASSERT_TRUE(run(u"scrambled"_s, u"restored"_s, c.key, Mode::Subtract)) << c.name;
        EXPECT_TRUE(get(u"restored"_s) == original) << c.name;
    }
}

TEST_F(FileScrambling, RefusedCasesTouchNoFile)
{
    put(u"source"_s, "secret text");
    put(u"other"_s, "kept");
    ASSERT_TRUE(QFile::link(path(u"source"_s), path(u"link"_s)));
    ASSERT_EQ(::link(QFile::encodeName(path(u"source"_s)).constData(),
                     QFile::encodeName(path(u"hard-link"_s)).constData()),
              0);
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(u"folder"_s));
    const QStringList before = entries();
    const QString cases[][2] = {
        {u"source"_s, u"source"_s},    {u"source"_s, u"link"_s},
        {u"hard-link"_s, u"source"_s}, {u"source"_s, u"folder/../source"_s},
        {u"folder"_s, u"other"_s},     {u"source"_s, u"folder"_s},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(run(c[0], c[1], 630, Mode::Add, &error))
            << c[0].toStdString() << " " << c[1].toStdString();
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(get(u"source"_s), "secret text");
        EXPECT_EQ(get(u"other"_s), "kept");
        EXPECT_EQ(entries(), before);
    }
}

TEST_F(FileScrambling, FailedWriteKeepsTheDestinationAndALinkIsReplacedNotWrittenThrough)
{
    put(u"source"_s, QByteArray(3 << 20, 'x'));
    put(u"destination"_s, "the earlier copy");
    {
        testing::FileSizeLimit limit(3 << 19); // the copy fails half way through
        ASSERT_TRUE(limit.active());
        EXPECT_FALSE(run(u"source"_s, u"destination"_s, 630, Mode::Add));
    }
    EXPECT_EQ(get(u"destination"_s), "the earlier copy");
    EXPECT_EQ(entries(), (QStringList{u"destination"_s, u"source"_s}));

    ASSERT_TRUE(QFile::link(path(u"destination"_s), path(u"link"_s)));
    ASSERT_TRUE(run(u"source"_s, u"link"_s, 0, Mode::Add));
    EXPECT_EQ(get(u"destination"_s), "the earlier copy");
    EXPECT_FALSE(QFileInfo(path(u"link"_s)).isSymLink());
}

} // namespace
} // namespace orvanel
