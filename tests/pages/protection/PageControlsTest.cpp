// The page buttons by glyph kind, which every page with buttons uses.
#include "pages/PageControls.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel {
namespace {

TEST(PageControlsTest, KindsGiveCaptionDefaultAndEscape)
{
    const struct
    {
        GlyphKind kind;
        QString caption;
        QString shown;
        bool isDefault;
        bool answersEscape;
    } cases[] = {
        {GlyphKind::OK, QString(), u"OK"_s, true, false},
        {GlyphKind::No, QString(), u"No"_s, false, true},
        {GlyphKind::All, QString(), u"All"_s, false, false},
        {GlyphKind::Abort, u"entry 7"_s, u"entry 7"_s, false, false},
    };
    for (const auto& c : cases) {
        QWidget window;
        window.resize(200, 100);
        QPushButton* button =
            makeGlyphButton(&window, u"BitBtn9"_s, c.kind, QRect(8, 16, 75, 25), c.caption);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        EXPECT_EQ(button->objectName(), u"BitBtn9"_s);
        EXPECT_EQ(button->parentWidget(), &window);
        EXPECT_EQ(button->geometry(), QRect(8, 16, 75, 25));
        EXPECT_EQ(button->text(), c.shown);
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_EQ(button->isDefault(), c.isDefault);
        QSignalSpy clicked(button, &QPushButton::clicked);
        QTest::keyClick(&window, Qt::Key_Escape);
        if (c.answersEscape)
            EXPECT_TRUE(clicked.wait(1000));
        else
            EXPECT_EQ(clicked.count(), 0);
    }
}

} // namespace
} // namespace orvanel
