#include "SchedulerFixture.h"

#include "panel/StatusFlags.h"

#include "platform/linux/FlockProbe.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

const QString kScan = u"scanwapper.exe"_s;
const QString kNetpro = u"netpro.exe"_s;
const QString kPopKent = u"pop_kent.exe"_s;
const QString kPngi = u"pngi.exe"_s;
const QString kBackup = u"sauvegarde.exe"_s;
const QString kUpdate = u"majbase.exe"_s;
const QString kNotifier = u"msgs.exe"_s;

// --- minute of the clock -----------------------------------------------------------

// The locale's long time text puts the hour (fr_CA "14 h 05 min 00 s", ja_JP), the
// seconds (fr_CH "14.05:00 h") or other digits (ar_EG, bn_BD) where the minute was read:
// the scheduler must take the minute from the clock, whatever the text shows.
TEST_F(SchedulerTest, EveryLocaleRunsTheHourlyScanOnceAndPopKentOncePerMinute)
{
    for (const char* name :
         {"fr_CH", "fr_BE", "fr_CA", "fi_FI", "da_DK", "ja_JP", "ar_EG", "fa_IR", "bn_BD"}) {
        SCOPED_TRACE(name);
        rebuild(&fake.processes);
        state.hourlyScan = true;
        const QLocale locale{QString::fromLatin1(name)};
        int scans = 0;
        for (const char* time : {"10:59:58", "10:59:59", "11:00:00", "11:00:01", "11:00:03"}) {
            fake.clock.current.setTime(QTime::fromString(QString::fromLatin1(time), u"H:mm:ss"_s));
            fake.clock.text = locale.toString(fake.clock.current.time(), QLocale::LongFormat);
            scheduler->tick();
            scans = int(startsOf(kScan).size());
            finish(kScan);
        }
        EXPECT_EQ(scans, 1);
        // Once at the first tick (two: tick and idle minute) and once at 11:00.
        EXPECT_EQ(spawner->count(kPopKent), 4);
    }
}

TEST_F(SchedulerTest, ClockTextWithoutLeadingZeroGivesTheMinute)
{
    tickAt(u"9:05:00"_s);
    EXPECT_EQ(scheduler->tickMinute(), u"05"_s);
    EXPECT_EQ(scheduler->idleMinute(), u"05"_s);
    EXPECT_TRUE(scheduler->lastTickMinute().isEmpty());

    tickAt(u"9:06:00"_s);
    EXPECT_EQ(scheduler->lastTickMinute(), u"05"_s);
    EXPECT_EQ(scheduler->lastIdleMinute(), u"05"_s);
    EXPECT_EQ(scheduler->tickMinute(), u"06"_s);
}

// --- hourly scan --------------------------------------------------------------------

TEST_F(SchedulerTest, HourlyScanLaunchesOnceAtTheFullHour)
{
    tickAt(u"10:59:59"_s);
    EXPECT_EQ(spawner->count(kScan), 0);

    tickAt(u"11:00:01"_s);
    ASSERT_EQ(startsOf(kScan).size(), 1u);
    EXPECT_EQ(startsOf(kScan).front(), QStringList{u"0"_s});
    EXPECT_EQ(spawner->calls.back().program, workspace.path(kScan));

    // The scan ended quickly: the next tick of the same minute still does not start one.
    finish(kScan);
    tickAt(u"11:00:02"_s);
    EXPECT_EQ(spawner->count(kScan), 1);
}

TEST_F(SchedulerTest, HourlyScanNeedsTheSwitchAndNoRunningScan)
{
    state.hourlyScan = false;
    tickAt(u"10:59:59"_s);
    tickAt(u"11:00:01"_s);
    EXPECT_EQ(spawner->count(kScan), 0);

    state.hourlyScan = true;
    fake.processes.add(kScan);
    tickAt(u"11:59:59"_s);
    tickAt(u"12:00:00"_s);
    EXPECT_EQ(spawner->count(kScan), 0);
}

// --- pngi.exe and pop_kent.exe -------------------------------------------------------

TEST_F(SchedulerTest, PngiIsRestartedOnlyWhenDownAndTheAddressIsNotLoopback)
{
    tickAt(u"10:00:00"_s);
    EXPECT_EQ(spawner->count(kPngi), 1);
    EXPECT_EQ(fake.hostLookup.calls, 1);

    tickAt(u"10:00:01"_s); // running now: no lookup, no start
    EXPECT_EQ(spawner->count(kPngi), 1);
    EXPECT_EQ(fake.hostLookup.calls, 1);

    // Every loopback address means no network; a failed lookup has no address, and
    // that counts as another address. The lookup is made at most once a minute.
    const struct
    {
        const char* address;
        bool starts;
    } cases[] = {{"127.0.0.1", false},
                 {"127.0.1.1", false},
                 {"::1", false},
                 {"192.0.2.44", true},
                 {"", true}};
    int minute = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        finish(kPngi);
        fake.hostLookup.result.address = QString::fromLatin1(c.address);
        const int before = spawner->count(kPngi);
        const int lookups = fake.hostLookup.calls;
        tickAt(u"10:%1:00"_s.arg(minute, 2, 10, QLatin1Char('0')));
        tickAt(u"10:%1:30"_s.arg(minute++, 2, 10, QLatin1Char('0')));
        EXPECT_EQ(spawner->count(kPngi) - before, c.starts ? 1 : 0);
        EXPECT_EQ(fake.hostLookup.calls - lookups, 1);
    }
}

TEST_F(SchedulerTest, PopKentStartsAtEachMinuteChange)
{
    // First tick: both the tick minute and the idle minute change.
    tickAt(u"10:00:00"_s);
    EXPECT_EQ(spawner->count(kPopKent), 2);
    tickAt(u"10:00:01"_s);
    EXPECT_EQ(spawner->count(kPopKent), 2);

    // A minute change during a scan starts it once; the first tick after the scan once more.
    fake.processes.add(kScan);
    tickAt(u"10:01:00"_s);
    EXPECT_EQ(spawner->count(kPopKent), 3);
    finish(kScan);
    tickAt(u"10:01:01"_s);
    EXPECT_EQ(spawner->count(kPopKent), 4);
}

// --- database update ------------------------------------------------------------------

TEST_F(SchedulerTest, DatabaseUpdateLaunchesOncePerRunAtMinuteThirty)
{
    tickAt(u"10:29:59"_s);
    EXPECT_EQ(spawner->count(kUpdate), 0);
    tickAt(u"10:30:00"_s);
    ASSERT_EQ(startsOf(kUpdate).size(), 1u);
    EXPECT_EQ(startsOf(kUpdate).front(), QStringList{u"0"_s});
    EXPECT_TRUE(state.databaseUpdateStarted);

    finish(kUpdate);
    tickAt(u"10:30:01"_s);
    tickAt(u"11:30:00"_s);
    EXPECT_EQ(spawner->count(kUpdate), 1);
}

TEST_F(SchedulerTest, DatabaseUpdateWaitsForAnAddress)
{
    fake.hostLookup.result.address = u"127.0.0.1"_s;
    tickAt(u"10:30:00"_s);
    EXPECT_EQ(spawner->count(kUpdate), 0);
    EXPECT_FALSE(state.databaseUpdateStarted);

    fake.hostLookup.result.address = u"192.0.2.44"_s;
    tickAt(u"11:30:00"_s);
    EXPECT_EQ(spawner->count(kUpdate), 1);
}

// --- backups -----------------------------------------------------------------------------

TEST_F(SchedulerTest, BackupEveryMinuteRunsTheSelectedSetAtEachMinuteChange)
{
    state.backupSchedule = BackupSchedule::EveryMinute;
    // One argument, as the page's button gives it: blanks and quotes stay as they are.
    const QString set = u"/home/ann/my  \"documents\";/media/save  here"_s;
    state.selectedBackupSet = set;
    tickAt(u"10:00:00"_s);
    tickAt(u"10:00:30"_s);
    ASSERT_EQ(startsOf(kBackup).size(), 1u);
    EXPECT_EQ(startsOf(kBackup).front(), QStringList{set});

    tickAt(u"10:01:00"_s); // still running from the last minute
    EXPECT_EQ(spawner->count(kBackup), 1);
    finish(kBackup);
    tickAt(u"10:02:00"_s);
    EXPECT_EQ(spawner->count(kBackup), 2);

    finish(kBackup);
    state.selectedBackupSet.clear();
    tickAt(u"10:03:00"_s);
    EXPECT_EQ(spawner->count(kBackup), 2);
}

TEST_F(SchedulerTest, BackupEveryHourRunsOnlyAtTheFullHour)
{
    state.backupSchedule = BackupSchedule::EveryHour;
    state.selectedBackupSet = u"photos"_s;
    tickAt(u"10:58:00"_s);
    tickAt(u"10:59:00"_s);
    EXPECT_EQ(spawner->count(kBackup), 0);
    tickAt(u"11:00:00"_s);
    EXPECT_EQ(spawner->count(kBackup), 1);
    finish(kBackup);
    tickAt(u"11:00:01"_s);
    tickAt(u"11:01:00"_s);
    EXPECT_EQ(spawner->count(kBackup), 1);
}

TEST_F(SchedulerTest, NoBackupWithoutSchedule)
{
    state.selectedBackupSet = u"photos"_s;
    tickAt(u"10:59:00"_s);
    tickAt(u"11:00:00"_s);
    EXPECT_EQ(spawner->count(kBackup), 0);
}

// --- status flags line and netpro.exe ---------------------------------------------------

TEST(StatusFlags, FirstStartLine)
{
    PanelState state;
    EXPECT_EQ(statusFlagsLine(state), u" 0 0 0 0 0 0 0 0 1 0 0 1 0"_s);
}

TEST(StatusFlags, EachSwitchHasItsPosition)
{
    const std::vector<std::function<void(PanelState&)>> setOne = {
        [](PanelState& s) { s.firewall = true; },
        [](PanelState& s) { s.protocols[0] = true; },
        [](PanelState& s) { s.protocols[1] = true; },
        [](PanelState& s) { s.protocols[2] = true; },
        [](PanelState& s) { s.protocols[3] = true; },
        [](PanelState& s) { s.protocols[4] = true; },
        [](PanelState& s) { s.protocols[5] = true; },
        [](PanelState& s) { s.protocols[6] = true; },
        [](PanelState& s) { s.internet = true; },
        [](PanelState& s) { s.networkCheck = true; },
        [](PanelState& s) { s.networkChoice = true; },
        [](PanelState& s) { s.switches.set(Switch::SiteFilter, true); },
        [](PanelState& s) { s.ctrlpl = true; },
    };
    for (int position = 0; position < int(setOne.size()); ++position) {
        PanelState state;
        state.internet = false;
        state.switches = Switches::allSetTo(false);
        setOne[position](state);
        QString expected = u" 0"_s.repeated(13);
        expected[2 * position + 1] = u'1';
        EXPECT_EQ(statusFlagsLine(state), expected) << "position " << position + 1;
    }
}

TEST_F(SchedulerTest, OnlySiteFilterAmongTheConfigurationSwitchesIsInTheLine)
{
    state.switches = Switches::allSetTo(false);
    EXPECT_EQ(statusFlagsLine(state), u" 0 0 0 0 0 0 0 0 1 0 0 0 0"_s);
    state.switches = Switches::allSetTo(true);
    state.switches.set(Switch::SiteFilter, false);
    EXPECT_EQ(statusFlagsLine(state), u" 0 0 0 0 0 0 0 0 1 0 0 0 0"_s);
}

TEST_F(SchedulerTest, LevelTwoOffersTheLineOncePerMinute)
{
    state.alertLevel = 2;
    tickAt(u"10:00:00"_s); // no earlier minute yet
    EXPECT_EQ(spawner->count(kNetpro), 0);
    tickAt(u"10:00:01"_s);
    EXPECT_EQ(spawner->count(kNetpro), 0);

    tickAt(u"10:01:00"_s);
    ASSERT_EQ(startsOf(kNetpro).size(), 1u);
    EXPECT_EQ(startsOf(kNetpro).front().join(u' '), u"0 0 0 0 0 0 0 0 1 0 0 1 0"_s);

    finish(kNetpro);
    tickAt(u"10:01:01"_s);
    EXPECT_EQ(spawner->count(kNetpro), 1);
    tickAt(u"10:02:00"_s);
    EXPECT_EQ(spawner->count(kNetpro), 2);
}

TEST_F(SchedulerTest, LevelThreeOffersTheLineEveryTickWhileNetproIsDown)
{
    state.alertLevel = 3;
    tickAt(u"10:00:00"_s);
    EXPECT_EQ(spawner->count(kNetpro), 1);
    tickAt(u"10:00:01"_s); // still running
    EXPECT_EQ(spawner->count(kNetpro), 1);
    finish(kNetpro);
    tickAt(u"10:00:02"_s);
    EXPECT_EQ(spawner->count(kNetpro), 2);
}

TEST_F(SchedulerTest, LevelOneNeverStartsNetpro)
{
    state.alertLevel = 1;
    for (const QString& text : {u"10:00:00"_s, u"10:01:00"_s, u"10:02:00"_s})
        tickAt(text);
    EXPECT_EQ(spawner->count(kNetpro), 0);
}

// --- quarantine enforcement -------------------------------------------------------------

class QuarantineTest : public SchedulerTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(QuarantineTest, BothInstancesEndInOneTick)
{
    // netpro.exe is offered the line at level 3 but does not stay up, so the tick goes on
    // to the quarantine.
    rebuild(nullptr);
    state.alertLevel = GetParam();
    quarantine({u"other.exe"_s, u"APP.EXE"_s});
    fake.processes.add(u"app.exe"_s);
    fake.processes.add(u"editor.exe"_s);
    fake.processes.add(u"app.exe"_s);

    tickAt(u"10:00:00"_s);

    EXPECT_EQ(fake.processes.count(u"app.exe"_s), 0);
    EXPECT_EQ(fake.processes.count(u"editor.exe"_s), 1);
    const auto notes = startsOf(kNotifier);
    if (GetParam() > 1) {
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes.front(), QStringList{u"APP.EXE"_s});
    } else {
        EXPECT_TRUE(notes.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(AlertLevels, QuarantineTest, ::testing::Values(1, 2, 3));

TEST_F(SchedulerTest, NothingIsEndedOrOfferedWhileAScanRuns)
{
    int enabled = 0;
    QObject::connect(scheduler.get(), &Scheduler::scanIdle, scheduler.get(),
                     [&enabled] { ++enabled; });
    state.alertLevel = 3;
    quarantine({u"app.exe"_s});
    fake.processes.add(u"app.exe"_s);
    fake.processes.add(kScan);

    tickAt(u"10:00:00"_s);
    tickAt(u"10:01:00"_s);
    EXPECT_EQ(spawner->count(kNetpro), 0);
    EXPECT_EQ(fake.processes.count(u"app.exe"_s), 1);
    EXPECT_EQ(enabled, 0);
    EXPECT_TRUE(scheduler->idleMinute().isEmpty());

    finish(kScan);
    state.alertLevel = 1;
    tickAt(u"10:01:01"_s);
    EXPECT_EQ(enabled, 1);
    EXPECT_EQ(fake.processes.count(u"app.exe"_s), 0);
}

TEST_F(SchedulerTest, RunningNetproKeepsTheQuarantineWaiting)
{
    state.alertLevel = 1;
    quarantine({u"app.exe"_s});
    fake.processes.add(u"app.exe"_s);
    fake.processes.add(kNetpro);
    tickAt(u"10:00:00"_s);
    EXPECT_EQ(fake.processes.count(u"app.exe"_s), 1);
}

TEST_F(SchedulerTest, LevelTwoEnforcesOnlyInTicksOfANewMinute)
{
    state.alertLevel = 2;
    quarantine({u"app.exe"_s});
    tickAt(u"10:00:00"_s);
    fake.processes.add(u"app.exe"_s);
    tickAt(u"10:00:01"_s); // same minute: the tick ends before the quarantine
    EXPECT_EQ(fake.processes.count(u"app.exe"_s), 1);
}

TEST_F(SchedulerTest, UnreadableQuarantineEndsTheTickQuietlyAndIsReadAgainLater)
{
    state.alertLevel = 1;
    fake.processes.add(u"app.exe"_s);
    workspace.write(u"quarantaines.xml"_s, "not a table");
    tickAt(u"10:00:00"_s);
    EXPECT_EQ(fake.processes.count(u"app.exe"_s), 1);
    EXPECT_EQ(workspace.read(u"quarantaines.xml"_s), QByteArray("not a table"));
    EXPECT_EQ(spawner->count(kNotifier), 0);

    quarantine({u"app.exe"_s});
    tickAt(u"10:00:01"_s);
    EXPECT_EQ(fake.processes.count(u"app.exe"_s), 0);
}

// The real file test, counting how often the tick asks it.
class CountingProbe final : public platform::ExclusiveOpenProbe
{
public:
    bool isBusy(const QString& path) const override
    {
        ++calls;
        return m_real.isBusy(path);
    }
    mutable int calls = 0;

private:
    platform::FlockProbe m_real;
};

TEST_F(SchedulerTest, AHeldQuarantineIsTestedOnceAndTriedAgainLater)
{
    CountingProbe probe;
    spawner = std::make_unique<RecordingSpawner>(nullptr); // netpro.exe never stays up
    engines = std::make_unique<EngineControl>(workspace.dir(), fake.processes, *spawner, probe);
    engines->setFreeWaitBound(std::chrono::milliseconds(300));
    tables = std::make_unique<TableFiles>(workspace.dir(), *engines, [] { return 2; });
    platform::Services services = fake.services();
    services.spawner = spawner.get();
    scheduler = std::make_unique<Scheduler>(state, *engines, *tables, services);
    state.alertLevel = 1;
    quarantine({u"app.exe"_s});
    fake.processes.add(u"app.exe"_s);

    QFile held(workspace.path(u"quarantaines.xml"_s));
    ASSERT_TRUE(held.open(QIODevice::ReadWrite));
    ASSERT_EQ(::flock(held.handle(), LOCK_EX | LOCK_NB), 0);
    probe.calls = 0;
    tickAt(u"10:00:00"_s);
    EXPECT_EQ(probe.calls, 1) << "a tick never waits for the file";
    EXPECT_EQ(fake.processes.count(u"app.exe"_s), 1);
    held.close();
    tickAt(u"10:00:01"_s);
    EXPECT_EQ(fake.processes.count(u"app.exe"_s), 0);

    // A folder in its place is no held file: no tick waits on it.
    ASSERT_TRUE(QFile::remove(workspace.path(u"quarantaines.xml"_s)));
    ASSERT_TRUE(QDir(workspace.dir()).mkdir(u"quarantaines.xml"_s));
    probe.calls = 0;
    for (const char* time : {"10:01:00", "10:01:01", "10:01:02"})
        tickAt(QString::fromLatin1(time));
    EXPECT_LE(probe.calls, 6);
}

TEST_F(SchedulerTest, ASameSizeRewriteWithTheSameStampIsStillSeen)
{
    // Within the file system's time resolution a rewrite can keep inode, size and time.
    state.alertLevel = 1;
    quarantine({u"app.exe"_s});
    const QString path = workspace.path(u"quarantaines.xml"_s);
    struct stat before
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
    fake.clock.current = QDateTime::currentDateTime();
    scheduler->tick();

    QByteArray bytes = workspace.read(u"quarantaines.xml"_s);
    bytes.replace("app.exe", "bpp.exe");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.write(bytes);
    file.close();
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    fake.processes.add(u"bpp.exe"_s);
    fake.clock.current = fake.clock.current.addSecs(1);
    scheduler->tick();
    EXPECT_EQ(fake.processes.count(u"bpp.exe"_s), 0);
}

TEST_F(SchedulerTest, ANameAddedToTheQuarantineIsEndedAtTheNextTick)
{
    // The engines replace the file between two ticks, even with a list of the same size.
    state.alertLevel = 1;
    quarantine({u"app.exe"_s});
    fake.processes.add(u"bpp.exe"_s);
    tickAt(u"10:00:00"_s);
    EXPECT_EQ(fake.processes.count(u"bpp.exe"_s), 1);

    quarantine({u"bpp.exe"_s});
    tickAt(u"10:00:01"_s);
    EXPECT_EQ(fake.processes.count(u"bpp.exe"_s), 0);

    // Rewritten in place by an engine, keeping inode and size.
    const QByteArray bytes = workspace.read(u"quarantaines.xml"_s);
    QByteArray edited = bytes;
    edited.replace("bpp.exe", "cpp.exe");
    fake.processes.add(u"cpp.exe"_s);
    QFile file(workspace.path(u"quarantaines.xml"_s));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.write(edited);
    file.close();
    // A coarse file system clock may keep the old time: move it on by hand.
    file.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime);
    tickAt(u"10:00:02"_s);
    EXPECT_EQ(fake.processes.count(u"cpp.exe"_s), 0);
}

TEST_F(SchedulerTest, QuarantineSnapshotIsKept)
{
    state.alertLevel = 1;
    quarantine({});
    const qint64 pid = fake.processes.add(u"editor.exe"_s);
    tickAt(u"10:00:00"_s);
    const ProcessSnapshot& snapshot = scheduler->lastSnapshot();
    const qsizetype at = snapshot.names.indexOf(u"editor.exe"_s);
    ASSERT_GE(at, 0);
    EXPECT_EQ(snapshot.ids.at(at), QString::number(pid));
}

// --- other users and the reach of the quarantine ---------------------------------------

TEST_F(SchedulerTest, AnotherUsersProgramsOfEngineNamesCountForNothing)
{
    // Another account runs programs it named after the engines: the scan, the backup and
    // the quarantine go on as if they were not there, and nothing of that account ends.
    rebuild(nullptr);
    state.alertLevel = 1;
    state.backupSchedule = BackupSchedule::EveryHour;
    state.selectedBackupSet = u"a;b"_s;
    quarantine({u"app.exe"_s});
    for (const QString& name : {kScan, kPngi, kBackup, kNetpro})
        fake.processes.add(name, FakeProcessTable::Owner::Other);
    fake.processes.add(u"app.exe"_s);
    fake.processes.add(u"app.exe"_s, FakeProcessTable::Owner::Other);

    tickAt(u"10:59:00"_s);
    EXPECT_EQ(fake.processes.count(u"app.exe"_s), 1) << "the user's own one is ended";
    EXPECT_EQ(fake.processes.terminated, std::vector<QString>{u"app.exe"_s});
    EXPECT_EQ(spawner->count(kPngi), 1);

    tickAt(u"11:00:00"_s);
    EXPECT_EQ(spawner->count(kScan), 1);
    EXPECT_EQ(spawner->count(kBackup), 1);
    EXPECT_EQ(fake.processes.count(kScan), 1) << "the other account's program still runs";
}

TEST_F(SchedulerTest, QuarantineEndsOnlyTheDetectedFileAndNeverSystemPrograms)
{
    // The test file was saved as gnome-shell: the alert's name is the desktop shell's.
    workspace.write(u"gnome-shell"_s, "test file");
    const QString detected = QFileInfo(workspace.path(u"gnome-shell"_s)).canonicalFilePath();
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + u"/.local/share"_s;
    const struct
    {
        const char* what;
        QString program;
        bool alerted; // the alert carries the detected file's path
        bool ended;
    } cases[] = {
        {"the desktop shell in /usr/bin", u"/usr/bin/gnome-shell"_s, true, false},
        {"a system program without an alert path", u"/usr/bin/gnome-shell"_s, false, false},
        {"a program of /lib64", u"/lib64/gnome-shell"_s, false, false},
        {"a program of /opt", u"/opt/shell/gnome-shell"_s, false, false},
        {"a flatpak of the user", dataHome + u"/flatpak/app/gnome-shell"_s, false, false},
        {"the detected file itself", detected, true, true},
        {"another file of the same name", u"/home/user/bin/gnome-shell"_s, true, false},
        {"a name quarantined by hand", u"/home/user/bin/gnome-shell"_s, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        rebuild(nullptr);
        state.alertLevel = 2;
        quarantine({u"gnome-shell"_s});
        ASSERT_TRUE(tables->create(TableId::Alerts));
        if (c.alerted) {
            ASSERT_TRUE(tables->use(TableId::Alerts, [&](Table& table) {
                table.insert();
                table.setValue(u"Champ1", u"gnome-shell"_s);
                table.setValue(u"Champ8", detected);
                table.post();
                return true;
            }));
        }
        const qint64 pid =
            fake.processes.add(u"gnome-shell"_s, FakeProcessTable::Owner::User, c.program);
        tickAt(u"10:00:00"_s);
        EXPECT_EQ(fake.processes.isOwn(pid), !c.ended);
        EXPECT_EQ(startsOf(kNotifier).size(), c.ended ? 1u : 0u);
        fake.processes.terminate(pid);
        fake.processes.terminated.clear();
    }
}

// --- cost of a tick ------------------------------------------------------------------

TEST_F(SchedulerTest, AQuietTickWalksTheProcessListOnce)
{
    // Within a minute nothing is started: the pngi.exe, scan and netpro.exe tests and the
    // quarantine snapshot all read one walk.
    state.alertLevel = 1;
    quarantine({u"app.exe"_s});
    fake.processes.add(kPngi);
    tickAt(u"10:00:00"_s);
    fake.processes.snapshots = 0;
    tickAt(u"10:00:01"_s);
    EXPECT_EQ(fake.processes.snapshots, 1);
}

TEST_F(SchedulerTest, ATickWalksAgainAfterStartingAProgram)
{
    // The first tick sees a new minute and starts pop_kent.exe twice (steps 4 and 11):
    // the tests after each start see the list anew.
    state.alertLevel = 1;
    fake.processes.add(kPngi);
    fake.processes.snapshots = 0;
    tickAt(u"10:00:00"_s);
    EXPECT_EQ(fake.processes.snapshots, 3);
}

TEST_F(SchedulerTest, AProgramStartedByTheTickIsSeenByItsLaterTests)
{
    // netpro.exe started at level 3 is found running by the fresh test of the next tick
    // and not offered the line again.
    state.alertLevel = 3;
    fake.processes.add(kPngi);
    tickAt(u"10:00:00"_s);
    EXPECT_EQ(spawner->count(kNetpro), 1);
    tickAt(u"10:00:01"_s);
    EXPECT_EQ(spawner->count(kNetpro), 1);
}

} // namespace
} // namespace orvanel::testing
