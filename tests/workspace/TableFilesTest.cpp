// The seven table files: their layout, their default content, the start-up opening that
// recreates broken files, and one piece of work under the file-free wait.
#include "workspace/TableFiles.h"
#include "workspace/EngineControl.h"
#include "workspace/HeldFile.h"

#include "support/Doubles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <sys/stat.h>
#include <thread>

namespace orvanel {
namespace {

using namespace Qt::StringLiterals;

// Answers busy a given number of times, then free.
class CountingProbe final : public platform::ExclusiveOpenProbe
{
public:
    bool isBusy(const QString& path) const override
    {
        asked.append(path);
        return busyAnswers < 0 || asked.size() <= busyAnswers;
    }
    int busyAnswers = 0; // -1: busy for ever
    mutable QStringList asked;
};

class TableFilesTest : public ::testing::Test
{
protected:
    QString dir() const { return QDir(m_dir.path()).canonicalPath() + u'/'; }

    void put(const QString& name, const QByteArray& bytes) const
    {
        QFile f(dir() + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray get(const QString& name) const
    {
        QFile f(dir() + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The Champ1 values of a table file, in file order.
    QStringList firstColumn(TableId id)
    {
        QStringList values;
        Table t;
        defineFields(t, id);
        EXPECT_TRUE(t.open(m_tables.path(id)));
        for (t.first(); !t.atEnd(); t.next())
            values.append(t.value(u"Champ1"));
        return values;
    }

    QTemporaryDir m_dir;
    testing::FakeProcessTable m_processes;
    testing::RecordingSpawner m_spawner{&m_processes};
    CountingProbe m_probe;
    int m_level = 2;
    EngineControl m_engines{dir(), m_processes, m_spawner, m_probe};
    TableFiles m_tables{dir(), m_engines, [this] { return m_level; }};
};

TEST(TableDefinitions, ObjectsFilesAndFields)
{
    struct Expected
    {
        TableId id;
        const char* object;
        const char* file;
        int fields;
        int wideField; // the 5000-character field, 0 for none
    };
    const Expected expected[] = {
        {TableId::Rules, "ClientDataSet1", "regles.xml", 11, 8},
        {TableId::Alerts, "ClientDataSet2", "alertes.xml", 9, 9},
        {TableId::Events, "ClientDataSet3", "evenements.xml", 1, 0},
        {TableId::Quarantine, "ClientDataSet4", "quarantaines.xml", 1, 0},
        {TableId::Languages, "ClientDataSet5", "langues.xml", 1, 0},
        {TableId::Sites, "ClientDataSet9", "site.xml", 2, 0},
        {TableId::Configuration, "ClientDataSet10", "configuration.xml", 12, 0},
    };
    for (const Expected& e : expected) {
        const TableDefinition& definition = tableDefinition(e.id);
        EXPECT_STREQ(definition.objectName, e.object);
        EXPECT_EQ(definition.fileName, QLatin1String(e.file));
        ASSERT_EQ(int(definition.fields.size()), e.fields) << e.file;
        for (int i = 0; i < e.fields; ++i) {
            EXPECT_EQ(definition.fields[std::size_t(i)].name, u"Champ%1"_s.arg(i + 1));
            EXPECT_EQ(definition.fields[std::size_t(i)].size, i + 1 == e.wideField ? 5000 : 200);
        }
    }
}

TEST_F(TableFilesTest, ConfigurationStartsWithTwelveSwitchesOn)
{
    ASSERT_TRUE(m_tables.create(TableId::Configuration));
    Table t;
    defineFields(t, TableId::Configuration);
    ASSERT_TRUE(t.open(m_tables.path(TableId::Configuration)));
    ASSERT_EQ(t.recordCount(), 1);
    t.first();
    for (int i = 1; i <= 12; ++i)
        EXPECT_EQ(t.value(u"Champ%1"_s.arg(i)), u"1"_s) << i;
    EXPECT_TRUE(m_spawner.calls.empty());
}

TEST_F(TableFilesTest, LanguageTableStartsWithFrench)
{
    ASSERT_TRUE(m_tables.create(TableId::Languages));
    EXPECT_EQ(firstColumn(TableId::Languages), QStringList{u"FR"_s});
}

TEST_F(TableFilesTest, OtherTablesStartEmpty)
{
    for (TableId id :
         {TableId::Rules, TableId::Alerts, TableId::Events, TableId::Quarantine, TableId::Sites}) {
        ASSERT_TRUE(m_tables.create(id));
        EXPECT_EQ(firstColumn(id), QStringList());
        EXPECT_TRUE(get(tableDefinition(id).fileName).contains(R"(WIDTH="200")"));
    }
    EXPECT_TRUE(get(u"regles.xml"_s)
                    .contains(R"(<FIELD attrname="Champ8" fieldtype="string" WIDTH="5000"/>)"));
}

TEST_F(TableFilesTest, FailedConfigurationCreationIsNotifiedAboveLevelOne)
{
    // A workspace folder that does not exist makes every save fail.
    EngineControl engines(dir() + u"gone/"_s, m_processes, m_spawner, m_probe);
    TableFiles tables(dir() + u"gone/"_s, engines, [this] { return m_level; });
    QString error;
    EXPECT_FALSE(tables.create(TableId::Configuration, &error));
    EXPECT_FALSE(error.isEmpty());
    ASSERT_EQ(m_spawner.calls.size(), 1u);
    EXPECT_EQ(m_spawner.calls[0].name, u"msgs.exe"_s);
    EXPECT_EQ(m_spawner.calls[0].arguments, QStringList{u"erreur;creation;configuration"_s});

    m_level = 1;
    EXPECT_FALSE(tables.create(TableId::Configuration));
    EXPECT_FALSE(tables.create(TableId::Languages));
    EXPECT_EQ(m_spawner.calls.size(), 1u);
}

TEST_F(TableFilesTest, MissingFileIsCreatedAtStart)
{
    ASSERT_TRUE(m_tables.openWithRecreation(TableId::Languages));
    EXPECT_EQ(firstColumn(TableId::Languages), QStringList{u"FR"_s});
}

TEST_F(TableFilesTest, ReadableFileIsLeftAsItIs)
{
    const QByteArray engineFile =
        R"(<DATAPACKET Version="2.0"><ROWDATA><ROW champ1="www.example.org" Champ2="192.0.2.1" RowState="4"/></ROWDATA></DATAPACKET>)";
    put(u"site.xml"_s, engineFile);
    ASSERT_TRUE(m_tables.openWithRecreation(TableId::Sites));
    EXPECT_EQ(get(u"site.xml"_s), engineFile);
    EXPECT_FALSE(QFile::exists(dir() + u"site.xml.bad"_s));
}

TEST_F(TableFilesTest, CorruptFileIsSetAsideAndRecreated)
{
    put(u"site.xml.bad"_s, "an older broken copy");
    const QByteArray corrupt = R"(<DATAPACKET><ROWDATA><ROW Champ1="www.exa)";
    put(u"site.xml"_s, corrupt);
    ASSERT_TRUE(m_tables.openWithRecreation(TableId::Sites));
    EXPECT_EQ(get(u"site.xml.bad"_s), corrupt); // the newest broken copy is kept
    EXPECT_EQ(firstColumn(TableId::Sites), QStringList());
}

TEST_F(TableFilesTest, WorkIsSavedOnlyWhenItAsksForIt)
{
    ASSERT_TRUE(m_tables.create(TableId::Events));
    const QByteArray before = get(u"evenements.xml"_s);
    EXPECT_TRUE(m_tables.use(TableId::Events, [](Table& t) {
        t.insert();
        t.setValue(u"Champ1", u"not kept"_s);
        t.post();
        return false;
    }));
    EXPECT_EQ(get(u"evenements.xml"_s), before);

    EXPECT_TRUE(m_tables.use(TableId::Events, [](Table& t) {
        t.insert();
        t.setValue(u"Champ1", u"kept"_s);
        t.post();
        return true;
    }));
    EXPECT_EQ(firstColumn(TableId::Events), QStringList{u"kept"_s});
    EXPECT_EQ(m_probe.asked.last(), dir() + u"evenements.xml"_s);
}

TEST_F(TableFilesTest, WorkWaitsUntilTheFileIsFree)
{
    ASSERT_TRUE(m_tables.create(TableId::Events));
    m_probe.busyAnswers = 3;
    bool worked = false;
    EXPECT_TRUE(m_tables.use(TableId::Events, [&](Table&) { return worked = true; }));
    EXPECT_TRUE(worked);
    EXPECT_EQ(m_probe.asked.size(), 4);
}

TEST_F(TableFilesTest, AGivenUpWaitWritesNothing)
{
    ASSERT_TRUE(m_tables.create(TableId::Events));
    const QByteArray before = get(u"evenements.xml"_s);
    m_probe.busyAnswers = -1;
    m_engines.setFreeWaitBound(std::chrono::milliseconds(60));
    bool worked = false;
    QString error;
    EXPECT_FALSE(m_tables.use(
        TableId::Events, [&](Table&) { return worked = true; }, &error));
    EXPECT_FALSE(worked);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(get(u"evenements.xml"_s), before);
}

TEST_F(TableFilesTest, AChangeWaitsForAnEngineHoldingTheLockAndKeepsItsRow)
{
    // The probe answers free, as it may just before an engine takes the file: the change
    // itself must still wait for the engine's lock and read what the engine wrote.
    ASSERT_TRUE(m_tables.create(TableId::Rules));
    const QString path = m_tables.path(TableId::Rules);
    const auto addRow = [](Table& table, const QString& name) {
        table.insert();
        table.setValue(u"Champ1", name);
        table.post();
        return true;
    };
    std::atomic<bool> locked = false;
    std::thread engine([&] {
        const HeldFile held(path, HeldFile::Mode::Exclusive);
        locked = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        Table table;
        defineFields(table, TableId::Rules);
        ASSERT_TRUE(table.open(path));
        addRow(table, u"engine"_s);
        ASSERT_TRUE(table.save(path)); // a new file renamed into place, as engines do
    });
    while (!locked)
        std::this_thread::yield();
    EXPECT_TRUE(
        m_tables.use(TableId::Rules, [&](Table& table) { return addRow(table, u"panel"_s); }));
    engine.join();
    EXPECT_EQ(firstColumn(TableId::Rules), (QStringList{u"engine"_s, u"panel"_s}));

    // Held for longer than the wait allows: nothing is written.
    m_engines.setFreeWaitBound(std::chrono::milliseconds(50));
    const HeldFile held(path, HeldFile::Mode::Exclusive);
    QString error;
    EXPECT_FALSE(m_tables.use(
        TableId::Rules, [&](Table& table) { return addRow(table, u"late"_s); }, &error));
    EXPECT_TRUE(error.contains(u"held"_s)) << error.toStdString();
    EXPECT_EQ(firstColumn(TableId::Rules), (QStringList{u"engine"_s, u"panel"_s}));
}

TEST_F(TableFilesTest, WorkOnAMissingFileFails)
{
    bool worked = false;
    QString error;
    EXPECT_FALSE(m_tables.use(
        TableId::Sites, [&](Table&) { return worked = true; }, &error));
    EXPECT_FALSE(worked);
    EXPECT_TRUE(error.contains(u"site.xml"_s)) << error.toStdString();
}

TEST_F(TableFilesTest, QuarantineKeepsTheFirstOfEqualNames)
{
    ASSERT_TRUE(m_tables.create(TableId::Quarantine));
    ASSERT_TRUE(m_tables.use(TableId::Quarantine, [](Table& t) {
        for (const char* name : {"a.exe", "b.exe", "A.EXE", "B.Exe", "c.exe", "a.exe"}) {
            t.insert();
            t.setValue(u"Champ1", QString::fromLatin1(name));
            t.post();
        }
        return true;
    }));
    ASSERT_TRUE(m_tables.removeQuarantineDuplicates());
    EXPECT_EQ(firstColumn(TableId::Quarantine), (QStringList{u"a.exe"_s, u"b.exe"_s, u"c.exe"_s}));

    // Without a repeat the file is not saved again: a save would put a new file in place.
    const auto inode = [this] {
        struct stat info = {};
        ::stat(QFile::encodeName(m_tables.path(TableId::Quarantine)).constData(), &info);
        return info.st_ino;
    };
    const ino_t before = inode();
    ASSERT_TRUE(m_tables.removeQuarantineDuplicates());
    EXPECT_EQ(inode(), before);
    EXPECT_EQ(firstColumn(TableId::Quarantine), (QStringList{u"a.exe"_s, u"b.exe"_s, u"c.exe"_s}));
}

TEST_F(TableFilesTest, QuarantineDuplicatesWithAccentedNames)
{
    ASSERT_TRUE(m_tables.create(TableId::Quarantine));
    ASSERT_TRUE(m_tables.use(TableId::Quarantine, [](Table& t) {
        for (const QString& name :
             {u"a.exe"_s, u"b.exe"_s, u"A.EXE"_s, u"été.exe"_s, u"ÉTÉ.EXE"_s}) {
            t.insert();
            t.setValue(u"Champ1", name);
            t.post();
        }
        return true;
    }));
    ASSERT_TRUE(m_tables.removeQuarantineDuplicates());
    EXPECT_EQ(firstColumn(TableId::Quarantine),
              (QStringList{u"a.exe"_s, u"b.exe"_s, u"été.exe"_s}));
}

} // namespace
} // namespace orvanel
