// The table component against real files: what the engines write must load, and what
// the panel saves must come back exactly.
#include "workspace/Table.h"

#include "FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace orvanel {
namespace {

using namespace Qt::StringLiterals;

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

Table rulesTable()
{
    Table t;
    for (int i = 1; i <= 11; ++i)
        t.addField(u"Champ%1"_s.arg(i), i == 8 ? 5000 : 200);
    return t;
}

Table oneFieldTable(int size = 200)
{
    Table t;
    t.addField(u"Champ1"_s, size);
    return t;
}

// Saves a table holding one record with the given Champ1 and loads it back.
QString roundTrip(const QString& value, int size = 5000)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"t.xml"_s);
    Table out = oneFieldTable(size);
    out.createEmpty();
    out.insert();
    out.setValue(u"Champ1", value);
    out.post();
    QString error;
    EXPECT_TRUE(out.save(path, &error)) << error.toStdString();
    Table in = oneFieldTable(size);
    EXPECT_TRUE(in.open(path, &error)) << error.toStdString();
    in.first();
    return in.value(u"Champ1");
}

const QByteArray kEnginePacket =
    R"(<?xml version="1.0" standalone="yes"?><DATAPACKET Version="2.0"><METADATA><FIELDS>)"
    R"(<FIELD attrname="champ1" fieldtype="string" WIDTH="200"/>)"
    R"(<FIELD attrname="CHAMP2" fieldtype="string" WIDTH="200"/></FIELDS><PARAMS/></METADATA>)"
    R"(<ROWDATA><ROW RowState="4" champ1="www.example.org" CHAMP2="192.0.2.1"/>)"
    R"(<ROW CHAMP2="198.51.100.7" RowState="4"/></ROWDATA></DATAPACKET>)";

TEST(TableFormat, LongRuleTextRoundTripsWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"regles.xml"_s);
    QString longText;
    for (int i = 0; i < 5000; ++i)
        longText.append(QChar(u'a' + i % 26));
    Table out = rulesTable();
    out.createEmpty();
    out.insert();
    out.setValue(u"Champ1", u"règle"_s);
    out.setValue(u"Champ8", longText);
    out.post();
    ASSERT_TRUE(out.save(path));

    Table in = rulesTable();
    ASSERT_TRUE(in.open(path));
    ASSERT_EQ(in.recordCount(), 1);
    in.first();
    EXPECT_EQ(in.value(u"Champ8").size(), 5000);
    EXPECT_EQ(in.value(u"Champ8"), longText);
    EXPECT_EQ(in.value(u"Champ1"), u"règle"_s);
    EXPECT_EQ(in.value(u"Champ11"), QString());
}

TEST(TableFormat, SpecialCharactersRoundTrip)
{
    const QStringList values = {uR"(say "hi" & <bye>)"_s,   u"line one\nline two"_s,
                                u"crlf\r\nend"_s,           u"tab\there"_s,
                                u"  blanks kept  "_s,       u"it's 'quoted'"_s,
                                u"]]> and &amp; literal"_s, u"€ é ü 中文 😀"_s};
    for (const QString& value : values)
        EXPECT_EQ(roundTrip(value), value) << value.toStdString();
}

TEST(TableFormat, SavedFileIsTheDataPacketLayout)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"site.xml"_s);
    Table t;
    t.addField(u"Champ1"_s, 200);
    t.addField(u"Champ2"_s, 200);
    t.createEmpty();
    t.insert();
    t.setValue(u"Champ1", u"a\"b"_s);
    t.setValue(u"Champ2", u"1.2.3.4"_s);
    t.post();
    ASSERT_TRUE(t.save(path));
    EXPECT_EQ(readFile(path),
              R"(<?xml version="1.0" standalone="yes"?><DATAPACKET Version="2.0"><METADATA>)"
              R"(<FIELDS><FIELD attrname="Champ1" fieldtype="string" WIDTH="200"/>)"
              R"(<FIELD attrname="Champ2" fieldtype="string" WIDTH="200"/></FIELDS><PARAMS/>)"
              R"(</METADATA><ROWDATA><ROW Champ1="a&quot;b" Champ2="1.2.3.4"/></ROWDATA>)"
              R"(</DATAPACKET>)");
}

TEST(TableFormat, LineEndsAreWrittenAsReferences)
{
    // Conforming XML readers turn literal line ends in attributes into blanks.
    Table t = oneFieldTable();
    t.createEmpty();
    t.insert();
    t.setValue(u"Champ1", u"a\r\nb\tc"_s);
    t.post();
    const QByteArray bytes = t.toBytes();
    EXPECT_TRUE(bytes.contains(R"(Champ1="a&#13;&#10;b&#9;c")")) << bytes.toStdString();
}

TEST(TableFormat, ControlCharactersThatXmlCannotHoldAreLeftOut)
{
    // A file with such a character would be refused whole by the engines' readers.
    EXPECT_EQ(roundTrip(u"a\x01"
                        "b\x1F"
                        "c"_s),
              u"abc"_s);
}

TEST(TableLimits, OverlongValuesAreCutToTheFieldSize)
{
    EXPECT_EQ(roundTrip(QString(250, u'x'), 200), QString(200, u'x'));
    EXPECT_EQ(roundTrip(u"abcdef"_s, 3), u"abc"_s);
    EXPECT_EQ(roundTrip(u"abc"_s, 3), u"abc"_s);
}

TEST(TableLimits, SizesCountCharactersNotBytes)
{
    // Two-byte, three-byte and four-byte UTF-8 characters; the cut never splits one.
    EXPECT_EQ(roundTrip(QString(250, u'é'), 200), QString(200, u'é'));
    EXPECT_EQ(roundTrip(u"€€€€€"_s, 4), u"€€€€"_s);
    EXPECT_EQ(roundTrip(u"😀😀😀"_s, 2), u"😀😀"_s);
    EXPECT_EQ(roundTrip(u"a😀b"_s, 2), u"a😀"_s);
}

TEST(TableLimits, OverlongValuesInAFileAreCutWhenLoaded)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"t.xml"_s);
    writeFile(path, R"(<DATAPACKET><ROWDATA><ROW Champ1="ééééé"/></ROWDATA></DATAPACKET>)");
    Table t = oneFieldTable(3);
    ASSERT_TRUE(t.open(path));
    t.first();
    EXPECT_EQ(t.value(u"Champ1"), u"ééé"_s);
}

TEST(TableReading, EngineFilesWithOtherLetterCaseAndExtraAttributesLoad)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"site.xml"_s);
    writeFile(path, kEnginePacket);
    Table t;
    t.addField(u"Champ1"_s, 200);
    t.addField(u"Champ2"_s, 200);
    ASSERT_TRUE(t.open(path));
    ASSERT_EQ(t.recordCount(), 2);
    t.first();
    EXPECT_EQ(t.value(u"Champ1"), u"www.example.org"_s);
    EXPECT_EQ(t.value(u"champ2"), u"192.0.2.1"_s);
    t.next();
    EXPECT_EQ(t.value(u"CHAMP1"), QString()); // missing attribute: empty
    EXPECT_EQ(t.value(u"Champ2"), u"198.51.100.7"_s);
    t.next();
    EXPECT_TRUE(t.atEnd());
}

TEST(TableReading, WithoutDefinitionsTheFileFieldsAreTaken)
{
    Table t;
    ASSERT_TRUE(t.loadFromBytes(kEnginePacket));
    ASSERT_EQ(t.fields().size(), 2u);
    EXPECT_EQ(t.fields()[0].name, u"champ1"_s);
    EXPECT_EQ(t.fields()[1].size, 200);
    t.first();
    EXPECT_EQ(t.value(u"Champ2"), u"192.0.2.1"_s);
}

// A table that takes its fields from the file must save rows that read back the same:
// a name listed twice is one field, and a name no row could hold is left out.
TEST(TableReading, FileFieldsReadBackAfterASave)
{
    struct Case
    {
        const char* fields;
        const char* row;
        QStringList names;
        QStringList values;
    };
    const Case cases[] = {
        {R"(<FIELD attrname="Champ1"/><FIELD attrname="Champ2"/>)",
         R"(Champ1="a" Champ2="b")",
         {u"Champ1"_s, u"Champ2"_s},
         {u"a"_s, u"b"_s}},
        {R"(<FIELD attrname="Champ2"/><FIELD attrname="Champ2"/><FIELD attrname="Champ3"/>)",
         R"(Champ2="kept" Champ3="c")",
         {u"Champ2"_s, u"Champ3"_s},
         {u"kept"_s, u"c"_s}},
        {R"(<FIELD attrname="champ1"/><FIELD attrname="CHAMP1"/>)",
         R"(CHAMP1="x")",
         {u"champ1"_s},
         {u"x"_s}},
        {R"(<FIELD attrname="a b"/><FIELD attrname="Champ1"/>)",
         R"(Champ1="v")",
         {u"Champ1"_s},
         {u"v"_s}},
        {R"(<FIELD attrname="1st"/><FIELD attrname="x&quot;y"/><FIELD attrname="Champ1"/>)",
         R"(Champ1="v")",
         {u"Champ1"_s},
         {u"v"_s}},
        {R"(<FIELD attrname="ns:a"/><FIELD attrname="_b.c-d"/><FIELD attrname="élève"/>)",
         R"(ns:a="1" _b.c-d="2" élève="3")",
         {u"ns:a"_s, u"_b.c-d"_s, u"élève"_s},
         {u"1"_s, u"2"_s, u"3"_s}},
    };
    for (const Case& c : cases) {
        const QByteArray packet = "<DATAPACKET><METADATA><FIELDS>"_ba + c.fields +
                                  "</FIELDS></METADATA><ROWDATA><ROW " + c.row +
                                  "/></ROWDATA></DATAPACKET>";
        Table loaded;
        ASSERT_TRUE(loaded.loadFromBytes(packet)) << c.fields;
        Table again;
        QString error;
        ASSERT_TRUE(again.loadFromBytes(loaded.toBytes(), &error))
            << c.fields << ": " << error.toStdString();
        QStringList names;
        QStringList values;
        for (std::size_t i = 0; i < again.fields().size(); ++i) {
            names.append(again.fields()[i].name);
            values.append(again.valueAt(0, int(i)));
        }
        EXPECT_EQ(names, c.names) << c.fields;
        EXPECT_EQ(values, c.values) << c.fields;
    }

    // A character reference past the last code point gives bytes that are no UTF-8. Saved
    // as they are, they made the whole file read back as Windows-1252, and every accented
    // letter of every row changed.
    Table loaded;
    ASSERT_TRUE(loaded.loadFromBytes(
        "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"Champ1\"/><FIELD attrname=\"Champ2\"/>"
        "</FIELDS></METADATA><ROWDATA><ROW Champ1=\"&#101111111111111;x\" "
        "Champ2=\"r\xc3\xa9ussie\"/>"
        "</ROWDATA></DATAPACKET>"_ba));
    Table again;
    ASSERT_TRUE(again.loadFromBytes(loaded.toBytes()));
    EXPECT_EQ(again.valueAt(0, 1), u"réussie"_s);
    EXPECT_EQ(again.valueAt(0, 0), loaded.valueAt(0, 0));

    // Cut to a field's width, such a cell keeps as many characters as it shows, and reads
    // back the same once written.
    Table narrow;
    narrow.addField(u"Champ1"_s, 4);
    ASSERT_TRUE(narrow.loadFromBytes("<DATAPACKET><ROWDATA><ROW Champ1=\"ab &#1088888888888;\"/>"
                                     "</ROWDATA></DATAPACKET>"_ba));
    Table narrowAgain;
    narrowAgain.addField(u"Champ1"_s, 4);
    ASSERT_TRUE(narrowAgain.loadFromBytes(narrow.toBytes()));
    EXPECT_EQ(narrow.valueAt(0, 0).size(), 4);
    EXPECT_EQ(narrowAgain.valueAt(0, 0), narrow.valueAt(0, 0));
}

TEST(TableReading, DefinedFieldsWinOverTheFileFields)
{
    // The file knows Champ1 and Champ2; the table is defined with Champ2 and Champ3.
    Table t;
    t.addField(u"Champ2"_s, 5);
    t.addField(u"Champ3"_s, 200);
    ASSERT_TRUE(t.loadFromBytes(kEnginePacket));
    ASSERT_EQ(t.fields().size(), 2u);
    t.first();
    EXPECT_EQ(t.value(u"Champ2"), u"192.0"_s);
    EXPECT_EQ(t.value(u"Champ3"), QString());
    EXPECT_EQ(t.value(u"Champ1"), QString());
}

TEST(TableReading, AnsiFilesOfOlderInstallationsReadAsWindows1252)
{
    Table t = oneFieldTable();
    ASSERT_TRUE(t.loadFromBytes("<DATAPACKET><ROWDATA><ROW Champ1=\"caf\xE9 \x80\"/>"
                                "</ROWDATA></DATAPACKET>"));
    t.first();
    EXPECT_EQ(t.value(u"Champ1"), u"café €"_s);
}

TEST(TableReading, LiteralLineEndsInAttributesAreKept)
{
    Table t = oneFieldTable();
    ASSERT_TRUE(t.loadFromBytes("<DATAPACKET><ROWDATA><ROW Champ1=\"a\nb\"/>"
                                "</ROWDATA></DATAPACKET>"));
    t.first();
    EXPECT_EQ(t.value(u"Champ1"), u"a\nb"_s);
}

TEST(TableReading, BrokenFilesFailWithAReason)
{
    QTemporaryDir dir;
    struct Case
    {
        const char* name;
        QByteArray bytes;
        const char* reasonPart;
    };
    const Case cases[] = {
        {"empty", "", "not an XML file"},
        {"garbage", "\x01\x02 not xml at all", "not an XML file"},
        {"cut", R"(<DATAPACKET><ROWDATA><ROW Champ1="a)", "not an XML file"},
        {"other", R"(<html><body/></html>)", "DATAPACKET"},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        writeFile(path, c.bytes);
        Table t = oneFieldTable();
        QString error;
        EXPECT_FALSE(t.open(path, &error)) << c.name;
        EXPECT_FALSE(t.isOpen()) << c.name;
        EXPECT_TRUE(error.contains(QLatin1String(c.reasonPart))) << error.toStdString();
    }
    Table t = oneFieldTable();
    QString error;
    EXPECT_FALSE(t.open(dir.filePath(u"missing.xml"_s), &error));
    EXPECT_TRUE(error.contains(u"does not exist"_s)) << error.toStdString();
}

TEST(TableEditing, InsertedRecordsGoAtTheEnd)
{
    Table t = oneFieldTable();
    t.createEmpty();
    for (const char* name : {"a", "b", "c"}) {
        t.insert();
        t.setValue(u"champ1", QString::fromLatin1(name));
        t.post();
    }
    t.first();
    t.insert();
    EXPECT_EQ(t.value(u"Champ1"), QString()); // the record being inserted
    t.setValue(u"Champ1", u"d"_s);
    t.post();
    EXPECT_EQ(t.currentIndex(), 3);
    QStringList order;
    for (t.first(); !t.atEnd(); t.next())
        order.append(t.value(u"Champ1"));
    EXPECT_EQ(order, (QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
}

TEST(TableEditing, EditRemoveAndEmpty)
{
    Table t = oneFieldTable();
    t.createEmpty();
    for (const char* name : {"a", "b", "c"}) {
        t.insert();
        t.setValue(u"Champ1", QString::fromLatin1(name));
        t.post();
    }
    t.first();
    t.next();
    EXPECT_TRUE(t.setValue(u"Champ1", u"B"_s)); // edits the current record
    EXPECT_FALSE(t.setValue(u"Champ9", u"x"_s));
    t.removeAt(0);
    ASSERT_EQ(t.recordCount(), 2);
    EXPECT_EQ(t.valueAt(0, t.fieldIndexOf(u"CHAMP1")), u"B"_s);
    EXPECT_EQ(t.valueAt(1, 0), u"c"_s);
    EXPECT_EQ(t.valueAt(2, 0), QString());
    // The cursor stays on the record it was on, now one place up.
    EXPECT_EQ(t.value(u"Champ1"), u"B"_s);
    t.emptyTable();
    EXPECT_EQ(t.recordCount(), 0);
    t.first();
    EXPECT_TRUE(t.atEnd());
    EXPECT_FALSE(t.setValue(u"Champ1", u"x"_s)); // no current record
}

TEST(TableSaving, FailedWriteLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"regles.xml"_s);
    writeFile(path, kEnginePacket);
    Table t = rulesTable();
    t.createEmpty();
    for (int i = 0; i < 200; ++i) {
        t.insert();
        t.setValue(u"Champ8", QString(1000, u'r'));
        t.post();
    }
    QString error;
    bool saved = true;
    {
        testing::FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.active());
        saved = t.save(path, &error);
    }
    EXPECT_FALSE(saved);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readFile(path), kEnginePacket);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"regles.xml"_s});
}

// A small table fits the write buffer: its failure only shows when the buffer reaches
// the disk, and must still be reported.
TEST(TableSaving, FailedWriteOfASmallTableIsReported)
{
    for (const rlim_t room : {rlim_t(0), rlim_t(16)}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"configuration.xml"_s);
        writeFile(path, kEnginePacket);
        Table t = rulesTable();
        t.createEmpty();
        t.insert();
        t.setValue(u"Champ1", u"1"_s);
        t.post();
        QString error;
        bool saved = true;
        {
            testing::FileSizeLimit limit(room);
            ASSERT_TRUE(limit.active());
            saved = t.save(path, &error);
        }
        EXPECT_FALSE(saved) << "room for " << room << " bytes";
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(readFile(path), kEnginePacket);
    }
}

TEST(TableSaving, ReadOnlyFolderReportsFailure)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "folder permissions do not bind the superuser";
    QTemporaryDir dir;
    const QString path = dir.filePath(u"site.xml"_s);
    writeFile(path, kEnginePacket);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    Table t = oneFieldTable();
    t.createEmpty();
    QString error;
    EXPECT_FALSE(t.save(path, &error));
    EXPECT_FALSE(error.isEmpty());
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(readFile(path), kEnginePacket);
}

} // namespace
} // namespace orvanel
