// Loading the text table from the language file of a code.

#include "lang/TextTable.h"
#include "lang/Languages.h"

#include "../support/TestWorkspace.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace orvanel {
namespace {

using namespace Qt::StringLiterals;
using testing::TestWorkspace;

QByteArray numberedLines(int count, const QByteArray& end = "\n")
{
    QByteArray bytes;
    for (int n = 1; n <= count; ++n)
        bytes += "line " + QByteArray::number(n) + end;
    return bytes;
}

class TextTableLoad : public ::testing::Test
{
protected:
    TestWorkspace ws;
    TextTable table;
};

TEST_F(TextTableLoad, StartsEmptyAndAnswersNothingOutOfRange)
{
    for (int n : {-1, 0, 1, 50, 101, 102})
        EXPECT_TRUE(table.text(n).isEmpty()) << n;
}

TEST_F(TextTableLoad, LineNBecomesEntryN)
{
    ws.write(u"kentro_gb.txt"_s, numberedLines(101));
    ASSERT_TRUE(table.load(ws.dir(), u"GB"_s));
    EXPECT_EQ(table.text(1), u"line 1"_s);
    EXPECT_EQ(table.text(57), u"line 57"_s);
    EXPECT_EQ(table.text(101), u"line 101"_s);
}

TEST_F(TextTableLoad, CutsALineOfSixtyCharactersAfterItsFiftieth)
{
    const QByteArray sixty = "0123456789abcdefghijABCDEFGHIJ0123456789abcdefghijKLMNOPQRST";
    ASSERT_EQ(sixty.size(), 60);
    ws.write(u"kentro_fr.txt"_s, sixty + "\nsecond\n");
    ASSERT_TRUE(table.load(ws.dir(), u"FR"_s));
    EXPECT_EQ(table.text(1), QString::fromLatin1(sixty.left(50)));
    EXPECT_EQ(table.text(2), u"second"_s);
}

TEST_F(TextTableLoad, CountsCharactersNotBytes)
{
    // Sixty "é" are 120 bytes of UTF-8; the entry keeps fifty characters.
    ws.write(u"kentro_fr.txt"_s, QString(60, u'é').toUtf8() + '\n');
    ASSERT_TRUE(table.load(ws.dir(), u"FR"_s));
    EXPECT_EQ(table.text(1), QString(50, u'é'));
}

TEST_F(TextTableLoad, NeverSplitsACharacterOutsideTheBasicPlane)
{
    // 49 letters and then a character of two UTF-16 units: it is the fiftieth character.
    const QString clef = QString::fromUcs4(U"\U0001D11E");
    const QString line = QString(49, u'a') + clef + u"tail"_s;
    ws.write(u"kentro_gb.txt"_s, line.toUtf8());
    ASSERT_TRUE(table.load(ws.dir(), u"GB"_s));
    EXPECT_EQ(table.text(1), QString(49, u'a') + clef);
}

TEST_F(TextTableLoad, IgnoresLinesAfterTheHundredAndFirst)
{
    ws.write(u"kentro_de.txt"_s, numberedLines(120));
    ASSERT_TRUE(table.load(ws.dir(), u"DE"_s));
    EXPECT_EQ(table.text(101), u"line 101"_s);
    EXPECT_TRUE(table.text(102).isEmpty());
}

TEST_F(TextTableLoad, MissingLinesLeaveEmptyEntriesAndLoadingGoesOn)
{
    ws.write(u"kentro_es.txt"_s, numberedLines(101));
    ASSERT_TRUE(table.load(ws.dir(), u"ESP"_s));
    // A shorter file in the next language replaces every entry, the missing ones by "".
    ws.write(u"kentro_it.txt"_s, numberedLines(3));
    ASSERT_TRUE(table.load(ws.dir(), u"ITA"_s));
    EXPECT_EQ(table.text(3), u"line 3"_s);
    for (int n = 4; n <= 101; ++n)
        EXPECT_TRUE(table.text(n).isEmpty()) << n;
}

TEST_F(TextTableLoad, MissingFileLeavesEveryEntryEmpty)
{
    ws.write(u"kentro_gb.txt"_s, numberedLines(101));
    ASSERT_TRUE(table.load(ws.dir(), u"GB"_s));
    EXPECT_TRUE(table.load(ws.dir(), u"DE"_s)) << "a known code loads even without its file";
    for (int n = 1; n <= 101; ++n)
        EXPECT_TRUE(table.text(n).isEmpty()) << n;
}

TEST_F(TextTableLoad, LanguageFileThatIsANamedPipeLeavesEveryEntryEmptyAtOnce)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(ws.path(u"kentro_de.txt"_s)).constData(), 0600), 0);
    EXPECT_TRUE(table.load(ws.dir(), u"DE"_s));
    for (int n = 1; n <= 101; ++n)
        EXPECT_TRUE(table.text(n).isEmpty()) << n;
}

TEST_F(TextTableLoad, UnknownCodeLoadsNothingAndKeepsTheTable)
{
    ws.write(u"kentro_gb.txt"_s, numberedLines(101));
    ASSERT_TRUE(table.load(ws.dir(), u"GB"_s));
    for (const QString& code : {u"gb"_s, u" GB "_s, u"EN"_s, u"ES"_s, QString()}) {
        EXPECT_FALSE(table.load(ws.dir(), code)) << code.toStdString();
        EXPECT_EQ(table.text(1), u"line 1"_s);
        EXPECT_EQ(table.text(101), u"line 101"_s);
    }
}

TEST_F(TextTableLoad, ReadsWindowsLineEndsWithoutKeepingTheCarriageReturn)
{
    ws.write(u"kentro_gb.txt"_s, numberedLines(5, "\r\n"));
    ASSERT_TRUE(table.load(ws.dir(), u"GB"_s));
    EXPECT_EQ(table.text(1), u"line 1"_s);
    EXPECT_EQ(table.text(5), u"line 5"_s);
}

TEST_F(TextTableLoad, ReadsFilesOfOlderInstallationsInTheirSingleByteCodePage)
{
    ws.write(u"kentro_fr.txt"_s, QByteArray("R\xE8gles\r\nD\xE9sactiv\xE9\r\n"));
    ASSERT_TRUE(table.load(ws.dir(), u"FR"_s));
    EXPECT_EQ(table.text(1), u"Règles"_s);
    EXPECT_EQ(table.text(2), u"Désactivé"_s);
}

TEST_F(TextTableLoad, KeepsBlanksThatJoinATextToTheNameAfterIt)
{
    ws.write(u"kentro_gb.txt"_s,
             "\xEF\xBB\xBFWith a mark\n  both sides  \n\nafter an empty line\n");
    ASSERT_TRUE(table.load(ws.dir(), u"GB"_s));
    EXPECT_EQ(table.text(1), u"With a mark"_s) << "a byte order mark is not part of entry 1";
    EXPECT_EQ(table.text(2), u"  both sides  "_s);
    EXPECT_TRUE(table.text(3).isEmpty());
    EXPECT_EQ(table.text(4), u"after an empty line"_s);
}

TEST_F(TextTableLoad, LoadsEveryShippedLanguage)
{
    ws.installData();
    for (const LanguageInfo& language : languages()) {
        ASSERT_TRUE(table.load(ws.dir(), language.code)) << language.code.toStdString();
        for (int n = 1; n <= TextTable::Size; ++n)
            EXPECT_FALSE(table.text(n).isEmpty()) << language.code.toStdString() << " entry " << n;
    }
    ASSERT_TRUE(table.load(ws.dir(), u"GB"_s));
    EXPECT_EQ(table.text(28), u"On"_s);
    ASSERT_TRUE(table.load(ws.dir(), u"FR"_s));
    EXPECT_EQ(table.text(49), u"Élevé"_s);
}

TEST(TextTableLines, FillsFromLinesAlreadyRead)
{
    TextTable table;
    table.setLines({u"a"_s, QString(80, u'x')});
    EXPECT_EQ(table.text(1), u"a"_s);
    EXPECT_EQ(table.text(2), QString(50, u'x'));
    EXPECT_TRUE(table.text(3).isEmpty());
    table.setLines({});
    EXPECT_TRUE(table.text(1).isEmpty());
}

} // namespace
} // namespace orvanel
