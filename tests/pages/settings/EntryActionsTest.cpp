#include "pages/settings/EntryActions.h"
#include "pages/settings/AboutBox.h"
#include "workspace/Maker.h"

#include "TestPanelContext.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

QList<AboutBox*> aboutBoxes(QWidget* window)
{
    return window->findChildren<AboutBox*>(Qt::FindDirectChildrenOnly);
}

TEST(AboutBox, ShowsTheMakerAndTheVersion)
{
    AboutBox box;
    EXPECT_FALSE(box.isModal());
    EXPECT_EQ(box.size(), QSize(298, 213));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());

    auto* panel = box.findChild<QWidget*>(u"Panel1"_s);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->geometry(), QRect(8, 8, 281, 161));

    auto* icon = box.findChild<QLabel*>(u"ProgramIcon"_s);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->geometry(), QRect(8, 8, 65, 57));
    EXPECT_TRUE(icon->hasScaledContents());
    EXPECT_FALSE(icon->pixmap().isNull());

    auto label = [&box](const char* name) { return box.findChild<QLabel*>(QLatin1String(name)); };
    ASSERT_NE(label("Version"), nullptr);
    EXPECT_EQ(label("Version")->text(), u"Version :1.17.08.28"_s);
    EXPECT_EQ(label("Version")->pos(), QPoint(88, 40));
    EXPECT_EQ(label("ProductName")->text(), maker::name());
    EXPECT_EQ(label("NoticeLabel")->text(), maker::notice());
    EXPECT_FALSE(label("Label1")->text().isEmpty());
    EXPECT_EQ(label("Comments")->text(), maker::email());
    EXPECT_TRUE(label("Comments")->wordWrap());
    EXPECT_EQ(label("Comments")->geometry(), QRect(88, 128, 127, 26));

    auto* ok = box.findChild<QPushButton*>(u"OKButton"_s);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->geometry(), QRect(111, 180, 75, 25));
    EXPECT_EQ(ok->text(), u"OK"_s);
    EXPECT_TRUE(ok->isDefault());
}

TEST(AboutEntry, EachChoiceShowsOneMoreBoxAndOpensTheMakerPage)
{
    TestPanelContext context;
    entries::runAboutEntry(context);
    entries::runAboutEntry(context);

    const QList<AboutBox*> boxes = aboutBoxes(context.window());
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_TRUE(boxes[0]->isVisible());
    EXPECT_TRUE(boxes[1]->isVisible());
    EXPECT_FALSE(boxes[0]->isModal());
    EXPECT_EQ(boxes[0]->windowTitle(), u"entry 48"_s);
    EXPECT_EQ(context.fake.urls.opened, QStringList(2, maker::webPage()));

    QTest::mouseClick(boxes[0]->findChild<QPushButton*>(u"OKButton"_s), Qt::LeftButton);
    EXPECT_FALSE(boxes[0]->isVisible());
    EXPECT_TRUE(boxes[1]->isVisible());
    // Closed boxes stay with the main window until the program ends.
    EXPECT_EQ(aboutBoxes(context.window()).size(), 2);
}

TEST(WebPageEntry, OpensTheMakerPageOnly)
{
    TestPanelContext context;
    entries::runWebPageEntry(context);
    EXPECT_EQ(context.fake.urls.opened, QStringList{maker::webPage()});
    EXPECT_TRUE(aboutBoxes(context.window()).isEmpty());
}

const QStringList kQuitOrder = {u"tempsreel.exe"_s, u"scanwapper.exe"_s, u"scandisk.exe"_s,
                                u"ipcp.exe"_s,      u"netpro.exe"_s,     u"majbase.exe"_s,
                                u"serveur.exe"_s,   u"pngi.exe"_s};

void startAllEngines(TestPanelContext& context)
{
    // Listed in an order unlike the quit order, two pngi.exe, and one program the quit
    // entry leaves to the main window.
    for (const QString& name :
         {u"pngi.exe"_s, u"serveur.exe"_s, u"sauvegarde.exe"_s, u"majbase.exe"_s, u"netpro.exe"_s,
          u"ipcp.exe"_s, u"scandisk.exe"_s, u"scanwapper.exe"_s, u"tempsreel.exe"_s, u"pngi.exe"_s})
        context.fake.processes.add(name);
}

TEST(QuitEntry, NoChangesNothing)
{
    TestPanelContext context;
    startAllEngines(context);
    context.fake.prompt.answers = {false};
    entries::runQuitEntry(context);

    EXPECT_EQ(context.fake.prompt.questions, QStringList{u"entry 65"_s});
    EXPECT_TRUE(context.fake.processes.terminated.empty());
    EXPECT_EQ(context.terminationRequests, 0);
}

TEST(QuitEntry, YesStopsTheEightInOrderAndEndsTheProgram)
{
    TestPanelContext context;
    startAllEngines(context);
    context.fake.prompt.answers = {true};
    entries::runQuitEntry(context);

    QStringList expected = kQuitOrder;
    expected.append(u"pngi.exe"_s); // its second instance
    EXPECT_EQ(QStringList(context.fake.processes.terminated.begin(),
                          context.fake.processes.terminated.end()),
              expected);
    EXPECT_EQ(context.fake.processes.count(u"sauvegarde.exe"_s), 1);
    EXPECT_EQ(context.terminationRequests, 1);
}

TEST(QuitEntry, EnginesThatDoNotRunAreSkipped)
{
    TestPanelContext context;
    context.fake.prompt.answers = {true};
    entries::runQuitEntry(context);
    EXPECT_TRUE(context.fake.processes.terminated.empty());
    EXPECT_EQ(context.terminationRequests, 1);
}

} // namespace
} // namespace orvanel::testing
