// The page host: dispatch by caption, the frame around a build and the reset.
#include "app/mainwindow/WindowFixture.h"

#include "pages/AppIcons.h"
#include "pages/Page.h"
#include "pages/PageHost.h"
#include "pages/PageRegistry.h"

#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QTest>

namespace orvanel::testing {
namespace {

// Counts the paint events of the control it filters.
class PaintCount final : public QObject
{
    Q_OBJECT

public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// Records builds and frees, and whether redrawing was suspended while it was built.
struct Log
{
    QStringList events;
};

class ProbePage final : public Page
{
public:
    ProbePage(PanelContext& context, QString name, Log& log, QWidget* window)
        : Page(context), m_name(std::move(name)), m_log(log), m_window(window)
    {
    }
    ~ProbePage() override { m_log.events.append(QStringLiteral("free ") + m_name); }

    void build(QWidget* panel) override
    {
        m_log.events.append(QStringLiteral("build ") + m_name);
        suspendedWhileBuilt = !panel->updatesEnabled();
        label = new QLabel(m_name, panel);
        label->setObjectName(m_name);
        label->show();
    }

    bool suspendedWhileBuilt = false;
    QLabel* label = nullptr;

private:
    QString m_name;
    Log& m_log;
    QWidget* m_window;
};

// The host is tested on its own table: every page a probe, keyed by small numbers.
class PageHostTest : public FakeProcessWindowFixture
{
protected:
    static Log& log()
    {
        static Log theLog;
        return theLog;
    }
    static QWidget*& windowOfProbes()
    {
        static QWidget* w = nullptr;
        return w;
    }

    template <int N> static std::unique_ptr<Page> probe(PanelContext& context, BuildOrigin origin)
    {
        const QString name =
            QStringLiteral("page%1%2")
                .arg(N)
                .arg(origin == BuildOrigin::StartUp ? QStringLiteral("-start") : QString());
        return std::make_unique<ProbePage>(context, name, log(), windowOfProbes());
    }

    static void action(PanelContext&) { log().events.append(QStringLiteral("action")); }

    void SetUp() override
    {
        FakeProcessWindowFixture::SetUp();
        log().events.clear();
        started();
        windowOfProbes() = window.get();
        host = std::make_unique<PageHost>(
            *window, *window, [this] { ++levelControlsShown; }, table);
    }

    void TearDown() override
    {
        host.reset();
        FakeProcessWindowFixture::TearDown();
    }

    QString keyText(const PageKey& key) const
    {
        switch (key.kind) {
        case PageKey::Kind::LinksWord:
            return QStringLiteral("links");
        case PageKey::Kind::MemoryWord:
            return QStringLiteral("memory");
        case PageKey::Kind::Entry:
            break;
        }
        return QStringLiteral("key%1").arg(key.entry);
    }

    void dispatch(const QString& caption)
    {
        host->dispatch(caption, [this](const PageKey& key) { return keyText(key); });
    }

    const std::vector<PageEntry> table = {
        {PageKey::text(1), &probe<1>, nullptr, PageEntry::NotListed, true},
        {PageKey::text(2), &probe<2>},
        {PageKey::text(2), nullptr, &action},
        {PageKey::text(3)},
        {PageKey::memoryWord(), &probe<4>},
    };
    const PageEntry& dashboard = table[0];
    const PageEntry& rules = table[1];
    const PageEntry& memory = table[4];
    ProbePage* probePage() const { return static_cast<ProbePage*>(host->page()); }
    std::unique_ptr<PageHost> host;
    int levelControlsShown = 0;
};

// The program's own table: every category list item opens a page or runs an entry,
// the items fill the list from the top without a gap, and each has its icon.
TEST(PageTable, EveryListedRowRunsSomethingAndHasItsIcon)
{
    std::vector<int> positions;
    for (const PageEntry& entry : pageTable()) {
        if (entry.listPosition == PageEntry::NotListed)
            continue;
        EXPECT_TRUE(entry.factory || entry.action) << "position " << entry.listPosition;
        positions.push_back(entry.listPosition);
        ASSERT_LT(entry.listPosition, AppIcons::CategoryIconCount);
        EXPECT_FALSE(AppIcons::categoryPixmap(entry.listPosition).isNull());
    }
    std::sort(positions.begin(), positions.end());
    for (std::size_t i = 0; i < positions.size(); ++i)
        EXPECT_EQ(positions[i], int(i)) << "the list has a gap or two items in one place";
    EXPECT_EQ(categoryKeys().size(), positions.size());
    // The window opens on the first row, the dashboard, at the top of the list.
    EXPECT_EQ(pageTable().front().listPosition, 0);
}

TEST_F(PageHostTest, EveryMatchingKeyRunsInTableOrder)
{
    dispatch(QStringLiteral("key2"));
    EXPECT_EQ(log().events, (QStringList{QStringLiteral("build page2"), QStringLiteral("action")}));
    EXPECT_NE(host->page(), nullptr);
}

TEST_F(PageHostTest, KeysWithoutAPageAndUnknownCaptionsRunNothing)
{
    dispatch(QStringLiteral("key3"));
    dispatch(QStringLiteral("nothing of the kind"));
    EXPECT_TRUE(log().events.isEmpty());
    EXPECT_EQ(host->page(), nullptr);
}

TEST_F(PageHostTest, BuiltWordKeyedPageReplacesThePreviousOne)
{
    dispatch(QStringLiteral("key1"));
    dispatch(QStringLiteral("memory"));
    EXPECT_EQ(log().events,
              (QStringList{QStringLiteral("build page1"), QStringLiteral("free page1"),
                           QStringLiteral("build page4")}));
    ASSERT_NE(probePage(), nullptr);
    EXPECT_EQ(probePage()->label->objectName(), QStringLiteral("page4"));
}

TEST_F(PageHostTest, SameCategoryTwiceBuildsItFromScratch)
{
    dispatch(QStringLiteral("key2"));
    QPointer<QLabel> firstLabel = probePage()->label;
    dispatch(QStringLiteral("key2"));
    EXPECT_TRUE(firstLabel.isNull());
    auto* again = probePage();
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again->label, nullptr);
    EXPECT_EQ(log().events.count(QStringLiteral("build page2")), 2);
}

TEST_F(PageHostTest, FrameSuspendsRedrawingAndResumesIt)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    host->buildFramed(rules);
    auto* page = probePage();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->suspendedWhileBuilt);
    EXPECT_TRUE(window->updatesEnabled());
    EXPECT_TRUE(host->pagePanel()->updatesEnabled());
    EXPECT_TRUE(host->pagePanel()->isVisible());
    EXPECT_EQ(page->label->parentWidget(), host->pagePanel());

    // The page is painted once when the window is next painted, not once for the window
    // and again for each control.
    PaintCount count;
    page->label->installEventFilter(&count);
    window->repaint();
    EXPECT_EQ(count.paints, 1);
}

TEST_F(PageHostTest, OnlyTheDashboardShowsTheLevelControls)
{
    host->buildFramed(rules);
    EXPECT_EQ(levelControlsShown, 0);
    host->buildFramed(dashboard);
    EXPECT_EQ(levelControlsShown, 1);
}

TEST_F(PageHostTest, StartUpBuildIsToldItsOrigin)
{
    host->buildFramed(dashboard, BuildOrigin::StartUp);
    EXPECT_EQ(log().events, QStringList{QStringLiteral("build page1-start")});
}

TEST_F(PageHostTest, ResetFreesThePageAndReplacesThePanelWithAHiddenOne)
{
    host->buildFramed(memory);
    QPointer<QWidget> oldPanel = host->pagePanel();
    QPointer<QLabel> label = probePage()->label;

    host->reset();

    EXPECT_EQ(host->page(), nullptr);
    EXPECT_TRUE(oldPanel.isNull());
    EXPECT_TRUE(label.isNull()) << "the page's controls go with its panel";
    EXPECT_EQ(log().events.last(), QStringLiteral("free page4"));
    QWidget* panel = host->pagePanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(panel->geometry(), QRect(176, 48, 609, 369));
    EXPECT_EQ(panel->parentWidget(), window.get());
}

TEST_F(PageHostTest, BlankKeysNeverMatchABlankCaption)
{
    // A missing or short language file leaves entries empty: clicking a blank caption
    // must not build every page whose key is blank.
    host->dispatch(QString(), [](const PageKey&) { return QString(); });
    EXPECT_TRUE(log().events.isEmpty());
}

TEST_F(PageHostTest, ResetSizesTheClientAreaAndCentresTheWindow)
{
    window->resize(300, 200);
    window->move(5, 5);
    host->reset();

    EXPECT_EQ(window->size(), QSize(786, 481));
    const QRect screen = window->screen()->geometry();
    const QRect frame = window->frameGeometry();
    EXPECT_EQ(frame.x(), screen.x() + screen.width() / 2 - frame.width() / 2);
    EXPECT_EQ(frame.y(), screen.y() + screen.height() / 2 - frame.height() / 2);
}

TEST_F(PageHostTest, FreeingAllPagesLeavesNone)
{
    host->buildFramed(rules);
    host->freeAllPages();
    EXPECT_EQ(host->page(), nullptr);
    EXPECT_EQ(log().events.last(), QStringLiteral("free page2"));
}

// The program's own table.
TEST(PageRegistry, KeysAreTestedInTheirFixedOrder)
{
    const std::vector<int> expected = {1,  2,  3,  4,  85, 5,  6,  99, 96, 90,
                                       48, 25, 57, 58, 64, 59, 60, 61, 62, 63};
    const auto& table = pageTable();
    ASSERT_EQ(table.size(), std::size_t(22));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(table[i].key.kind, PageKey::Kind::Entry) << i;
        EXPECT_EQ(table[i].key.entry, expected[i]) << i;
    }
    EXPECT_EQ(table[20].key.kind, PageKey::Kind::MemoryWord);
    EXPECT_EQ(table[21].key.kind, PageKey::Kind::LinksWord);
}

TEST(PageRegistry, TheThreeEntriesActWithoutTheFrameAndOnlyTheDashboardShowsTheLevelControls)
{
    const std::vector<int> entryKeys = {48, 25, 64};
    for (std::size_t i = 0; i < pageTable().size(); ++i) {
        const PageEntry& line = pageTable()[i];
        const bool entry = line.key.kind == PageKey::Kind::Entry &&
                           std::count(entryKeys.begin(), entryKeys.end(), line.key.entry) == 1;
        EXPECT_EQ(line.action != nullptr, entry) << i;
        EXPECT_FALSE(line.factory != nullptr && entry) << i;
        EXPECT_EQ(line.showsLevelControls, i == 0) << i;
    }
}

} // namespace
} // namespace orvanel::testing

#include "PageHostTest.moc"
