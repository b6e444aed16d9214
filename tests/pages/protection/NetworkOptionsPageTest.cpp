#include "pages/protection/NetworkOptionsPage.h"

#include "panel/StatusFlags.h"
#include "pages/settings/TestPanelContext.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

TEST(NetworkOptionsPage, ClicksSetTheTenthAndEleventhFlagsOfTheStatusLine)
{
    TestPanelContext context;
    EXPECT_EQ(statusFlagsLine(context.state()).mid(18, 4), u" 0 0"_s); // never opened
    const struct
    {
        QStringList clicks; // after the build
        bool checkBefore;   // what an earlier visit left
        const char* flags;
    } cases[] = {
        {{}, false, " 0 1"},
        {{}, true, " 1 1"}, // the box shows clear, the switch stays on
        {{u"CheckBox1"_s}, false, " 1 1"},
        {{u"CheckBox1"_s, u"CheckBox1"_s}, true, " 0 1"},
        {{u"radiobutton2"_s}, false, " 0 0"},
        {{u"radiobutton2"_s, u"radiobutton1"_s}, false, " 0 1"},
    };
    for (const auto& c : cases) {
        context.state().networkCheck = c.checkBefore;
        context.state().networkChoice = false;
        QWidget panel;
        NetworkOptionsPage page(context);
        page.build(&panel);
        auto* box = panel.findChild<QCheckBox*>(u"CheckBox1"_s);
        EXPECT_FALSE(box->isChecked());
        EXPECT_EQ(box->geometry(), QRect(8, 24, 97, 17));
        EXPECT_EQ(box->parentWidget()->geometry(), QRect(152, 80, 185, 105));
        EXPECT_EQ(panel.findChild<QRadioButton*>(u"radiobutton2"_s)->geometry(),
                  QRect(8, 80, 113, 17));
        for (const QString& name : c.clicks)
            QTest::mouseClick(panel.findChild<QAbstractButton*>(name), Qt::LeftButton, {},
                              QPoint(6, 8));
        EXPECT_EQ(statusFlagsLine(context.state()).mid(18, 4), QLatin1String(c.flags))
            << c.clicks.join(u' ').toStdString() << " " << c.checkBefore;
    }
}

} // namespace
} // namespace orvanel::testing
