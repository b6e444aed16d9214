// Reading a table file a slice of rows at a time gives the rows a whole reading gives.
#include "workspace/PacketSlices.h"
#include "workspace/Table.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace orvanel {
namespace {

using namespace Qt::StringLiterals;

QByteArray packetOf(int rows)
{
    Table table;
    table.addField(u"Champ1"_s, 200);
    table.addField(u"Champ2"_s, 200);
    table.createEmpty();
    for (int i = 0; i < rows; ++i) {
        table.insert();
        table.setValue(u"Champ1", u"prog%1.exe <\"&'>"_s.arg(i));
        table.setValue(u"Champ2", u"line\nwith ROW <ROW/> inside é"_s);
        table.post();
    }
    return table.toBytes();
}

QStringList rowsBySlices(const QByteArray& bytes, int sliceRows, int* slices = nullptr)
{
    PacketSlices cut(bytes);
    QStringList values;
    int count = 0;
    while (!cut.atEnd()) {
        Table table;
        if (!table.loadFromBytes(cut.next(sliceRows)))
            return {u"unreadable slice"_s};
        ++count;
        for (int r = 0; r < table.recordCount(); ++r)
            values.append(table.valueAt(r, 0) + u'|' + table.valueAt(r, 1));
    }
    if (slices)
        *slices = count;
    return values;
}

TEST(PacketSlicesTest, SlicesHoldEveryRowOnceInOrder)
{
    const struct
    {
        int rows;
        int sliceRows;
        int slices;
    } cases[] = {{0, 5, 1}, {1, 5, 1}, {10, 5, 2}, {11, 5, 3}, {7, 1, 7}, {100, 64, 2}};
    for (const auto& c : cases) {
        const QByteArray bytes = packetOf(c.rows);
        Table whole;
        ASSERT_TRUE(whole.loadFromBytes(bytes));
        QStringList expected;
        for (int r = 0; r < whole.recordCount(); ++r)
            expected.append(whole.valueAt(r, 0) + u'|' + whole.valueAt(r, 1));
        int slices = 0;
        EXPECT_EQ(rowsBySlices(bytes, c.sliceRows, &slices), expected) << c.rows;
        EXPECT_EQ(slices, c.slices) << c.rows << " rows by " << c.sliceRows;
    }
}

TEST(PacketSlicesTest, PacketsWithoutRowDataComeOutWhole)
{
    const QByteArray cases[] = {
        "<?xml version=\"1.0\"?><DATAPACKET><METADATA/><ROWDATA/></DATAPACKET>",
        "<?xml version=\"1.0\"?><DATAPACKET><METADATA/></DATAPACKET>", "not a table at all",
        "<DATAPACKET><ROWDATA><ROW Champ1=\"a\"/>", // cut short: no end of the row data
    };
    for (const QByteArray& bytes : cases) {
        PacketSlices cut(bytes);
        EXPECT_EQ(cut.next(1), bytes);
        EXPECT_TRUE(cut.atEnd());
    }
}

TEST(PacketSlicesTest, LowerCaseRowsAndWindows1252TextAreSliced)
{
    const QByteArray bytes = "<?xml version=\"1.0\"?><DATAPACKET><METADATA><FIELDS>"
                             "<FIELD attrname=\"Champ1\" fieldtype=\"string\" WIDTH=\"20\"/>"
                             "</FIELDS></METADATA><rowdata><row Champ1=\"d\xe9j\xe0\"/>"
                             "<row Champ1=\"b\"/></rowdata></DATAPACKET>";
    PacketSlices cut(bytes);
    QStringList names;
    while (!cut.atEnd()) {
        Table table;
        ASSERT_TRUE(table.loadFromBytes(cut.next(1)));
        for (int r = 0; r < table.recordCount(); ++r)
            names.append(table.valueAt(r, 0));
    }
    EXPECT_EQ(names, (QStringList{u"déjà"_s, u"b"_s}));
}

} // namespace
} // namespace orvanel
