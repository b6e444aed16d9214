// The page host: dispatch by caption, the frame around a build and the reset.
#include "app/mainwindow/WindowFixture.h"

#include "pages/Page.h"
#include "pages/PageHost.h"

#include <QFrame>
#include <QLabel>
#include <QScreen>

namespace orvanel::testing {
namespace {

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
        suspendedWhileBuilt = !m_window->updatesEnabled() && !panel->updatesEnabled();
        label = own(new QLabel(m_name, panel));
        label->setObjectName(m_name);
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
            *window, *window, [this] { ++levelControlsShown; }, table, order);
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
        {PageId::Dashboard, PageKey::text(1), true, &probe<1>, nullptr},
        {PageId::Rules, PageKey::text(2), true, &probe<2>, nullptr},
        {PageId::AboutEntry, PageKey::text(2), false, nullptr, &action},
        {PageId::Alerts, PageKey::text(3), true, nullptr, nullptr},
        {PageId::Memory, PageKey::memoryWord(), true, &probe<4>, nullptr},
    };
    const std::vector<PageId> order = {PageId::Dashboard, PageId::Memory, PageId::Rules};
    std::unique_ptr<PageHost> host;
    int levelControlsShown = 0;
};

TEST_F(PageHostTest, EveryMatchingKeyRunsInTableOrder)
{
    dispatch(QStringLiteral("key2"));
    EXPECT_EQ(log().events, (QStringList{QStringLiteral("build page2"), QStringLiteral("action")}));
    EXPECT_NE(host->page(PageId::Rules), nullptr);
}

TEST_F(PageHostTest, KeysWithoutAPageAndUnknownCaptionsRunNothing)
{
    dispatch(QStringLiteral("key3"));
    dispatch(QStringLiteral("nothing of the kind"));
    EXPECT_TRUE(log().events.isEmpty());
    EXPECT_EQ(host->pageCount(), 0);
}

TEST_F(PageHostTest, BuiltWordKeyedPageReplacesThePreviousOne)
{
    dispatch(QStringLiteral("key1"));
    dispatch(QStringLiteral("memory"));
    EXPECT_EQ(log().events,
              (QStringList{QStringLiteral("build page1"), QStringLiteral("free page1"),
                           QStringLiteral("build page4")}));
    EXPECT_EQ(host->pageCount(), 1);
    EXPECT_EQ(host->page(PageId::Dashboard), nullptr);
}

TEST_F(PageHostTest, SameCategoryTwiceBuildsItFromScratch)
{
    dispatch(QStringLiteral("key2"));
    QPointer<QLabel> firstLabel = static_cast<ProbePage*>(host->page(PageId::Rules))->label;
    dispatch(QStringLiteral("key2"));
    EXPECT_TRUE(firstLabel.isNull());
    auto* again = static_cast<ProbePage*>(host->page(PageId::Rules));
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again->label, nullptr);
    EXPECT_EQ(log().events.count(QStringLiteral("build page2")), 2);
}

TEST_F(PageHostTest, FrameSuspendsRedrawingAndResumesIt)
{
    host->buildFramed(PageId::Rules);
    auto* page = static_cast<ProbePage*>(host->page(PageId::Rules));
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->suspendedWhileBuilt);
    EXPECT_TRUE(window->updatesEnabled());
    EXPECT_TRUE(host->pagePanel()->updatesEnabled());
    EXPECT_TRUE(host->pagePanel()->isVisible());
    EXPECT_EQ(page->label->parentWidget(), host->pagePanel());
}

TEST_F(PageHostTest, OnlyTheDashboardShowsTheLevelControls)
{
    host->buildFramed(PageId::Rules);
    EXPECT_EQ(levelControlsShown, 0);
    host->buildFramed(PageId::Dashboard);
    EXPECT_EQ(levelControlsShown, 1);
}

TEST_F(PageHostTest, StartUpBuildIsToldItsOrigin)
{
    host->buildFramed(PageId::Dashboard, BuildOrigin::StartUp);
    EXPECT_EQ(log().events, QStringList{QStringLiteral("build page1-start")});
}

TEST_F(PageHostTest, ResetFreesThePageAndReplacesThePanelWithAHiddenOne)
{
    host->buildFramed(PageId::Memory);
    QPointer<QWidget> oldPanel = host->pagePanel();

    host->reset();

    EXPECT_EQ(host->pageCount(), 0);
    EXPECT_TRUE(oldPanel.isNull()) << "an emptied panel is destroyed";
    QWidget* panel = host->pagePanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(panel->geometry(), QRect(176, 48, 609, 369));
    EXPECT_EQ(panel->parentWidget(), window.get());
}

TEST_F(PageHostTest, PanelWithAControlLeftOnItStaysUntilItIsEmpty)
{
    host->buildFramed(PageId::Memory);
    QPointer<QWidget> oldPanel = host->pagePanel();
    // A control no page registered is not freed with the page.
    QPointer<QLabel> stray = new QLabel(oldPanel);

    host->reset();
    EXPECT_FALSE(oldPanel.isNull());
    EXPECT_FALSE(oldPanel->isVisible());

    delete stray.data();
    host->reset();
    EXPECT_TRUE(oldPanel.isNull());
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
    host->buildFramed(PageId::Rules);
    host->freeAllPages();
    EXPECT_EQ(host->pageCount(), 0);
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

TEST(PageRegistry, TheThreeEntriesActWithoutTheFrameAndEveryPageHasIts)
{
    for (const PageEntry& line : pageTable()) {
        const bool entry = line.id == PageId::AboutEntry || line.id == PageId::QuitEntry ||
                           line.id == PageId::WebPageEntry;
        EXPECT_EQ(line.framed, !entry);
        EXPECT_EQ(line.action != nullptr, entry);
        EXPECT_EQ(line.factory != nullptr && entry, false);
    }
    ASSERT_NE(findPage(PageId::Switches), nullptr);
    EXPECT_NE(findPage(PageId::Switches)->factory, nullptr);
}

TEST(PageRegistry, FreeOrderNamesEveryFramedPageOnce)
{
    const auto& order = freeOrder();
    EXPECT_EQ(order.size(), std::size_t(19));
    EXPECT_EQ(order.front(), PageId::Dashboard);
    EXPECT_EQ(order.back(), PageId::Rules);
    for (const PageEntry& line : pageTable()) {
        const auto n = std::count(order.begin(), order.end(), line.id);
        EXPECT_EQ(n, line.framed ? 1 : 0);
    }
}

} // namespace
} // namespace orvanel::testing
