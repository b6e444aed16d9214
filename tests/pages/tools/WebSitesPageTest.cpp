#include "pages/tools/WebSitesPage.h"

#include "pages/settings/TestPanelContext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

using Site = std::pair<QString, QString>;

const QString kResolver = u"ipcp.exe"_s;
const QString kAnswer = u"ipcp.txt"_s;

class WebSitesPageTest : public ::testing::Test
{
protected:
    WebSitesPageTest()
    {
        panel->setGeometry(176, 48, 609, 369);
        panel->show();
        EXPECT_TRUE(context.tables().create(TableId::Sites));
        EXPECT_TRUE(context.tables().create(TableId::Configuration));
    }
    ~WebSitesPageTest() override
    {
        // The page host's order: the controls go first, then the page.
        delete panel.data();
        page.reset();
    }

    void build()
    {
        page = std::make_unique<WebSitesPage>(context);
        page->build(panel);
        page->setResolverPause(std::chrono::milliseconds(0));
    }

    void seed(const QList<Site>& sites)
    {
        context.tables().use(TableId::Sites, [&](Table& table) {
            for (const auto& [name, address] : sites) {
                table.insert();
                table.setValue(u"Champ1", name);
                table.setValue(u"Champ2", address);
                table.post();
            }
            return true;
        });
    }

    QList<Site> stored()
    {
        QList<Site> sites;
        context.tables().use(TableId::Sites, [&](Table& table) {
            for (table.first(); !table.atEnd(); table.next())
                sites.append({table.value(u"Champ1"), table.value(u"Champ2")});
            return false;
        });
        return sites;
    }

    template <typename T> T* control(const QString& name) const
    {
        return panel->findChild<T*>(name);
    }

    static QStringList items(const QComboBox* box)
    {
        QStringList out;
        for (int i = 0; i < box->count(); ++i)
            out.append(box->itemText(i));
        return out;
    }

    void addSite(const QString& typed)
    {
        control<QLineEdit>(u"Edit1"_s)->setText(typed);
        control<QPushButton>(u"BitBtn14"_s)->click();
    }

    // What ipcp.exe does: the answer written beside ipcp.txt and renamed over it, then
    // the program ends.
    void resolverAnswers(const char* answer)
    {
        if (answer) {
            context.workspace().write(kAnswer + u".new"_s, answer);
            ASSERT_EQ(std::rename(QFile::encodeName(context.workspace().path(kAnswer + u".new"_s)),
                                  QFile::encodeName(context.workspace().path(kAnswer))),
                      0);
        }
        for (const auto& process : context.fake.processes.snapshot()) {
            if (process.name == kResolver)
                context.fake.processes.terminate(process.pid);
        }
    }

    // Lets the window's event loop run the wait's timer.
    void runEventLoop(int rounds = 20)
    {
        for (int i = 0; i < rounds; ++i)
            QCoreApplication::processEvents();
    }

    int notifications() const { return context.fake.spawner.count(u"msgs.exe"_s); }

    TestPanelContext context;
    QPointer<QWidget> panel = new QWidget;
    std::unique_ptr<WebSitesPage> page;
};

TEST_F(WebSitesPageTest, ControlsArePlacedAndCaptioned)
{
    build();
    const struct
    {
        const char* name;
        QRect geometry;
        const char* caption; // null for a control without one
        bool visible;
    } expected[] = {
        {"CheckBox5", {32, 32, 137, 17}, "entry 62", true},
        {"CheckBox14", {32, 220, 137, 17}, "entry 62  entry 59", false},
        {"Edit1", {160, 56, 257, 21}, nullptr, true},
        {"BitBtn14", {104, 96, 75, 25}, "OK", true},
        {"BitBtn16", {256, 96, 75, 25}, "entry 15", true},
        {"BitBtn17", {400, 96, 75, 25}, "entry 18", true},
        {"site name box", {112, 160, 361, 21}, nullptr, true},
        {"site address box", {112, 192, 361, 221}, nullptr, false},
    };
    for (const auto& e : expected) {
        const QWidget* widget = control<QWidget>(QString::fromLatin1(e.name));
        ASSERT_NE(widget, nullptr) << e.name;
        EXPECT_EQ(widget->parentWidget(), panel.data()) << e.name;
        EXPECT_EQ(widget->geometry(), e.geometry) << e.name;
        EXPECT_EQ(widget->isVisible(), e.visible) << e.name;
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget);
            button && e.caption) {
            EXPECT_EQ(button->text(), QString::fromLatin1(e.caption)) << e.name;
        }
    }
    EXPECT_TRUE(control<QPushButton>(u"BitBtn14"_s)->isDefault());
    // The page's Edit1 takes the window's slot and leaves it with the page.
    EXPECT_EQ(context.editSlot(1).data(), control<QLineEdit>(u"Edit1"_s));
    delete panel.data();
    EXPECT_TRUE(context.editSlot(1).isNull());
}

TEST_F(WebSitesPageTest, BuildShowsNamedSitesAndRunsTheHandlersOfSwitchesThatAreOff)
{
    seed({{u"a.com"_s, u"1.1.1.1"_s}, {QString(), u"9.9.9.9"_s}, {u"my site"_s, u"2.2.2.2"_s}});
    const struct
    {
        bool siteFilter;
        bool ctrlpl;
        int writerRuns;
        const char* ctrlplFile; // null: not written
    } cases[] = {{true, true, 0, nullptr}, {false, true, 1, nullptr}, {true, false, 0, "0\r\n"}};
    for (const auto& c : cases) {
        context.state().switches.set(Switch::SiteFilter, c.siteFilter);
        context.state().ctrlpl = c.ctrlpl;
        context.clicks.clear();
        QFile::remove(context.workspace().path(u"ctrlpl.txt"_s));
        build();
        SCOPED_TRACE(::testing::Message() << c.siteFilter << c.ctrlpl);
        EXPECT_EQ(items(control<QComboBox>(u"site name box"_s)),
                  (QStringList{u"a.com"_s, u"my site"_s}));
        EXPECT_EQ(items(control<QComboBox>(u"site address box"_s)),
                  (QStringList{u"1.1.1.1"_s, u"2.2.2.2"_s}));
        EXPECT_EQ(control<QComboBox>(u"site name box"_s)->currentText(), QString());
        EXPECT_EQ(context.clicks.size(), c.writerRuns);
        EXPECT_EQ(context.workspace().exists(u"ctrlpl.txt"_s), c.ctrlplFile != nullptr);
        if (c.ctrlplFile) {
            EXPECT_EQ(context.workspace().read(u"ctrlpl.txt"_s), QByteArray(c.ctrlplFile));
        }
        delete panel.data();
        panel = new QWidget;
    }

    build();
    control<QCheckBox>(u"CheckBox14"_s)->setChecked(true);
    EXPECT_TRUE(context.state().ctrlpl);
    EXPECT_EQ(context.workspace().read(u"ctrlpl.txt"_s), QByteArray("1\r\n"));
}

TEST_F(WebSitesPageTest, AddStoresTheAnswerOfThisLookupOnly)
{
    const struct
    {
        const char* label;
        const char* typed;
        const char* before;  // ipcp.txt before the click; null: none
        const char* written; // what ipcp.exe writes; null: it leaves the file alone
        QList<Site> stored;
        bool notified;
        const char* editAfter;
    } cases[] = {
        {"blanks trimmed for the table only",
         "  example.com  ",
         nullptr,
         "example.com\r\n93.184.216.34\r\n",
         {{u"example.com"_s, u"93.184.216.34"_s}},
         false,
         ""},
        {"blank inside the name",
         "my site.org",
         "old\r\n192.0.2.1\r\n",
         "my site.org\r\naddress 10.0.0.1 found\r\n",
         {{u"my site.org"_s, u"10.0.0.1"_s}},
         false,
         ""},
        {"digits inside words stay",
         "w.com",
         nullptr,
         "w.com\r\nhost2 1.2.3.4 v6",
         {{u"w.com"_s, u"21.2.3.46"_s}},
         false,
         ""},
        {"same answer written again",
         "a.com",
         "a.com\r\n1.1.1.1\r\n",
         "a.com\r\n1.1.1.1\r\n",
         {{u"a.com"_s, u"1.1.1.1"_s}},
         false,
         ""},
        {"stale answer of an earlier site",
         "new.example",
         "old.example\r\n192.0.2.1\r\n",
         nullptr,
         {},
         true,
         ""},
        {"empty answer", "none.example", "old\r\n1.1.1.1\r\n", "", {}, true, ""},
        {"no answer file", "gone.example", nullptr, nullptr, {}, false, "gone.example"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        context.tables().create(TableId::Sites);
        QFile::remove(context.workspace().path(kAnswer));
        if (c.before)
            context.workspace().write(kAnswer, c.before);
        context.fake.spawner.calls.clear();
        build();

        addSite(QString::fromUtf8(c.typed));
        ASSERT_TRUE(page->isWaitingForResolver());
        ASSERT_EQ(context.fake.spawner.calls.size(), 1u);
        EXPECT_EQ(context.fake.spawner.calls[0].arguments, QStringList{QString::fromUtf8(c.typed)});
        resolverAnswers(c.written);
        runEventLoop();

        EXPECT_FALSE(page->isWaitingForResolver());
        EXPECT_EQ(stored(), c.stored);
        QStringList names;
        for (const auto& site : c.stored)
            names.append(site.first);
        EXPECT_EQ(items(control<QComboBox>(u"site name box"_s)), names);
        EXPECT_EQ(notifications(), c.notified ? 1 : 0);
        EXPECT_EQ(control<QLineEdit>(u"Edit1"_s)->text(), QString::fromUtf8(c.editAfter));
        EXPECT_TRUE(control<QPushButton>(u"BitBtn14"_s)->isEnabled());
        delete panel.data();
        panel = new QWidget;
    }
}

TEST_F(WebSitesPageTest, TheFirstSiteAddedShowsTheLimitsOfBlockingOnce)
{
    build();
    for (const char* name : {"first.example", "second.example"}) {
        addSite(QString::fromLatin1(name));
        resolverAnswers((std::string(name) + "\r\n192.0.2.1\r\n").c_str());
        runEventLoop();
    }
    ASSERT_EQ(stored().size(), 2);
    ASSERT_EQ(context.fake.prompt.notices.size(), 1);
    EXPECT_TRUE(context.fake.prompt.notices.first().contains(u"DNS over HTTPS"_s));
    EXPECT_TRUE(QFile::exists(context.workspace().path(u".sitesnotice"_s)));
    // Another visit of the page keeps quiet: the side file remembers.
    delete panel.data();
    panel = new QWidget;
    build();
    addSite(u"third.example"_s);
    resolverAnswers("third.example\r\n192.0.2.1\r\n");
    runEventLoop();
    EXPECT_EQ(stored().size(), 3);
    EXPECT_EQ(context.fake.prompt.notices.size(), 1);
}

TEST_F(WebSitesPageTest, WaitForTheResolverKeepsTheWindowAnsweringAndIsBounded)
{
    context.workspace().write(kAnswer, "old.example\r\n192.0.2.1\r\n");
    build();
    addSite(u"slow.example"_s);
    runEventLoop(); // the window answers while ipcp.exe runs
    EXPECT_TRUE(page->isWaitingForResolver());
    EXPECT_FALSE(control<QPushButton>(u"BitBtn14"_s)->isEnabled());
    control<QPushButton>(u"BitBtn14"_s)->click(); // a second add waits for the first
    EXPECT_EQ(context.fake.spawner.count(kResolver), 1);

    context.fake.clock.current = context.fake.clock.current.addSecs(29);
    runEventLoop();
    EXPECT_TRUE(page->isWaitingForResolver());
    context.fake.clock.current = context.fake.clock.current.addSecs(2);
    runEventLoop();

    EXPECT_FALSE(page->isWaitingForResolver());
    EXPECT_EQ(context.fake.processes.terminated, std::vector<QString>{kResolver});
    EXPECT_EQ(notifications(), 1);
    EXPECT_TRUE(stored().isEmpty());
    EXPECT_TRUE(control<QPushButton>(u"BitBtn14"_s)->isEnabled());
}

TEST_F(WebSitesPageTest, LeavingThePageEndsTheWait)
{
    build();
    addSite(u"late.example"_s);
    ASSERT_TRUE(page->isWaitingForResolver());
    delete panel.data();
    page.reset();
    resolverAnswers("late.example\r\n192.0.2.7\r\n");
    runEventLoop();
    EXPECT_TRUE(stored().isEmpty());
    EXPECT_EQ(notifications(), 0);
}

TEST_F(WebSitesPageTest, RemoveTakesEveryRowOfTheNameAndKeepsTheOthersWithTheirAddresses)
{
    const QList<Site> sites = {{u"a.com"_s, u"1.1.1.1"_s},
                               {u"b.com"_s, u"2.2.2.2"_s},
                               {u"a.com"_s, u"3.3.3.3"_s},
                               {QString(), u"4.4.4.4"_s},
                               {u"c d.com"_s, u"5.5.5.5"_s}};
    const struct
    {
        const char* removed;
        QList<int> kept; // positions in `sites`
    } cases[] = {{"a.com", {1, 3, 4}},
                 {"c d.com", {0, 1, 2, 3}},
                 {"A.COM", {0, 1, 2, 3, 4}},
                 {"", {0, 1, 2, 4}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.removed);
        context.tables().create(TableId::Sites);
        seed(sites);
        build();
        control<QComboBox>(u"site name box"_s)->setEditText(QString::fromUtf8(c.removed));
        control<QPushButton>(u"BitBtn16"_s)->click();

        QList<Site> expected;
        QStringList names, addresses;
        for (int i : c.kept) {
            expected.append(sites[i]);
            names.append(sites[i].first);
            addresses.append(sites[i].second);
        }
        EXPECT_EQ(stored(), expected);
        // After the rewrite the boxes show every kept row, an empty name included.
        EXPECT_EQ(items(control<QComboBox>(u"site name box"_s)), names);
        EXPECT_EQ(items(control<QComboBox>(u"site address box"_s)), addresses);
        delete panel.data();
        panel = new QWidget;
    }
}

TEST_F(WebSitesPageTest, RemoveAllEmptiesTableAndBoxes)
{
    seed({{u"a.com"_s, u"1.1.1.1"_s}, {u"b.com"_s, u"2.2.2.2"_s}});
    build();
    control<QPushButton>(u"BitBtn17"_s)->click();
    EXPECT_TRUE(stored().isEmpty());
    EXPECT_EQ(control<QComboBox>(u"site name box"_s)->count(), 0);
    EXPECT_EQ(control<QComboBox>(u"site address box"_s)->count(), 0);
}

} // namespace
} // namespace orvanel::testing
