// The start's own reading of the font configuration, against configurations made here.
#include "platform/gui/FontConfiguration.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

using namespace orvanel::platform;

namespace {

constexpr const char* Font = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";

class FontConfigurationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        if (!QFile::exists(QString::fromUtf8(Font)))
            GTEST_SKIP() << "needs fonts-liberation2";
        m_before = qgetenv("FONTCONFIG_FILE");
        m_hadBefore = qEnvironmentVariableIsSet("FONTCONFIG_FILE");
        QDir(m_dir.path()).mkpath(QStringLiteral("fonts"));
        QDir(m_dir.path()).mkpath(QStringLiteral("conf.d"));
        QFile::copy(QString::fromUtf8(Font), path("fonts/LiberationSans-Regular.ttf"));
        // A rule of the included folder: no hinting for this family.
        write("conf.d/10-rule.conf", R"(<?xml version="1.0"?><fontconfig>
            <match target="font"><test name="family"><string>Liberation Sans</string></test>
            <edit name="hintstyle" mode="assign"><const>hintnone</const></edit></match>
            </fontconfig>)");
    }

    void TearDown() override
    {
        if (m_hadBefore)
            qputenv("FONTCONFIG_FILE", m_before);
        else
            qunsetenv("FONTCONFIG_FILE");
    }

    QString path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

    void write(const char* name, const QByteArray& text) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    // A fonts.conf of this folder's fonts, and the configuration read from it.
    FontConfiguration readWith(const QByteArray& body)
    {
        const QByteArray dir = m_dir.path().toUtf8();
        QByteArray text = "<?xml version=\"1.0\"?><fontconfig>" + body + "</fontconfig>";
        text.replace("@", dir);
        write("fonts.conf", text);
        qputenv("FONTCONFIG_FILE", path("fonts.conf").toUtf8());
        return readFontConfiguration();
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_before;
    bool m_hadBefore = false;
};

TEST_F(FontConfigurationTest, ReadsTheFileItsFoldersAndItsIncludes)
{
    const FontConfiguration config =
        readWith("<dir>@/fonts</dir><cachedir>@/cache</cachedir><include>@/conf.d</include>");
    ASSERT_TRUE(config);

    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("Liberation Sans"));
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* fonts = FcFontList(config.get(), pattern, objects);
    ASSERT_NE(fonts, nullptr);
    EXPECT_EQ(fonts->nfont, 1);
    FcFontSetDestroy(fonts);
    FcObjectSetDestroy(objects);

    FcConfigSubstitute(config.get(), pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config.get(), pattern, &result);
    ASSERT_NE(match, nullptr);
    int hintStyle = -1;
    EXPECT_EQ(FcPatternGetInteger(match, FC_HINT_STYLE, 0, &hintStyle), FcResultMatch);
    EXPECT_EQ(hintStyle, FC_HINT_NONE);
    FcPatternDestroy(match);
    FcPatternDestroy(pattern);
}

TEST_F(FontConfigurationTest, UnusableConfigurationsAreLeftToFontconfig)
{
    const struct
    {
        const char* what;
        QByteArray body;
    } cases[] = {
        {"not XML", "<dir>@/fonts</dir><cachedir>@/cache"},
        {"no cache folder", "<dir>@/fonts</dir>"},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(readWith(c.body)) << c.what;

    qputenv("FONTCONFIG_FILE", path("missing.conf").toUtf8());
    EXPECT_FALSE(readFontConfiguration()) << "no file";
}

} // namespace
