// The program check list: each rule beside what its program file looks like now.
#include "pages/settings/ProgramCheckPage.h"

#include "pages/ReportList.h"
#include "workspace/Table.h"

#include "TestPanelContext.h"

#include <QFile>
#include <QLocale>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

class ProgramCheckPageTest : public ::testing::Test
{
protected:
    void writeRules(const std::vector<CheckedRule>& rules)
    {
        Table table;
        defineFields(table, TableId::Rules);
        table.createEmpty();
        for (const CheckedRule& r : rules) {
            table.insert();
            table.setValue(u"Champ1", r.program);
            table.setValue(u"Champ2", r.date);
            table.setValue(u"Champ4", r.stored);
            table.setValue(u"Champ8", r.path);
            table.setValue(u"Champ9", r.sum);
            table.post();
        }
        ASSERT_TRUE(table.save(context.tables().path(TableId::Rules)));
    }

    ReportList* build()
    {
        page = std::make_unique<ProgramCheckPage>(context);
        page->build(&panel);
        return panel.findChild<ReportList*>(u"ProgramCheckList"_s);
    }

    static QStringList shownRow(ReportList* list, int row)
    {
        QStringList cells;
        for (int c = 0; c < list->model()->columnCount(); ++c)
            cells.append(list->model()->index(row, c).data().toString());
        return cells;
    }

    TestPanelContext context;
    QWidget panel;
    std::unique_ptr<Page> page;
};

TEST_F(ProgramCheckPageTest, EachRuleBesideItsProgramFileNow)
{
    // A program of three words: its checksum is the second word.
    QByteArray program(12, '\0');
    qToLittleEndian<quint32>(4'000'000'000u, program.data() + 4);
    const QString present = context.workspace().path(u"present.exe"_s);
    context.workspace().write(u"present.exe"_s, program);
    const QString gone = context.workspace().path(u"gone.exe"_s);
    const QString today = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    const QString dayZero = QLocale::system().toString(QDate(1899, 12, 30), QLocale::ShortFormat);

    writeRules({{u"present.exe"_s, u"d1"_s, u"?"_s, present, u"77"_s},
                {u"gone.exe"_s, u"d2"_s, u"01/02/03"_s, gone, u"5"_s},
                {u"nopath.exe"_s, u"d3"_s, u"x"_s, QString(), u"9"_s}});
    ReportList* list = build();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->geometry(), QRect(8, 24, 585, 320));
    ASSERT_EQ(list->model()->rowCount(), 3);

    const QStringList presentRow = shownRow(list, 0);
    EXPECT_EQ(presentRow.mid(0, 5),
              (QStringList{u"1"_s, u"present.exe"_s, u"d1"_s, today, u"entry 42"_s}));
    EXPECT_FALSE(presentRow[5].isEmpty()); // the type database's description
    EXPECT_EQ(presentRow.mid(6), (QStringList{present, present, u"4000000000"_s, u"77"_s}));

    EXPECT_EQ(shownRow(list, 1),
              (QStringList{u"2"_s, u"gone.exe"_s, u"d2"_s, dayZero, u"01/02/03"_s, QString(),
                           u"entry 42"_s, gone, u"entry 42"_s, u"5"_s}));
    EXPECT_EQ(shownRow(list, 2),
              (QStringList{u"3"_s, u"nopath.exe"_s, u"d3"_s, u"entry 42"_s, u"x"_s, u"entry 42"_s,
                           u"entry 42"_s, QString(), u"entry 42"_s, u"entry 42"_s}));
}

TEST_F(ProgramCheckPageTest, EmptyTableGivesTheTenHeaders)
{
    writeRules({});
    ReportList* list = build();
    EXPECT_EQ(list->model()->rowCount(), 0);
    QStringList captions;
    for (int c = 0; c < list->model()->columnCount(); ++c)
        captions.append(list->model()->headerData(c, Qt::Horizontal).toString());
    EXPECT_EQ(captions, (QStringList{u"entry 9"_s, u"entry 10"_s, u"entry 11"_s, u"entry 92 (a)"_s,
                                     u"entry 92 (b)"_s, u"entry 93"_s, u"entry 30 (a)"_s,
                                     u"entry 30 (b)"_s, u"entry 94"_s, u"entry 95"_s}));
    EXPECT_TRUE(context.fake.prompt.errors.isEmpty());
}

} // namespace
} // namespace orvanel::testing
