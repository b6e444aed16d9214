#include "panel/ConfigurationSwitches.h"
#include "workspace/EngineControl.h"
#include "workspace/PanelState.h"
#include "workspace/TableFiles.h"

#include "support/Doubles.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

const QString kRealTime = u"tempsreel.exe"_s;
const QString kNotifier = u"msgs.exe"_s;

// While it lives no file can be added to the folder, so that a table save (a new file
// renamed over the old one) fails while the table still reads. A read-only mode stops
// every user but root; root is stopped by the folder's immutable attribute instead.
class UnwritableFolder final
{
public:
    explicit UnwritableFolder(const QString& dir) : m_dir(dir)
    {
        if (geteuid() == 0)
            setImmutable(true);
        else
            QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QFile probe(dir + u"probe"_s);
        m_effective = !probe.open(QIODevice::WriteOnly);
        if (!m_effective)
            probe.remove();
    }
    ~UnwritableFolder()
    {
        if (geteuid() == 0)
            setImmutable(false);
        QFile::setPermissions(m_dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                         QFileDevice::ExeOwner);
    }
    bool isEffective() const { return m_effective; }

private:
    void setImmutable(bool on)
    {
        const int fd = ::open(QFile::encodeName(m_dir).constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return;
        int flags = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        ::close(fd);
    }

    QString m_dir;
    bool m_effective = false;
};

class ConfigurationTest : public ::testing::Test
{
protected:
    ConfigurationTest()
        : engines(workspace.dir(), fake.processes, fake.spawner, fake.probe),
          tables(workspace.dir(), engines, [this] { return state.alertLevel; })
    {
        state.workspaceDir = workspace.dir();
    }

    // Writes configuration.xml with these twelve field values.
    void writeFields(const QStringList& values)
    {
        ASSERT_TRUE(tables.create(TableId::Configuration));
        ASSERT_TRUE(tables.use(TableId::Configuration, [&values](Table& table) {
            table.first();
            for (int i = 0; i < values.size(); ++i)
                table.setValue(u"Champ%1"_s.arg(i + 1), values.at(i));
            return true;
        }));
    }

    QStringList fields()
    {
        QStringList values;
        const bool read = tables.use(TableId::Configuration, [&values](Table& table) {
            EXPECT_EQ(table.recordCount(), 1);
            table.first();
            for (int i = 1; i <= 12; ++i)
                values.append(table.value(u"Champ%1"_s.arg(i)));
            return false;
        });
        EXPECT_TRUE(read);
        return values;
    }

    void click(int checkBox, bool checked)
    {
        configuration::switchClicked(state, *switchOfCheckBox(checkBox), checked, engines, tables,
                                     fake.prompt);
    }

    int realTimeStops() const
    {
        return int(std::count(fake.processes.terminated.begin(), fake.processes.terminated.end(),
                              kRealTime));
    }

    TestWorkspace workspace;
    FakePlatform fake;
    PanelState state;
    EngineControl engines;
    TableFiles tables;
};

const QStringList kAllOn = QStringList(12, u"1"_s);

TEST(ConfigurationFields, CheckBoxesSetTheirFields)
{
    const std::pair<int, int> pairs[] = {{3, 1}, {4, 2}, {6, 3},  {7, 4},   {8, 5},   {9, 6},
                                         {5, 7}, {2, 8}, {10, 9}, {11, 10}, {12, 11}, {13, 12}};
    for (const auto& [box, field] : pairs) {
        ASSERT_TRUE(switchOfCheckBox(box).has_value()) << "CheckBox" << box;
        EXPECT_EQ(switchRow(*switchOfCheckBox(box)).field, field) << "CheckBox" << box;
        EXPECT_EQ(fieldName(*switchOfCheckBox(box)), u"Champ%1"_s.arg(field));
    }
    for (int box : {0, 1, 14, -3})
        EXPECT_FALSE(switchOfCheckBox(box).has_value()) << box;
    // Only the site filter is read by the panel itself; the clean-up page reads its boxes.
    EXPECT_EQ(switchRow(Switch::SiteFilter).reader, SwitchReader::Panel);
    EXPECT_TRUE(Switches::defaults().allOn());
}

TEST_F(ConfigurationTest, FirstStartWritesTwelveOnes)
{
    ASSERT_FALSE(workspace.exists(u"configuration.xml"_s));
    const Switches switches = configuration::load(tables).value();
    EXPECT_TRUE(switches.allOn());
    EXPECT_EQ(fields(), kAllOn);
}

TEST_F(ConfigurationTest, OnlyExactlyOneIsOn)
{
    writeFields({u"1"_s, u"0"_s, u"01"_s, u" 1"_s, u"true"_s, QString(), u"1"_s, u"1 "_s, u"I"_s,
                 u"1"_s, u"yes"_s, u"1"_s});
    const Switches switches = configuration::load(tables).value();
    Switches expected = Switches::allSetTo(false);
    for (const Switch on : {Switch::CheckOpenedFiles, Switch::SiteFilter,
                            Switch::CleanStartUpEntries, Switch::BlockCookies})
        expected.set(on, true);
    EXPECT_EQ(switches, expected);
}

TEST_F(ConfigurationTest, UnreadableFileIsKeptAsideAndRecreatedAllOn)
{
    workspace.write(u"configuration.xml"_s, "<DATAPACKET broken");
    const Switches switches = configuration::load(tables).value();
    EXPECT_TRUE(switches.allOn());
    EXPECT_EQ(fields(), kAllOn);
    EXPECT_EQ(workspace.read(u"configuration.xml.bad"_s), QByteArray("<DATAPACKET broken"));
}

TEST_F(ConfigurationTest, FirstClickWritesZeroForThatSwitchOnly)
{
    state.switches = configuration::load(tables).value();
    click(2, false);
    QStringList expected = kAllOn;
    expected[7] = u"0"_s; // Champ8
    EXPECT_EQ(fields(), expected);
    EXPECT_FALSE(state.switches.on(Switch::WatchConnectingPrograms));

    click(3, false); // Champ1
    expected[0] = u"0"_s;
    EXPECT_EQ(fields(), expected);
    click(3, true);
    expected[0] = u"1"_s;
    EXPECT_EQ(fields(), expected);
}

TEST_F(ConfigurationTest, EveryClickRestartsTheRealTimeEngineOnce)
{
    state.switches = configuration::load(tables).value();
    fake.processes.add(kRealTime);
    click(2, false);
    EXPECT_EQ(realTimeStops(), 1);
    EXPECT_EQ(fake.spawner.count(kRealTime), 1);
    EXPECT_EQ(fake.processes.count(kRealTime), 1);

    click(13, true); // the row stays as it was: still one restart
    EXPECT_EQ(realTimeStops(), 2);
    EXPECT_EQ(fake.spawner.count(kRealTime), 2);
    EXPECT_EQ(fake.processes.count(kRealTime), 1);
    EXPECT_TRUE(fake.spawner.calls.back().arguments.isEmpty());
}

class FailedSaveTest : public ConfigurationTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(FailedSaveTest, IsNotifiedAboveLevelOneAndTheEngineStillRestarts)
{
    state.alertLevel = GetParam();
    state.switches = configuration::load(tables).value();
    const QByteArray before = workspace.read(u"configuration.xml"_s);
    ASSERT_FALSE(before.isEmpty());
    fake.processes.add(kRealTime);
    {
        UnwritableFolder folder(workspace.dir());
        if (!folder.isEffective())
            GTEST_SKIP() << "this file system lets the test write into a locked folder";
        click(4, false);
    }

    EXPECT_EQ(workspace.read(u"configuration.xml"_s), before); // the old row is kept
    EXPECT_TRUE(fake.prompt.errors.isEmpty());
    EXPECT_EQ(realTimeStops(), 1);
    EXPECT_EQ(fake.spawner.count(kRealTime), 1);
    if (GetParam() > 1) {
        ASSERT_EQ(fake.spawner.count(kNotifier), 1);
        EXPECT_EQ(fake.spawner.calls.front().name, kNotifier); // before the restart
        EXPECT_EQ(fake.spawner.calls.front().arguments,
                  QStringList{u"erreur;configuration;checkb"_s});
    } else {
        EXPECT_EQ(fake.spawner.count(kNotifier), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(AlertLevels, FailedSaveTest, ::testing::Values(1, 2, 3));

TEST_F(ConfigurationTest, WriteAnswersTheSaveFailure)
{
    const Switches switches = configuration::load(tables).value();
    QString error;
    bool written = true;
    {
        UnwritableFolder folder(workspace.dir());
        if (!folder.isEffective())
            GTEST_SKIP() << "this file system lets the test write into a locked folder";
        written = configuration::write(switches, engines, tables, 2, &error);
    }
    EXPECT_FALSE(written);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(configuration::write(switches, engines, tables, 2, &error));
}

TEST_F(ConfigurationTest, LoadFailureStillRestartsTheEngineAndShowsTheErrorBox)
{
    state.switches = configuration::load(tables).value();
    workspace.write(u"configuration.xml"_s, "garbage");
    fake.processes.add(kRealTime);
    click(2, false);

    EXPECT_EQ(realTimeStops(), 1);
    EXPECT_EQ(fake.spawner.count(kRealTime), 1);
    EXPECT_EQ(fake.processes.count(kRealTime), 1);
    ASSERT_EQ(fake.prompt.errors.size(), 1);
    EXPECT_FALSE(fake.prompt.errors.front().isEmpty());
    EXPECT_EQ(fake.spawner.count(kNotifier), 0);
    EXPECT_EQ(workspace.read(u"configuration.xml"_s), QByteArray("garbage"));
    EXPECT_FALSE(state.switches.on(Switch::WatchConnectingPrograms)); // the switch itself is stored
}

TEST_F(ConfigurationTest, MissingFileAtClickIsALoadFailure)
{
    QString error;
    EXPECT_FALSE(configuration::write(state.switches, engines, tables, 2, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(fake.spawner.count(kRealTime), 1);
}

} // namespace
} // namespace orvanel::testing
