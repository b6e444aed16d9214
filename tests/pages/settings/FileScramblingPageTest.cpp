#include "pages/settings/FileScramblingPage.h"

#include "TestPanelContext.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

class FileScramblingPageTest : public ::testing::Test
{
protected:
    FileScramblingPageTest()
    {
        panel.setGeometry(176, 48, 609, 369);
        panel.show();
        page = std::make_unique<FileScramblingPage>(context);
        page->build(&panel);
    }

    template <typename W> W* control(const QString& name) const
    {
        return panel.findChild<W*>(name);
    }
    QString path(const QString& name) const { return context.workspace().path(name); }
    QByteArray get(const QString& name) const
    {
        return context.workspace().exists(name) ? context.workspace().read(name) : QByteArray();
    }

    // Names the two files in the fields and clicks BitBtn25 (scramble) or BitBtn26 (restore).
    void press(const char* button, const QString& left, const QString& right, bool answer)
    {
        control<QLineEdit>(u"LeftFileField"_s)->setText(path(left));
        control<QLineEdit>(u"RightFileField"_s)->setText(path(right));
        context.fake.prompt.answers = {answer};
        QTest::mouseClick(control<QPushButton>(QString::fromLatin1(button)), Qt::LeftButton);
    }

    mutable TestPanelContext context;
    QWidget panel;
    std::unique_ptr<FileScramblingPage> page;
};

TEST_F(FileScramblingPageTest, ControlsArePlacedAndTheKeyWordIsSixLowercaseLetters)
{
    const struct
    {
        const char* name;
        QRect geometry;
        const char* caption;
    } expected[] = {{"LeftFileField", {32, 32, 121, 21}, ""},
                    {"RightFileField", {220, 32, 121, 21}, ""},
                    {"BitBtn25", {32, 62, 75, 25}, "entry 97"},
                    {"BitBtn26", {220, 62, 75, 25}, "entry 98"}};
    for (const auto& e : expected) {
        auto* widget = control<QWidget>(QString::fromLatin1(e.name));
        ASSERT_NE(widget, nullptr) << e.name;
        EXPECT_EQ(widget->parentWidget(), &panel) << e.name;
        EXPECT_EQ(widget->geometry(), e.geometry) << e.name;
        const QString text = qobject_cast<QPushButton*>(widget)
                                 ? qobject_cast<QPushButton*>(widget)->text()
                                 : qobject_cast<QLineEdit*>(widget)->text();
        EXPECT_EQ(text, QString::fromLatin1(e.caption)) << e.name;
    }
    EXPECT_FALSE(control<QPushButton>(u"BitBtn25"_s)->icon().isNull());
    const QString word = page->keyWord();
    ASSERT_EQ(word.size(), 6);
    for (const QChar c : word)
        EXPECT_TRUE(c >= u'a' && c <= u'z') << word.toStdString();
}

TEST_F(FileScramblingPageTest, ScrambleThenRestoreGivesTheFileBackByteForByte)
{
    const QByteArray original = QByteArray("plain words ").repeated(200); // 2,400 bytes
    context.workspace().write(u"plain.txt"_s, original);
    press("BitBtn25", u"plain.txt"_s, u"scrambled.bin"_s, true);

    const QByteArray scrambled = get(u"scrambled.bin"_s);
    ASSERT_EQ(scrambled.size(), original.size());
    const auto key = std::uint32_t(scrambling::startingKey(page->keyWord()));
    EXPECT_EQ(std::uint8_t(scrambled[2048]),
              std::uint8_t(std::uint8_t(original[2048]) + key + 2048));

    context.workspace().write(u"plain.txt"_s, "overwritten meanwhile");
    press("BitBtn26", u"plain.txt"_s, u"scrambled.bin"_s, true);
    EXPECT_TRUE(get(u"plain.txt"_s) == original);
    EXPECT_EQ(context.fake.prompt.questions, QStringList(2, u"entry 65"_s));
    EXPECT_TRUE(context.fake.prompt.errors.isEmpty());
}

TEST_F(FileScramblingPageTest, AnswersAndFieldsThatWriteNothing)
{
    const struct
    {
        const char* name;
        const char* button;
        QString left;
        QString right;
        bool answer;
        bool errorShown;
    } cases[] = {
        {"No to scrambling", "BitBtn25", u"a.txt"_s, u"b.txt"_s, false, false},
        {"No to restoring", "BitBtn26", u"a.txt"_s, u"b.txt"_s, false, false},
        {"missing source of scrambling", "BitBtn25", u"none.txt"_s, u"b.txt"_s, true, false},
        {"missing source of restoring", "BitBtn26", u"a.txt"_s, u"none.txt"_s, true, false},
        {"same file in both fields, scrambling", "BitBtn25", u"a.txt"_s, u"a.txt"_s, true, true},
        {"same file in both fields, restoring", "BitBtn26", u"b.txt"_s, u"b.txt"_s, true, true},
    };
    for (const auto& c : cases) {
        context.workspace().write(u"a.txt"_s, "first file");
        context.workspace().write(u"b.txt"_s, "second file");
        context.fake.prompt.errors.clear();
        press(c.button, c.left, c.right, c.answer);
        EXPECT_EQ(get(u"a.txt"_s), "first file") << c.name;
        EXPECT_EQ(get(u"b.txt"_s), "second file") << c.name;
        EXPECT_FALSE(context.workspace().exists(u"none.txt"_s)) << c.name;
        EXPECT_EQ(context.fake.prompt.errors.size(), c.errorShown ? 1 : 0) << c.name;
    }
}

} // namespace
} // namespace orvanel::testing
