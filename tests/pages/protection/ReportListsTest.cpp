// The rules and alerts lists over the table files the engines fill: what they show, the
// date sort, deleting rules and quarantining an alert's subject.
#include "pages/ReportList.h"
#include "pages/protection/AlertsPage.h"
#include "pages/protection/RulesPage.h"
#include "workspace/Table.h"

#include "../settings/TestPanelContext.h"

#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

// Champ1, Champ2, Champ3, Champ4, Champ8 of one row.
struct Rule
{
    QString program;
    QString date;
    QString third = u"TCP"_s;
    QString fourth = u"1"_s;
    QString path = QString();
};

QString systemDate(const QDateTime& when)
{
    const QLocale locale = QLocale::system();
    return locale.toString(when.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(when.time(), QLocale::LongFormat);
}

class ReportListsTest : public ::testing::Test
{
protected:
    ReportListsTest()
    {
        panel.setGeometry(176, 48, 609, 369);
        panel.show();
    }

    void writeTable(TableId id, const std::vector<Rule>& rows)
    {
        Table table;
        defineFields(table, id);
        table.createEmpty();
        for (const Rule& r : rows) {
            table.insert();
            table.setValue(u"Champ1", r.program);
            table.setValue(u"Champ2", r.date);
            table.setValue(u"Champ3", r.third);
            table.setValue(u"Champ4", r.fourth);
            table.setValue(u"Champ5", u"kept"_s);
            table.setValue(u"Champ8", r.path);
            table.post();
        }
        ASSERT_TRUE(table.save(context.tables().path(id)));
    }

    QStringList column(TableId id, const QString& field)
    {
        QStringList values;
        EXPECT_TRUE(context.tables().use(id, [&](Table& table) {
            for (table.first(); !table.atEnd(); table.next())
                values.append(table.value(field));
            return false;
        }));
        return values;
    }

    template <typename P> ReportList* build(const QString& name)
    {
        // As the page host does: the old controls go first, then their page.
        qDeleteAll(panel.findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
        page = std::make_unique<P>(context);
        page->build(&panel);
        auto* list = panel.findChild<ReportList*>(name);
        EXPECT_NE(list, nullptr);
        return list;
    }

    static QStringList shownRow(ReportList* list, int row)
    {
        QStringList cells;
        for (int c = 0; c < list->model()->columnCount(); ++c)
            cells.append(list->model()->index(row, c).data().toString());
        return cells;
    }

    static void clickRow(ReportList* list, int row)
    {
        const QRect rect = list->visualRect(list->model()->index(row, 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    TestPanelContext context;
    QWidget panel;
    std::unique_ptr<Page> page;
};

TEST_F(ReportListsTest, BothListsShowTheirTableWithRowNumbersAndEntry42)
{
    const struct
    {
        TableId table;
        const char* name;
        bool rules;
    } lists[] = {{TableId::Rules, "ListView2", true}, {TableId::Alerts, "ListView3", false}};
    for (const auto& l : lists) {
        writeTable(l.table, {{u"a.exe"_s, u"d1"_s, u"TCP"_s, u"?"_s, u"/bin/a"_s},
                             {u"b.exe"_s, u"d2"_s, u"UDP"_s, u"??"_s, u"/bin/b"_s}});
        ReportList* list = l.rules ? build<RulesPage>(QString::fromLatin1(l.name))
                                   : build<AlertsPage>(QString::fromLatin1(l.name));
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->geometry(), QRect(8, 24, 585, 320));
        EXPECT_EQ(list->parentWidget(), &panel);
        QStringList captions;
        for (int c = 0; c < list->model()->columnCount(); ++c)
            captions.append(list->model()->headerData(c, Qt::Horizontal).toString());
        EXPECT_EQ(captions, (QStringList{u"entry 9"_s, u"entry 10"_s, u"entry 11"_s, u"entry 31"_s,
                                         u"entry 33"_s, u"entry 30"_s}));
        ASSERT_EQ(list->model()->rowCount(), 2);
        EXPECT_EQ(shownRow(list, 0),
                  (QStringList{u"1"_s, u"a.exe"_s, u"d1"_s, u"TCP"_s, u"entry 42"_s, u"/bin/a"_s}));
        EXPECT_EQ(shownRow(list, 1),
                  (QStringList{u"2"_s, u"b.exe"_s, u"d2"_s, u"UDP"_s, u"??"_s, u"/bin/b"_s}));
        EXPECT_TRUE(context.fake.prompt.errors.isEmpty());
    }
}

TEST_F(ReportListsTest, EmptyTableGivesHeadersAndUnreadableFileAnError)
{
    writeTable(TableId::Rules, {});
    ReportList* list = build<RulesPage>(u"ListView2"_s);
    EXPECT_EQ(list->model()->rowCount(), 0);
    EXPECT_EQ(list->model()->columnCount(), 6);
    EXPECT_TRUE(context.fake.prompt.errors.isEmpty());

    context.workspace().write(u"alertes.xml"_s, "<not a table");
    list = build<AlertsPage>(u"ListView3"_s);
    EXPECT_EQ(list->model()->rowCount(), 0);
    EXPECT_EQ(context.fake.prompt.errors.size(), 1);
}

TEST_F(ReportListsTest, ThirdColumnSortsByDateWithInvalidDatesFirstInTableOrder)
{
    const QDateTime base(QDate(2026, 3, 9), QTime(9, 30, 0));
    writeTable(TableId::Rules, {{u"late"_s, systemDate(base.addDays(400))},
                                {u"bad1"_s, u"?"_s},
                                {u"early"_s, systemDate(base)},
                                {u"bad2"_s, QString()},
                                {u"same1"_s, systemDate(base.addSecs(60))},
                                {u"bad3"_s, u"31/31/31 99:99:99"_s},
                                {u"same2"_s, systemDate(base.addSecs(60))},
                                {u"seconds"_s, systemDate(base.addSecs(1))}});
    ReportList* list = build<RulesPage>(u"ListView2"_s);
    const auto programs = [list] {
        QStringList names;
        for (int r = 0; r < list->model()->rowCount(); ++r)
            names.append(list->rows().cell(r, 1));
        return names;
    };
    const QStringList tableOrder = programs();
    for (int column : {0, 1, 3, 4, 5}) {
        list->header()->sectionClicked(column);
        EXPECT_EQ(programs(), tableOrder) << column;
    }
    const QStringList sorted{u"bad1"_s,    u"bad2"_s,  u"bad3"_s,  u"early"_s,
                             u"seconds"_s, u"same1"_s, u"same2"_s, u"late"_s};
    list->header()->sectionClicked(2);
    EXPECT_EQ(programs(), sorted);
    list->header()->sectionClicked(2); // always ascending
    EXPECT_EQ(programs(), sorted);
    EXPECT_EQ(list->rows().rowNumber(0), 2); // the row numbers travel with their rows
}

TEST_F(ReportListsTest, LargeTableListsEveryRowOnceInOrderFromTheFileItOpened)
{
    // What an engine may do to the file while the list reads the rest of it.
    enum class Meanwhile { Nothing, Replaced, CutShort };
    for (const Meanwhile meanwhile :
         {Meanwhile::Nothing, Meanwhile::Replaced, Meanwhile::CutShort}) {
        std::vector<Rule> rows;
        for (int i = 0; i < 9000; ++i)
            rows.push_back({u"p%1.exe"_s.arg(i), u"d"_s});
        writeTable(TableId::Alerts, rows);
        const QString path = context.tables().path(TableId::Alerts);
        const qint64 size = QFileInfo(path).size();
        context.fake.prompt.errors.clear();
        ReportList* list = build<AlertsPage>(u"ListView3"_s);
        // The first screen came first, from the start of the file.
        EXPECT_LT(list->model()->rowCount(), 9000);
        EXPECT_LT(list->bytesRead(), size / 4);
        if (meanwhile == Meanwhile::Replaced) {
            writeTable(TableId::Alerts, {{u"new.exe"_s, u"d"_s}});
        } else if (meanwhile == Meanwhile::CutShort) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            ASSERT_TRUE(file.resize(size / 2));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!list->isReading(), 10000);
        if (meanwhile == Meanwhile::CutShort) {
            EXPECT_EQ(context.fake.prompt.errors.size(), 1);
            EXPECT_GT(list->model()->rowCount(), 0);
            EXPECT_LT(list->model()->rowCount(), 9000);
            continue;
        }
        EXPECT_TRUE(context.fake.prompt.errors.isEmpty());
        ASSERT_EQ(list->model()->rowCount(), 9000);
        for (int r : {0, 39, 40, 4039, 4040, 8999}) {
            EXPECT_EQ(list->rows().cell(r, 1), u"p%1.exe"_s.arg(r));
            EXPECT_EQ(list->rows().rowNumber(r), r + 1);
        }
    }
}

TEST_F(ReportListsTest, DeletingARuleRemovesEveryRowOfItsProgramAndEmptyNames)
{
    const std::vector<Rule> rules{{u"twice.exe"_s, u"d1"_s}, {u"other.exe"_s, u"d2"_s},
                                  {QString(), u"d3"_s},      {u"twice.exe"_s, u"d4"_s},
                                  {u"TWICE.exe"_s, u"d5"_s}, {u"twice.exe "_s, u"d6"_s}};
    const struct
    {
        bool answer;
        QStringList left;
        QStringList listed;
    } cases[] = {
        {false,
         {u"twice.exe"_s, u"other.exe"_s, QString(), u"twice.exe"_s, u"TWICE.exe"_s,
          u"twice.exe "_s},
         {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s}},
        {true,
         {u"other.exe"_s, u"TWICE.exe"_s, u"twice.exe "_s},
         {u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s}},
    };
    for (const auto& c : cases) {
        writeTable(TableId::Rules, rules);
        ReportList* list = build<RulesPage>(u"ListView2"_s);
        context.fake.prompt.questions.clear();
        context.fake.prompt.answers = {c.answer};
        clickRow(list, 0);
        EXPECT_EQ(context.fake.prompt.questions, QStringList{u"entry 22twice.exe"_s});
        EXPECT_EQ(column(TableId::Rules, u"Champ1"_s), c.left) << c.answer;
        EXPECT_EQ(column(TableId::Rules, u"Champ5"_s), QStringList(c.left.size(), u"kept"_s));
        QStringList listed;
        for (int r = 0; r < list->model()->rowCount(); ++r)
            listed.append(list->model()->index(r, 0).data().toString());
        EXPECT_EQ(listed, c.listed) << c.answer;
    }
}

TEST_F(ReportListsTest, QuarantineUsesTheTrimmedNameAndStoresTheShownOne)
{
    const struct
    {
        const char* name;
        QString subject;
        QStringList quarantined;
        bool answer;
        QStringList quarantineAfter;
        QStringList rulesAfter;
    } cases[] = {
        {"new subject",
         u"bad.exe"_s,
         {u"x.exe"_s},
         true,
         {u"x.exe"_s, u"bad.exe"_s},
         {u"good.exe"_s, u"bad.exe "_s}},
        {"trailing blanks",
         u"bad.exe \t"_s,
         {},
         true,
         {u"bad.exe \t"_s},
         {u"good.exe"_s, u"bad.exe "_s}},
        {"already quarantined",
         u"bad.exe "_s,
         {u"bad.exe"_s},
         true,
         {u"bad.exe"_s},
         {u"bad.exe"_s, u"good.exe"_s, u"bad.exe"_s, u"bad.exe "_s}},
        {"answered No",
         u"bad.exe"_s,
         {},
         false,
         {},
         {u"bad.exe"_s, u"good.exe"_s, u"bad.exe"_s, u"bad.exe "_s}},
    };
    for (const auto& c : cases) {
        writeTable(TableId::Rules, {{u"bad.exe"_s, u"d"_s},
                                    {u"good.exe"_s, u"d"_s},
                                    {u"bad.exe"_s, u"d"_s},
                                    {u"bad.exe "_s, u"d"_s}});
        writeTable(TableId::Alerts, {{u"first.exe"_s, u"d"_s}, {c.subject, u"d"_s}});
        ASSERT_TRUE(context.tables().create(TableId::Quarantine));
        ASSERT_TRUE(context.tables().use(TableId::Quarantine, [&](Table& table) {
            for (const QString& name : c.quarantined) {
                table.insert();
                table.setValue(u"Champ1", name);
                table.post();
            }
            return true;
        }));
        ReportList* list = build<AlertsPage>(u"ListView3"_s);
        context.fake.prompt.questions.clear();
        context.fake.prompt.answers = {c.answer};
        clickRow(list, 1);
        EXPECT_EQ(context.fake.prompt.questions, QStringList{u"entry 20"_s + c.subject}) << c.name;
        EXPECT_EQ(column(TableId::Quarantine, u"Champ1"_s), c.quarantineAfter) << c.name;
        EXPECT_EQ(column(TableId::Rules, u"Champ1"_s), c.rulesAfter) << c.name;
        EXPECT_EQ(column(TableId::Alerts, u"Champ1"_s), (QStringList{u"first.exe"_s, c.subject}));
        EXPECT_EQ(list->model()->rowCount(), 2) << c.name;
    }
}

TEST_F(ReportListsTest, RowsLookAsQtsOwnDelegateDrawsThem)
{
    writeTable(TableId::Rules,
               {{u"firefox.exe"_s, u"01/02/2026 10:00:00"_s, u"TCP"_s, u"?"_s,
                 u"/usr/lib/firefox/firefox"_s},
                {u"Überall.exe"_s, u"d2"_s, u"UDP"_s, u"1"_s,
                 u"/a/very/long/path/that/is/cut/short/in/its/cell/by/an/ellipsis"_s},
                {u"third.exe"_s, u"d3"_s}});
    ReportList* list = build<RulesPage>(u"ListView2"_s);
    ASSERT_NE(list, nullptr);
    list->setAlternatingRowColors(true);
    list->selectionModel()->select(list->model()->index(1, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QImage ours = list->grab().toImage();
    list->setItemDelegate(new QStyledItemDelegate(list));
    EXPECT_EQ(list->grab().toImage(), ours);
}

TEST_F(ReportListsTest, TheListOfAClosedPageComesBackToTheNextPageAsANewOne)
{
    // The window keeps the list of a page that closes; the next page must not see anything
    // of the page before: its rows, reading, selection, scrolling, widths or handlers.
    std::vector<Rule> rules, alerts;
    for (int i = 0; i < 9000; ++i) {
        rules.push_back({u"r%1.exe"_s.arg(i), u"d"_s});
        alerts.push_back({u"a%1.exe"_s.arg(i), u"d"_s});
    }
    writeTable(TableId::Rules, rules);
    writeTable(TableId::Alerts, alerts);
    QWidget window;
    window.resize(800, 480);
    auto* before = new QWidget(&window);
    before->setGeometry(176, 48, 609, 369);
    window.show();
    auto rulesPage = std::make_unique<RulesPage>(context);
    rulesPage->build(before);
    ReportList* list = before->findChild<ReportList*>(u"ListView2"_s);
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->isReading());
    list->header()->resizeSection(1, 222);
    list->verticalScrollBar()->setValue(20);
    list->setCurrentIndex(list->model()->index(21, 1));

    ReportList::keepFrom(before);
    delete before;
    rulesPage.reset();
    EXPECT_EQ(list->parentWidget(), &window);
    EXPECT_TRUE(list->isHidden());
    EXPECT_TRUE(list->objectName().isEmpty());
    EXPECT_EQ(list->model()->rowCount(), 0);

    auto* after = new QWidget(&window);
    after->setGeometry(176, 48, 609, 369);
    after->show();
    AlertsPage alertsPage(context);
    alertsPage.build(after);
    EXPECT_EQ(after->findChild<ReportList*>(u"ListView3"_s), list);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->verticalScrollBar()->value(), 0);
    EXPECT_FALSE(list->selectionModel()->hasSelection());
    EXPECT_EQ(list->header()->sectionSize(1), list->header()->defaultSectionSize());
    QTRY_VERIFY_WITH_TIMEOUT(!list->isReading(), 10000);
    ASSERT_EQ(list->model()->rowCount(), 9000);
    for (int r : {0, 8999})
        EXPECT_EQ(shownRow(list, r).mid(0, 2),
                  (QStringList{QString::number(r + 1), alerts[std::size_t(r)].program}));
    context.fake.prompt.answers = {false};
    clickRow(list, 0);
    EXPECT_EQ(context.fake.prompt.questions, QStringList{u"entry 20a0.exe"_s});
    // The kept list was taken: the next list is a new one.
    EXPECT_NE(ReportList::onPanel(new QWidget(&window)), list);
}

} // namespace
} // namespace orvanel::testing
