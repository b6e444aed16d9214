// Table files: a data packet read whole, as Table::open reads a file, and in slices of
// whole rows, as large tables are read a piece at a time. A table that was read must
// also be written and read back with the same rows.
#include "FuzzSupport.h"

#include "workspace/PacketSlices.h"
#include "workspace/Table.h"

#include <algorithm>

using namespace orvanel;
using namespace orvanel::fuzz;
using namespace Qt::StringLiterals;

namespace {

// Every value, as the pages and engines read them.
void readAll(const Table& table)
{
    const int width = int(table.fields().size());
    for (int row = 0; row < table.recordCount(); ++row) {
        for (int field = 0; field < width; ++field)
            (void)table.valueAt(row, field);
    }
}

// What a saved value reads back as: control characters other than tab and line ends
// cannot be written in XML and are left out.
QString writable(const QString& value)
{
    QString kept;
    for (const QChar c : value) {
        if (c.unicode() >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r')
            kept.append(c);
    }
    return kept;
}

void checkReadsBack(const Table& table)
{
    Table again;
    for (const FieldDef& field : table.fields())
        again.addField(field.name, field.size);
    FUZZ_CHECK(again.loadFromBytes(table.toBytes()));
    FUZZ_CHECK(again.recordCount() == table.recordCount());
    const int width = int(table.fields().size());
    for (int row = 0; row < table.recordCount(); ++row) {
        for (int field = 0; field < width; ++field)
            FUZZ_CHECK(again.valueAt(row, field) == writable(table.valueAt(row, field)));
    }
}

void readWhole(const QByteArray& bytes)
{
    // With the file's own fields, and with the fields a panel table defines.
    Table table;
    if (table.loadFromBytes(bytes)) {
        readAll(table);
        checkReadsBack(table);
    }
    Table defined;
    defined.addField(u"Champ1"_s, 50);
    defined.addField(u"Champ2"_s, 8);
    defined.addField(u"Champ3"_s, 0);
    if (defined.loadFromBytes(bytes))
        checkReadsBack(defined);
}

void readSlices(std::optional<PacketSlices>& slices, const QByteArray& bytes, int rows)
{
    qsizetype given = slices->bytesGiven();
    const qsizetype step = std::max<qsizetype>(1, bytes.size() / 3);
    for (int round = 0; round < 10000 && !slices->atEnd(); ++round) {
        const std::optional<QByteArray> slice = slices->next(rows);
        if (slice) {
            Table table;
            if (table.loadFromBytes(*slice))
                readAll(table);
            continue;
        }
        FUZZ_CHECK(!slices->complete()); // a whole file always gives its slices
        const qsizetype more = std::min(step, bytes.size() - given);
        slices->append(QByteArrayView(bytes).sliced(given, more));
        given += more;
    }
    FUZZ_CHECK(slices->atEnd());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = rawBytes(data, size);
    readWhole(bytes);

    // In slices of one to five rows, of the whole file or of one read a piece at a time
    // (the first bytes, the last ones, and the rest as it comes), by turns.
    const int rows = 1 + int(size % 5);
    std::optional<PacketSlices> slices;
    if (size % 2 == 0) {
        slices = PacketSlices(bytes);
    } else {
        const auto head = qsizetype(size * 2 / 3);
        const auto tail = std::min<qsizetype>(qsizetype(size), 64);
        slices = PacketSlices::ofStart(bytes.left(head), bytes.right(tail), qsizetype(size));
    }
    if (slices)
        readSlices(slices, bytes, rows);
    return 0;
}
