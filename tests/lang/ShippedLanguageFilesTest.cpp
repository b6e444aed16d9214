// The language and link files shipped beside the program: every text fits its place and
// the category dispatch can tell every caption apart.

#include "lang/Languages.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QStringDecoder>
#include <QUrl>

#include <gtest/gtest.h>

namespace orvanel {
namespace {

using namespace Qt::StringLiterals;

QByteArray shipped(const QString& name)
{
    QFile file(QDir(QStringLiteral(ORVANEL_DATA_DIR)).filePath(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

// The lines of a shipped file, which must be clean UTF-8 with LF ends and a final LF.
QStringList shippedLines(const QString& name)
{
    const QByteArray bytes = shipped(name);
    EXPECT_FALSE(bytes.contains('\r')) << name.toStdString();
    EXPECT_TRUE(bytes.endsWith('\n')) << name.toStdString();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    EXPECT_FALSE(utf8.hasError()) << name.toStdString() << " is not UTF-8";
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

qsizetype characters(const QString& text)
{
    return text.toUcs4().size();
}

// Entries that key a page: the category captions and the two pages without a category.
const int kKeyEntries[] = {1,  2,  3,  4,  5,  6,  25, 48, 57, 58,
                           59, 60, 61, 62, 63, 64, 85, 99, 90, 96};
// Entries followed directly by a name, a drive or a table caption.
const int kLeadInEntries[] = {20, 22, 23, 91};

class ShippedLanguage : public ::testing::TestWithParam<int>
{
protected:
    const LanguageInfo& language() const
    {
        return languages().at(static_cast<std::size_t>(GetParam()));
    }
    QStringList lines() const { return shippedLines(language().languageFile); }
};

TEST_P(ShippedLanguage, HasExactlyOneHundredAndOneFilledLinesOfAtMostFiftyCharacters)
{
    const QStringList entries = lines();
    ASSERT_EQ(entries.size(), 101);
    for (int n = 1; n <= 101; ++n) {
        const QString& entry = entries.at(n - 1);
        EXPECT_FALSE(entry.trimmed().isEmpty()) << "entry " << n;
        EXPECT_LE(characters(entry), 50) << "entry " << n << ": " << entry.toStdString();
    }
}

TEST_P(ShippedLanguage, PageKeysDifferFromEachOtherAndFromTheBuiltInWords)
{
    const QStringList entries = lines();
    ASSERT_EQ(entries.size(), 101);
    QSet<QString> seen{language().linksWord, language().memoryWord};
    ASSERT_EQ(seen.size(), 2);
    for (int n : kKeyEntries) {
        const QString& caption = entries.at(n - 1);
        EXPECT_FALSE(seen.contains(caption))
            << "entry " << n << " repeats " << caption.toStdString();
        seen.insert(caption);
    }
}

TEST_P(ShippedLanguage, CategoryCaptionsFitTheCategoryList)
{
    const QStringList entries = lines();
    ASSERT_EQ(entries.size(), 101);
    for (int n : kKeyEntries)
        EXPECT_LE(characters(entries.at(n - 1)), 20) << "entry " << n;
}

TEST_P(ShippedLanguage, AlertLevelCaptionsAreShortAndDistinct)
{
    const QStringList entries = lines();
    ASSERT_EQ(entries.size(), 101);
    const QSet<QString> levels{entries.at(48), entries.at(49), entries.at(50)};
    EXPECT_EQ(levels.size(), 3);
    for (const QString& level : levels)
        EXPECT_LE(characters(level), 7) << level.toStdString();
    EXPECT_NE(entries.at(27), entries.at(28)) << "the on and off words must differ";
}

TEST_P(ShippedLanguage, LeadInQuestionsEndWithABlankBeforeTheName)
{
    const QStringList entries = lines();
    ASSERT_EQ(entries.size(), 101);
    for (int n : kLeadInEntries)
        EXPECT_TRUE(entries.at(n - 1).endsWith(u' ')) << "entry " << n;
}

TEST_P(ShippedLanguage, LinkFileHoldsOnlyWebAddressesThatOpenAsTheyStand)
{
    const QStringList links = shippedLines(language().linkFile);
    EXPECT_GE(links.size(), 5);
    EXPECT_LE(links.size(), 8);
    EXPECT_EQ(QSet<QString>(links.begin(), links.end()).size(), links.size()) << "duplicate link";
    for (const QString& line : links) {
        // The page hands the line unchanged to the system's opener.
        const QUrl url(line, QUrl::StrictMode);
        EXPECT_TRUE(url.isValid()) << line.toStdString();
        EXPECT_EQ(url.scheme(), u"https"_s) << line.toStdString();
        EXPECT_FALSE(url.host().isEmpty()) << line.toStdString();
        EXPECT_EQ(line, line.trimmed()) << line.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllLanguages, ShippedLanguage, ::testing::Range(0, 5),
    [](const ::testing::TestParamInfo<int>& info) {
        return languages().at(static_cast<std::size_t>(info.param)).code.toStdString();
    });

TEST(ShippedLanguageFiles, NoOtherTextFileLiesBesideThem)
{
    // Every *.txt of the data folder is copied beside the program, where the engines and
    // the modification logs page look for files too; only the ten known files belong.
    QStringList expected;
    for (const LanguageInfo& language : languages())
        expected << language.languageFile << language.linkFile;
    expected.sort();
    QStringList found = QDir(QStringLiteral(ORVANEL_DATA_DIR)).entryList({u"*.txt"_s}, QDir::Files);
    found.removeAll(u"CMakeLists.txt"_s);
    found.sort();
    EXPECT_EQ(found, expected);
}

} // namespace
} // namespace orvanel
