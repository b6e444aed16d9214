// The small text files shared with the engines: written with CR LF, read in either
// line end and in the code page of older installations.
#include "workspace/SideFiles.h"

#include "FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace orvanel {
namespace {

using namespace Qt::StringLiterals;

class SideFiles : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    void put(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    QByteArray get(const QString& name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

TEST_F(SideFiles, EveryLineEndsWithCrLf)
{
    ASSERT_TRUE(sidefiles::writeLines(path(u"portsfermes.txt"_s), {u"80"_s, u"443"_s}));
    EXPECT_EQ(get(u"portsfermes.txt"_s), "80\r\n443\r\n");
    ASSERT_TRUE(sidefiles::writeValue(path(u"track.txt"_s), u"2"_s));
    EXPECT_EQ(get(u"track.txt"_s), "2\r\n");
    ASSERT_TRUE(sidefiles::writeLines(path(u"spam.txt"_s), {QString(), u"x"_s}));
    EXPECT_EQ(get(u"spam.txt"_s), "\r\nx\r\n");
}

TEST_F(SideFiles, WriteEmptyLeavesNoLine)
{
    put(u"viri.txt"_s, "Eicar\r\n");
    ASSERT_TRUE(sidefiles::writeEmpty(path(u"viri.txt"_s)));
    EXPECT_TRUE(QFile::exists(path(u"viri.txt"_s)));
    EXPECT_EQ(get(u"viri.txt"_s), QByteArray());
    EXPECT_EQ(sidefiles::readLines(path(u"viri.txt"_s)), QStringList());
    EXPECT_EQ(sidefiles::firstLine(path(u"viri.txt"_s)), std::nullopt);
}

TEST_F(SideFiles, TextIsWrittenAsUtf8)
{
    ASSERT_TRUE(sidefiles::writeValue(path(u"a.txt"_s), u"é€"_s));
    EXPECT_EQ(get(u"a.txt"_s), "\xC3\xA9\xE2\x82\xAC\r\n");
}

TEST(SideFileLines, LineEndsAndLastLines)
{
    struct Case
    {
        QByteArray bytes;
        QStringList lines;
    };
    const Case cases[] = {
        {"", {}},
        {"1", {u"1"_s}},
        {"1\n", {u"1"_s}},
        {"1\r\n", {u"1"_s}},
        {"a\nb", {u"a"_s, u"b"_s}},
        {"a\r\nb\r\n", {u"a"_s, u"b"_s}},
        {"a\nb\r\nc", {u"a"_s, u"b"_s, u"c"_s}},
        {"\r\n", {QString()}},
        {"a\r\n\r\n", {u"a"_s, QString()}},
        {"\xEF\xBB\xBFx\r\n", {u"x"_s}}, // byte order mark of some editors
        {" 2 \r\n", {u" 2 "_s}},         // blanks are the reader's to judge
    };
    for (const Case& c : cases)
        EXPECT_EQ(sidefiles::decodeLines(c.bytes), c.lines) << c.bytes.toStdString();
}

TEST(SideFileLines, TextThatIsNotUtf8IsWindows1252)
{
    EXPECT_EQ(sidefiles::decodeLines("caf\xE9 \x80\r\n"), QStringList{u"café €"_s});
    EXPECT_EQ(sidefiles::decodeLines("\x93quoted\x94 \x85 \xFF"), QStringList{u"“quoted” … ÿ"_s});
    // Valid UTF-8 stays UTF-8, even where each byte would also be a 1252 character.
    EXPECT_EQ(sidefiles::decodeLines("caf\xC3\xA9"), QStringList{u"café"_s});
    // One bad byte sends the whole file to 1252.
    EXPECT_EQ(sidefiles::decodeLines("\xC3\xA9 \xE9"), QStringList{u"Ã© é"_s});
}

TEST_F(SideFiles, ReadingMissingAndPresentFiles)
{
    QString error;
    EXPECT_EQ(sidefiles::readLines(path(u"missing.txt"_s), &error), std::nullopt);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(sidefiles::firstLine(path(u"missing.txt"_s)), std::nullopt);

    put(u"firewall.txt"_s, "3\r\nextra\r\n");
    EXPECT_EQ(sidefiles::firstLine(path(u"firewall.txt"_s)), u"3"_s);
    EXPECT_EQ(sidefiles::readLines(path(u"firewall.txt"_s)), (QStringList{u"3"_s, u"extra"_s}));
}

TEST_F(SideFiles, FailedWriteKeepsTheOldContent)
{
    put(u"portsfermes.txt"_s, "21\r\n");
    QStringList many;
    for (int i = 0; i < 5000; ++i)
        many.append(QString::number(i));
    QString error;
    bool written = true;
    {
        testing::FileSizeLimit limit(1024);
        ASSERT_TRUE(limit.active());
        written = sidefiles::writeLines(path(u"portsfermes.txt"_s), many, &error);
    }
    EXPECT_FALSE(written);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(get(u"portsfermes.txt"_s), "21\r\n");
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{u"portsfermes.txt"_s});
}

TEST_F(SideFiles, FailedShortWriteKeepsTheOldContent)
{
    put(u"track.txt"_s, "2\r\n");
    QString error;
    bool written = true;
    {
        testing::FileSizeLimit limit(1);
        ASSERT_TRUE(limit.active());
        written = sidefiles::writeValue(path(u"track.txt"_s), u"3"_s, &error);
    }
    EXPECT_FALSE(written);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(get(u"track.txt"_s), "2\r\n");
}

TEST_F(SideFiles, WriteIntoAMissingFolderFails)
{
    QString error;
    EXPECT_FALSE(sidefiles::writeValue(path(u"no/such/folder/mode.txt"_s), u"0"_s, &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
} // namespace orvanel
