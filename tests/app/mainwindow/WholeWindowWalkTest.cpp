// The whole window as a person walks it: every page opened after every other page by a
// click in the category list, in each language, on a fresh workspace and on one with
// long rule and alert tables; and pages left while another page still waits or reads.
#include "WindowFixture.h"

#include "lang/Languages.h"
#include "pages/Page.h"
#include "pages/PageRegistry.h"
#include "pages/ReportList.h"
#include "pages/protection/AlertsPage.h"
#include "pages/protection/RulesPage.h"
#include "pages/tools/FolderSearchPage.h"
#include "pages/tools/WebSitesPage.h"
#include "workspace/Table.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <typeinfo>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

constexpr int LongTableRows = 10000;

// A page a person can reach: the category list row that shows it and the page it is.
struct Destination
{
    int row = -1;
    QString caption;
    const std::type_info* page = nullptr;
};

// Every ordered pair of n places, visited once each: a closed walk that starts and ends
// at place 0 (Hierholzer's circuit over the complete directed graph).
std::vector<int> everyOrderedPair(int n)
{
    std::vector<std::vector<int>> next(n);
    for (int from = 0; from < n; ++from) {
        for (int to = n - 1; to >= 0; --to) {
            if (to != from)
                next[from].push_back(to);
        }
    }
    std::vector<int> stack{0}, circuit;
    while (!stack.empty()) {
        const int at = stack.back();
        if (next[at].empty()) {
            circuit.push_back(at);
            stack.pop_back();
        } else {
            stack.push_back(next[at].back());
            next[at].pop_back();
        }
    }
    return {circuit.rbegin(), circuit.rend()};
}

void writeLongTable(const QString& path, TableId id)
{
    Table table;
    defineFields(table, id);
    table.createEmpty();
    for (int i = 0; i < LongTableRows; ++i) {
        table.insert();
        table.setValue(u"Champ1", u"program%1.exe"_s.arg(i));
        table.setValue(u"Champ2", u"08/12/2026 10:%1:00"_s.arg(i % 60, 2, 10, QChar(u'0')));
        table.setValue(u"Champ3", u"TCP"_s);
        table.setValue(u"Champ4", i % 3 ? u"1"_s : u"?"_s);
        table.setValue(u"Champ8", u"/home/tester/bin/program%1.exe"_s.arg(i));
        table.post();
    }
    ASSERT_TRUE(table.save(path));
}

struct Workspace
{
    QString language;
    bool longTables = false;
};

void PrintTo(const Workspace& workspace, std::ostream* os)
{
    *os << workspace.language.toStdString()
        << (workspace.longTables ? " with long tables" : " fresh");
}

std::string nameOf(const ::testing::TestParamInfo<Workspace>& info)
{
    return info.param.language.toStdString() + (info.param.longTables ? "_LongTables" : "_Fresh");
}

class WholeWindowWalk : public ::testing::TestWithParam<Workspace>
{
protected:
    void SetUp() override
    {
        ws.installData();
        ASSERT_TRUE(storeLanguage(ws, GetParam().language));
        if (GetParam().longTables) {
            writeLongTable(ws.path(u"regles.xml"_s), TableId::Rules);
            writeLongTable(ws.path(u"alertes.xml"_s), TableId::Alerts);
        }
        // The folder trees of the cookies and downloads page show real folders.
        for (const QString& folder :
             {u"home/Downloads/a"_s, u"home/Downloads/b"_s, u"home/Desktop"_s})
            QDir(ws.dir()).mkpath(folder);
        fake.user.home = ws.path(u"home"_s);
        fake.user.downloads = ws.path(u"home/Downloads"_s);
        fake.user.desktop = ws.path(u"home/Desktop"_s);

        openWindow();
        destinations = reachablePages();
    }

    // A new window on the workspace: it opens on the dashboard and keeps no list yet.
    void openWindow()
    {
        window.reset();
        window = std::make_unique<MainWindow>(ws.dir(), fake.services());
        ASSERT_TRUE(window->FormCreate()) << fake.prompt.errors.join(u'\n').toStdString();
        ASSERT_EQ(window->state().languageCode, GetParam().language);
        window->show();
        for (Destination& d : destinations)
            d.row = rowOf(d.caption);
    }

    void TearDown() override { window.reset(); }

    QListWidget* listBox1() const { return window->findChild<QListWidget*>(u"ListBox1"_s); }

    QString keyText(const PageKey& key) const
    {
        const LanguageInfo* language = findLanguage(window->state().languageCode);
        switch (key.kind) {
        case PageKey::Kind::LinksWord:
            return language->linksWord;
        case PageKey::Kind::MemoryWord:
            return language->memoryWord;
        case PageKey::Kind::Entry:
            break;
        }
        return window->texts().text(key.entry);
    }

    // Every page of the registry by the caption that opens it. The pages the category list
    // holds no item for (file scrambling, program check) are reached by an item that
    // carries their caption, as the page host allows.
    std::vector<Destination> reachablePages()
    {
        std::vector<Destination> out;
        for (const PageEntry& entry : pageTable()) {
            const QString caption = keyText(entry.key);
            if (!entry.factory || caption.isEmpty())
                continue;
            auto found = std::find_if(out.begin(), out.end(),
                                      [&](const Destination& d) { return d.caption == caption; });
            if (found == out.end())
                found = out.insert(out.end(), Destination{rowOf(caption), caption});
            // Every row whose key matches is built in turn: the last one stays on show.
            found->page = &typeid(*entry.factory(*window, BuildOrigin::Selection));
        }
        return out;
    }

    int rowOf(const QString& caption)
    {
        const auto items = listBox1()->findItems(caption, Qt::MatchExactly);
        if (!items.isEmpty())
            return listBox1()->row(items.first());
        listBox1()->addItem(caption);
        return listBox1()->count() - 1;
    }

    // A left click on the row, as a person makes it, and the turn of the event loop after.
    void click(const Destination& to)
    {
        QListWidgetItem* item = listBox1()->item(to.row);
        listBox1()->scrollToItem(item);
        QTest::mouseClick(listBox1()->viewport(), Qt::LeftButton, {},
                          listBox1()->visualItemRect(item).center());
    }

    ::testing::AssertionResult shows(const Destination& to) const
    {
        const Page* page = window->pageHost().page();
        if (!page)
            return ::testing::AssertionFailure()
                   << "no page after a click on " << to.caption.toStdString();
        if (typeid(*page) != *to.page)
            return ::testing::AssertionFailure() << "a click on " << to.caption.toStdString()
                                                 << " shows " << typeid(*page).name();
        if (!window->pageHost().pagePanel() || !window->pageHost().pagePanel()->isVisible())
            return ::testing::AssertionFailure()
                   << "the page panel of " << to.caption.toStdString() << " is hidden";
        return ::testing::AssertionSuccess();
    }

    const Destination& destinationOf(const std::type_info& page) const
    {
        for (const Destination& d : destinations) {
            if (*d.page == page)
                return d;
        }
        throw std::logic_error("page not reachable");
    }

    TestWorkspace ws;
    FakePlatform fake;
    std::unique_ptr<MainWindow> window;
    std::vector<Destination> destinations;
};

TEST_P(WholeWindowWalk, EveryPageOpensAfterEveryOtherPage)
{
    // 17 category pages and the two shown by their keys, in every language.
    ASSERT_EQ(destinations.size(), 19u);
    ASSERT_EQ(*destinations.front().page, typeid(*window->pageHost().page()));

    // Each page left first thing in a new window, while the window keeps no list of an
    // earlier page: the state in which a page's own lists and trees are looked at.
    const Destination& dashboard = destinations.front();
    for (const Destination& first : destinations) {
        if (&first == &dashboard)
            continue;
        openWindow();
        click(first);
        ASSERT_TRUE(shows(first));
        click(dashboard);
        QCoreApplication::processEvents();
        ASSERT_TRUE(shows(dashboard)) << "coming from " << first.caption.toStdString();
    }

    // Then every page after every other page in one window.
    const std::vector<int> walk = everyOrderedPair(static_cast<int>(destinations.size()));
    ASSERT_EQ(walk.size(), destinations.size() * (destinations.size() - 1) + 1);
    for (std::size_t step = 1; step < walk.size(); ++step) {
        const Destination& to = destinations[walk[step]];
        click(to);
        QCoreApplication::processEvents();
        ASSERT_TRUE(shows(to)) << "coming from "
                               << destinations[walk[step - 1]].caption.toStdString();
    }
}

// A page left while its wait or its list reading goes on: the page's timers and reading
// go with it, whatever page comes next.
struct Unfinished
{
    const char* what;
    const std::type_info& page;
    const char* button; // clicked to start the wait; none for a list being read
    std::function<bool(Page*)> isUnderWay;
};

// A list is still being read after its first screen only when its table is long.
class LeavingUnfinishedPages : public WholeWindowWalk
{
};

TEST_P(LeavingUnfinishedPages, OpensTheNextPage)
{
    const auto listReading = [this](Page*) {
        const auto* list = window->pageHost().pagePanel()->findChild<ReportList*>();
        return list && list->isReading();
    };
    const Unfinished cases[] = {
        {"folder search step 0", typeid(FolderSearchPage), "BitBtn12",
         [](Page* p) {
             auto* page = static_cast<FolderSearchPage*>(p);
             page->setPauseLength(std::chrono::milliseconds(1));
             return page->isWaiting();
         }},
        {"web site lookup", typeid(WebSitesPage), "BitBtn14",
         [](Page* p) { return static_cast<WebSitesPage*>(p)->isWaitingForResolver(); }},
        {"rules being read", typeid(RulesPage), nullptr, listReading},
        {"alerts being read", typeid(AlertsPage), nullptr, listReading},
    };
    for (const Unfinished& c : cases) {
        const Destination& from = destinationOf(c.page);
        for (const Destination& to : destinations) {
            if (&to == &from)
                continue;
            click(from);
            ASSERT_TRUE(shows(from));
            if (c.button) {
                auto* button = window->pageHost().pagePanel()->findChild<QPushButton*>(
                    QLatin1StringView(c.button));
                ASSERT_NE(button, nullptr) << c.what;
                button->click();
            }
            ASSERT_TRUE(c.isUnderWay(window->pageHost().page())) << c.what;
            click(to);
            ASSERT_TRUE(shows(to)) << c.what;
            // Long enough for a freed page's pause or reading turn to come due.
            QTest::qWait(3);
            ASSERT_TRUE(shows(to)) << c.what;
        }
    }
}

const Workspace LongTables[] = {
    {u"FR"_s, true}, {u"GB"_s, true}, {u"ESP"_s, true}, {u"DE"_s, true}, {u"ITA"_s, true}};
const Workspace FreshOnes[] = {{u"FR"_s}, {u"GB"_s}, {u"ESP"_s}, {u"DE"_s}, {u"ITA"_s}};

INSTANTIATE_TEST_SUITE_P(Fresh, WholeWindowWalk, ::testing::ValuesIn(FreshOnes), nameOf);
INSTANTIATE_TEST_SUITE_P(LongTables, WholeWindowWalk, ::testing::ValuesIn(LongTables), nameOf);
INSTANTIATE_TEST_SUITE_P(LongTables, LeavingUnfinishedPages, ::testing::ValuesIn(LongTables),
                         nameOf);

} // namespace
} // namespace orvanel::testing
