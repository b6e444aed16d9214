// Reading a table file a slice of rows at a time gives the rows a whole reading gives.
#include "workspace/PacketSlices.h"
#include "workspace/Table.h"

#include <QStringList>

#include <algorithm>

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

// The rows of every slice; a file given in pieces of pieceBytes (0: whole) gets its next
// piece whenever no whole row is left to cut.
QStringList rowsBySlices(const QByteArray& bytes, int sliceRows, int* slices = nullptr,
                         qsizetype pieceBytes = 0)
{
    const qsizetype startBytes = pieceBytes ? std::min(pieceBytes, bytes.size()) : 0;
    std::optional<PacketSlices> cut =
        pieceBytes ? PacketSlices::ofStart(bytes.first(startBytes), bytes.last(std::min<qsizetype>(
                                                                        64, bytes.size())),
                                           bytes.size())
                   : PacketSlices(bytes);
    if (!cut) // read whole, as a list does
        cut.emplace(bytes);
    QStringList values;
    int count = 0;
    while (!cut->atEnd()) {
        const std::optional<QByteArray> slice = cut->next(sliceRows);
        if (!slice) {
            if (cut->complete())
                return {u"no slice from a complete file"_s};
            const qsizetype given = cut->bytesGiven();
            cut->append(QByteArrayView(bytes).sliced(given).first(
                std::min(pieceBytes, bytes.size() - given)));
            continue;
        }
        Table table;
        if (!table.loadFromBytes(*slice))
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
        // Given a few bytes at a time, as a large file is read, the rows are the same.
        for (const qsizetype piece : {qsizetype(300), qsizetype(1), qsizetype(1) << 20})
            EXPECT_EQ(rowsBySlices(bytes, c.sliceRows, nullptr, piece), expected)
                << c.rows << " rows in pieces of " << piece;
    }
}

TEST(PacketSlicesTest, AStartOrEndWithoutRowDataIsNotReadInPieces)
{
    const QByteArray bytes = packetOf(3);
    const QByteArray head = bytes.first(bytes.indexOf("<ROWDATA"));
    EXPECT_FALSE(PacketSlices::ofStart(head, bytes.last(40), bytes.size()));
    EXPECT_FALSE(PacketSlices::ofStart(bytes.first(400), "<ROW Champ1=\"a\"/>", bytes.size()));
    EXPECT_FALSE(PacketSlices::ofStart(bytes, bytes.last(40), bytes.size() - 1));
    EXPECT_TRUE(PacketSlices::ofStart(bytes.first(400), bytes.last(40), bytes.size()));
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
        EXPECT_FALSE(PacketSlices::ofStart(bytes, bytes, bytes.size()));
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
        ASSERT_TRUE(table.loadFromBytes(cut.next(1).value()));
        for (int r = 0; r < table.recordCount(); ++r)
            names.append(table.valueAt(r, 0));
    }
    EXPECT_EQ(names, (QStringList{u"déjà"_s, u"b"_s}));
}

} // namespace
} // namespace orvanel
