#include "lang/Languages.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace orvanel {
namespace {

using namespace Qt::StringLiterals;

TEST(Languages, FollowTheOrderOfTheLanguageChoiceBox)
{
    QStringList codes;
    for (const LanguageInfo& language : languages())
        codes << language.code;
    EXPECT_EQ(codes, (QStringList{u"FR"_s, u"GB"_s, u"ESP"_s, u"DE"_s, u"ITA"_s}));
}

TEST(Languages, NameTheirFilesAsShipped)
{
    // The language files say "es" and "it" where the link files follow the codes.
    const LanguageInfo* spanish = findLanguage(u"ESP");
    ASSERT_NE(spanish, nullptr);
    EXPECT_EQ(spanish->languageFile, u"kentro_es.txt"_s);
    EXPECT_EQ(spanish->linkFile, u"liens_esp.txt"_s);
    const LanguageInfo* italian = findLanguage(u"ITA");
    ASSERT_NE(italian, nullptr);
    EXPECT_EQ(italian->languageFile, u"kentro_it.txt"_s);
    EXPECT_EQ(italian->linkFile, u"liens_ita.txt"_s);
    EXPECT_EQ(findLanguage(u"GB")->languageFile, u"kentro_gb.txt"_s);
    EXPECT_EQ(findLanguage(u"DE")->linkFile, u"liens_de.txt"_s);
}

TEST(Languages, CarryTheBuiltInCategoryWords)
{
    EXPECT_EQ(findLanguage(u"FR")->memoryWord, u"mémoire"_s);
    EXPECT_EQ(findLanguage(u"FR")->linksWord, u"liens"_s);
    EXPECT_EQ(findLanguage(u"GB")->memoryWord, u" memory"_s) << "English keeps its leading blank";
    EXPECT_EQ(findLanguage(u"GB")->linksWord, u"connections"_s);
    EXPECT_EQ(findLanguage(u"DE")->memoryWord, u"memory"_s);
    EXPECT_EQ(findLanguage(u"DE")->linksWord, u"verbindungen"_s);
    EXPECT_EQ(findLanguage(u"ESP")->linksWord, u"conexiones"_s);
    EXPECT_EQ(findLanguage(u"ITA")->linksWord, u"connessioni"_s);
    EXPECT_EQ(findLanguage(u"ITA")->memoryWord, u"memoria"_s);
}

TEST(Languages, AreFoundOnlyByTheirExactCode)
{
    for (const QString& code : {u"gb"_s, u" FR"_s, u"FR "_s, u"ES"_s, u"IT"_s, u"EN"_s, QString()})
        EXPECT_EQ(findLanguage(code), nullptr) << code.toStdString();
    EXPECT_NE(findLanguage(u"ESP"), nullptr);
}

} // namespace
} // namespace orvanel
