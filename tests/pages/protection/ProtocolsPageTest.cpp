#include "pages/protection/ProtocolsPage.h"

#include "../settings/TestPanelContext.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

class ProtocolsPageTest : public ::testing::Test
{
protected:
    ProtocolsPageTest()
    {
        for (const TableId id : {TableId::Quarantine, TableId::Events})
            EXPECT_TRUE(context.tables().create(id));
    }

    // With `lookedAt`, every sheet is shown once, as a user clicking through the tabs would,
    // and the page is back on the sheet it opened on.
    void build(bool lookedAt = true)
    {
        // As the page host does: the old panel and its controls go first, then the page.
        panel = std::make_unique<QWidget>();
        page.reset();
        panel->setGeometry(176, 48, 609, 369);
        panel->show();
        page = std::make_unique<ProtocolsPage>(context);
        page->build(panel.get());
        if (!lookedAt)
            return;
        auto* tabs = control<QTabWidget>(u"PageControl1"_s);
        const int opened = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i)
            tabs->setCurrentIndex(i);
        tabs->setCurrentIndex(opened);
    }

    template <typename W> W* control(const QString& name) const
    {
        W* widget = panel->findChild<W*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }

    void store(TableId id, const QStringList& names)
    {
        context.tables().use(id, [&](Table& table) {
            for (const QString& name : names) {
                table.insert();
                table.setValue(u"Champ1", name);
                table.post();
            }
            return true;
        });
    }

    QStringList stored(TableId id)
    {
        QStringList names;
        context.tables().use(id, [&](Table& table) {
            for (table.first(); !table.atEnd(); table.next())
                names.append(table.value(u"Champ1"));
            return false;
        });
        return names;
    }

    static QStringList items(const QComboBox* box)
    {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts.append(box->itemText(i));
        return texts;
    }

    TestPanelContext context;
    std::unique_ptr<QWidget> panel;
    std::unique_ptr<ProtocolsPage> page;
};

TEST_F(ProtocolsPageTest, TabsAndControlsArePlaced)
{
    build();
    auto* tabs = control<QTabWidget>(u"PageControl1"_s);
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->geometry(), QRect(16, 0, 585, 320));
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), u"entry 52"_s);
    EXPECT_EQ(tabs->tabText(1), u"entry 5"_s);
    EXPECT_EQ(tabs->tabText(2), u"entry 2"_s);
    EXPECT_EQ(tabs->currentIndex(), 1);
    EXPECT_EQ(control<QListWidget>(u"CheckListBox1"_s)->geometry(), QRect(128, 40, 233, 169));

    const struct
    {
        const char* name;
        int tab;
        QRect geometry;
        const char* caption;
    } expected[] = {
        {"QuarantineBox", 1, {72, 112, 145, 21}, ""},
        {"QuarantineEntry", 1, {72, 32, 121, 21}, ""},
        {"BitBtn1", 1, {152, 152, 75, 25}, "entry 15"},
        {"BitBtn2", 1, {72, 152, 75, 25}, "entry 18"},
        {"BitBtn21", 1, {104, 64, 75, 25}, "entry 14"},
        {"EventsBox", 2, {72, 112, 145, 21}, ""},
        {"EventsEntry", 2, {72, 32, 121, 21}, ""},
        {"BitBtn6", 2, {152, 152, 75, 25}, "entry 15"},
        {"BitBtn31", 2, {72, 152, 75, 25}, "entry 18"},
        {"BitBtn32", 2, {104, 64, 75, 25}, "entry 14"},
    };
    for (const auto& e : expected) {
        auto* widget = control<QWidget>(QString::fromLatin1(e.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), tabs->widget(e.tab)) << e.name;
        EXPECT_EQ(widget->geometry(), e.geometry) << e.name;
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_EQ(button->text(), QString::fromLatin1(e.caption)) << e.name;
        }
    }
}

TEST_F(ProtocolsPageTest, TicksSetTheSevenProtocolSwitches)
{
    using Switches = std::array<bool, 7>;
    const struct
    {
        QStringList ticked;
        Switches expected;
    } cases[] = {
        {{u"SMTP"_s}, {false, false, true, false, false, false, false}},
        {{u"FTP"_s, u"POP3"_s}, {true, false, false, false, false, false, true}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        context.state().protocols.fill(true);
        build();
        auto* list = control<QListWidget>(u"CheckListBox1"_s);
        ASSERT_EQ(list->count(), 7);
        // Every build shows them unticked, whatever the switches hold.
        EXPECT_EQ(context.state().protocols,
                  (Switches{{true, true, true, true, true, true, true}}));
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setCheckState(c.ticked.contains(list->item(i)->text()) ? Qt::Checked
                                                                                  : Qt::Unchecked);
        // A tick that leaves everything unticked still reads all seven boxes.
        list->item(0)->setCheckState(Qt::Checked);
        if (!c.ticked.contains(list->item(0)->text()))
            list->item(0)->setCheckState(Qt::Unchecked);
        EXPECT_EQ(context.state().protocols, c.expected) << c.ticked.join(u',').toStdString();
    }
}

TEST_F(ProtocolsPageTest, ASheetReadsItsListWhenFirstShown)
{
    build(false);
    store(TableId::Events, {u"late.exe"_s});
    auto* tabs = control<QTabWidget>(u"PageControl1"_s);
    tabs->setCurrentIndex(2);
    auto* events = control<QComboBox>(u"EventsBox"_s);
    ASSERT_NE(events, nullptr);
    EXPECT_TRUE(events->isVisible());
    EXPECT_EQ(items(events), QStringList{u"late.exe"_s});
    // Shown again later, the sheet keeps its controls and its list.
    tabs->setCurrentIndex(1);
    tabs->setCurrentIndex(2);
    EXPECT_EQ(panel->findChildren<QComboBox*>(u"EventsBox"_s).size(), 1);
}

// The quarantine and events tabs behave alike on their own tables.
struct ListTabCase
{
    TableId table;
    const char* box;
    const char* entry;
    const char* add;
    const char* remove;
    const char* empty;
};

class ListTabTest : public ProtocolsPageTest, public ::testing::WithParamInterface<ListTabCase>
{
protected:
    QComboBox* box() const { return control<QComboBox>(QString::fromLatin1(GetParam().box)); }
    QLineEdit* entry() const { return control<QLineEdit>(QString::fromLatin1(GetParam().entry)); }
    void click(const char* name) const { control<QPushButton>(QString::fromLatin1(name))->click(); }
};

TEST_P(ListTabTest, AddingStoresEveryNameAndAnEmptyFieldNothing)
{
    build();
    click(GetParam().add);
    EXPECT_TRUE(stored(GetParam().table).isEmpty());
    for (int i = 0; i < 2; ++i) {
        entry()->setText(u"app.exe"_s);
        click(GetParam().add);
        EXPECT_TRUE(entry()->text().isEmpty());
    }
    EXPECT_EQ(stored(GetParam().table), QStringList({u"app.exe"_s, u"app.exe"_s}));
    EXPECT_EQ(items(box()), QStringList({u"app.exe"_s, u"app.exe"_s}));
}

TEST_P(ListTabTest, RemovingTakesEveryRowOfTheStoredValue)
{
    store(GetParam().table, {u"a.exe"_s, u"b.exe  "_s, u"a.exe"_s, u"c.exe"_s});
    build();
    // Shown trimmed, stored as written.
    EXPECT_EQ(items(box()), QStringList({u"a.exe"_s, u"b.exe"_s, u"a.exe"_s, u"c.exe"_s}));

    box()->setEditText(u"a.exe"_s);
    click(GetParam().remove);
    EXPECT_EQ(stored(GetParam().table), QStringList({u"b.exe  "_s, u"c.exe"_s}));

    // The trimmed text is not the stored value: nothing goes.
    box()->setEditText(u"b.exe"_s);
    click(GetParam().remove);
    EXPECT_EQ(stored(GetParam().table), QStringList({u"b.exe  "_s, u"c.exe"_s}));

    click(GetParam().empty);
    EXPECT_TRUE(stored(GetParam().table).isEmpty());
    EXPECT_EQ(box()->count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Lists, ListTabTest,
                         ::testing::Values(ListTabCase{TableId::Quarantine, "QuarantineBox",
                                                       "QuarantineEntry", "BitBtn21", "BitBtn1",
                                                       "BitBtn2"},
                                           ListTabCase{TableId::Events, "EventsBox", "EventsEntry",
                                                       "BitBtn32", "BitBtn6", "BitBtn31"}),
                         [](const auto& info) {
                             return std::string(
                                 info.param.table == TableId::Quarantine ? "Quarantine" : "Events");
                         });

} // namespace
} // namespace orvanel::testing
