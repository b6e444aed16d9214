#include "pages/settings/FileScramblingPage.h"

#include "TestPanelContext.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

class FileScramblingPageTest : public ::testing::Test
{
protected:
    FileScramblingPageTest() { page.build(&panel); }

    QByteArray get(const QString& name)
    {
        return context.workspace().exists(name) ? context.workspace().read(name) : QByteArray();
    }
    // Names the two files and clicks BitBtn25 (scramble) or BitBtn26 (restore).
    void press(const QString& button, const QString& left, const QString& right, bool answer)
    {
        panel.findChild<QLineEdit*>(u"LeftFileField"_s)->setText(context.workspace().path(left));
        panel.findChild<QLineEdit*>(u"RightFileField"_s)->setText(context.workspace().path(right));
        context.fake.prompt.answers = {answer};
        QTest::mouseClick(panel.findChild<QPushButton*>(button), Qt::LeftButton);
    }

    TestPanelContext context;
    QWidget panel;
    FileScramblingPage page{context};
};

TEST_F(FileScramblingPageTest, PlacedControlsScrambleAndRestoreByteForByte)
{
    const std::pair<const char*, QRect> placed[] = {{"LeftFileField", {32, 32, 121, 21}},
                                                    {"RightFileField", {220, 32, 121, 21}},
                                                    {"BitBtn25", {32, 62, 75, 25}},
                                                    {"BitBtn26", {220, 62, 75, 25}}};
    for (const auto& [name, geometry] : placed)
        EXPECT_EQ(panel.findChild<QWidget*>(QLatin1String(name))->geometry(), geometry) << name;
    EXPECT_EQ(panel.findChild<QPushButton*>(u"BitBtn26"_s)->text(), u"entry 98"_s);
    EXPECT_TRUE(QRegularExpression(u"^[a-z]{6}$"_s).match(page.keyWord()).hasMatch());

    const QByteArray original = QByteArray("plain words ").repeated(200);
    context.workspace().write(u"plain.txt"_s, original);
    press(u"BitBtn25"_s, u"plain.txt"_s, u"scrambled.bin"_s, true);
    const QByteArray scrambled = get(u"scrambled.bin"_s);
    ASSERT_EQ(scrambled.size(), original.size());
    const auto key = std::uint32_t(scrambling::startingKey(page.keyWord()));
    EXPECT_EQ(std::uint8_t(scrambled[2048]), std::uint8_t(original[2048] + key + 2048));

    context.workspace().write(u"plain.txt"_s, "overwritten meanwhile");
    press(u"BitBtn26"_s, u"plain.txt"_s, u"scrambled.bin"_s, true);
    EXPECT_TRUE(get(u"plain.txt"_s) == original);
    EXPECT_EQ(context.fake.prompt.questions, QStringList(2, u"entry 65"_s));
}

TEST_F(FileScramblingPageTest, AnswersAndFieldsThatWriteNothing)
{
    const struct
    {
        QString button, left, right;
        bool answer;
        int errors;
    } cases[] = {
        {u"BitBtn25"_s, u"a.txt"_s, u"b.txt"_s, false, 0},   // No
        {u"BitBtn26"_s, u"a.txt"_s, u"b.txt"_s, false, 0},   // No
        {u"BitBtn25"_s, u"none.txt"_s, u"b.txt"_s, true, 0}, // missing source
        {u"BitBtn26"_s, u"a.txt"_s, u"none.txt"_s, true, 0}, // missing source
        {u"BitBtn25"_s, u"a.txt"_s, u"a.txt"_s, true, 1},    // the same file in both
        {u"BitBtn26"_s, u"b.txt"_s, u"b.txt"_s, true, 1},    // the same file in both
    };
    for (const auto& c : cases) {
        context.workspace().write(u"a.txt"_s, "first file");
        context.workspace().write(u"b.txt"_s, "second file");
        context.fake.prompt.errors.clear();
        press(c.button, c.left, c.right, c.answer);
        const std::string name = QString(c.button + u' ' + c.left + u' ' + c.right).toStdString();
        EXPECT_EQ(get(u"a.txt"_s), "first file") << name;
        EXPECT_EQ(get(u"b.txt"_s), "second file") << name;
        EXPECT_FALSE(context.workspace().exists(u"none.txt"_s)) << name;
        EXPECT_EQ(context.fake.prompt.errors.size(), c.errors) << name;
    }
}

} // namespace
} // namespace orvanel::testing
