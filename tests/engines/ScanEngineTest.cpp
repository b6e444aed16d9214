// scanwapper.exe: the scans find the standard test file where the user keeps files,
// report it where the panel looks (scan log, viri.txt, alertes.xml, one notification),
// and never leave the scanned tree.

#include "EngineFixture.h"
#include "ZipArchive.h"

#include "protect/ClamEngine.h"

#include <QDate>
#include <QLocale>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace orvanel;
using namespace orvanel::testing;

class ScanEngine : public EngineFixture
{
protected:
    QStringList scanLog() const { return lines(QString(names::ScanLogFile)); }
    QString lastLogLine() const { return scanLog().value(scanLog().size() - 1); }
};

TEST_F(ScanEngine, QuickScanReportsANestedTestFileWhereThePanelLooks)
{
    const QString found = inHome(u"Downloads/a/b c/d/test file.com"_s);
    writeFile(found, standardTestFile());
    writeFile(inHome(u"Desktop/letter.txt"_s), "Dear all");
    writeFile(inHome(u"notes.txt"_s), "top of home");
    // Above the size the scanning threads read into memory: scanned from its descriptor.
    writeFile(inHome(u"Desktop/video.mp4"_s), QByteArray(17 << 20, 'v'));
    // Deeper folders of home are not part of the quick scan.
    writeFile(inHome(u"projects/old/test.com"_s), standardTestFile());

    ASSERT_EQ(run(u"scanwapper.exe"_s, {u"0"_s}), 0);

    EXPECT_TRUE(scanLog().filter(u"quick scan started"_s).size() == 1)
        << scanLog().join(u'\n').toStdString();
    EXPECT_EQ(scanLog().filter(found + u": "_s + kTestFileSignature).size(), 1);
    EXPECT_TRUE(lastLogLine().contains(u"quick scan finished: 4 files scanned"_s))
        << lastLogLine().toStdString();
    EXPECT_TRUE(lastLogLine().contains(u"1 threats found"_s));
    EXPECT_TRUE(lastLogLine().contains(u"0 files skipped"_s)) << lastLogLine().toStdString();
    EXPECT_EQ(lines(QString(names::VirusFile)), QStringList{kTestFileSignature});

    const QList<QStringList> alerts = rows(TableId::Alerts);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0][0], u"test file.com"_s);
    EXPECT_TRUE(alerts[0][1].startsWith(
        QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat) + u' '))
        << alerts[0][1].toStdString();
    EXPECT_EQ(alerts[0][2], kTestFileSignature);
    EXPECT_EQ(alerts[0][3], u"?"_s);
    EXPECT_EQ(alerts[0][7], found);

    EXPECT_EQ(notifications(1), QStringList{u"1;threats;found;by;the;quick;scan"_s});
    EXPECT_EQ(readFile(found), standardTestFile()) << "the scan never touches the file";
}

TEST_F(ScanEngine, QuickScanFollowsADownloadsFolderKeptElsewhereInHome)
{
    writeFile(inHome(u"store/downloads/inner/x.com"_s), standardTestFile());
    ASSERT_TRUE(QFile::link(inHome(u"store/downloads"_s), inHome(u"Downloads"_s)));
    // A loop-free tree of links inside: the file is met once, under the name it was found by.
    ASSERT_TRUE(
        QFile::link(inHome(u"store/downloads/inner"_s), inHome(u"store/downloads/again"_s)));

    ASSERT_EQ(run(u"scanwapper.exe"_s, {u"0"_s}), 0);

    const QList<QStringList> alerts = rows(TableId::Alerts);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0][7], inHome(u"Downloads/inner/x.com"_s));
}

TEST_F(ScanEngine, FullScanNeverLeavesTheTreeThroughALink)
{
    QTemporaryDir outside;
    writeFile(outside.filePath(u"elsewhere.com"_s), standardTestFile());
    writeFile(inHome(u"docs/real.com"_s), standardTestFile());
    ASSERT_TRUE(QFile::link(outside.path(), inHome(u"docs/to outside"_s)));
    ASSERT_TRUE(QFile::link(outside.filePath(u"elsewhere.com"_s), inHome(u"file link.com"_s)));
    ASSERT_TRUE(QFile::link(home(), inHome(u"docs/loop"_s)));
    ASSERT_TRUE(QFile::link(inHome(u"docs"_s), inHome(u"docs/up"_s)));
    // A second name of the same file is not a second detection.
    ASSERT_TRUE(::link(QFile::encodeName(inHome(u"docs/real.com"_s)).constData(),
                       QFile::encodeName(inHome(u"hard.com"_s)).constData()) == 0);

    ASSERT_EQ(run(u"scanwapper.exe"_s, {u"1"_s}), 0);

    const QList<QStringList> alerts = rows(TableId::Alerts);
    ASSERT_EQ(alerts.size(), 1) << lastLogLine().toStdString();
    EXPECT_TRUE(alerts[0][7] == inHome(u"docs/real.com"_s) ||
                alerts[0][7] == inHome(u"hard.com"_s));
    EXPECT_TRUE(lastLogLine().contains(u"full scan of "_s + home() + u" finished"_s))
        << lastLogLine().toStdString();
}

TEST_F(ScanEngine, FullScanFindsATestFile300FoldersDeep)
{
    QString folder = inHome(u"deep"_s);
    for (int level = 1; level <= 300; ++level)
        folder += u"/%1"_s.arg(level);
    const QString found = folder + u"/deep.com"_s;
    writeFile(found, standardTestFile());
    writeFile(inHome(u"top.txt"_s), "top of home");

    ASSERT_EQ(run(u"scanwapper.exe"_s, {u"1"_s}), 0);

    EXPECT_EQ(scanLog().filter(found + u": "_s + kTestFileSignature).size(), 1)
        << scanLog().join(u'\n').toStdString();
    EXPECT_TRUE(lastLogLine().contains(
        u"finished: 2 files scanned (0.0 MB), 1 threats found, 0 files skipped, "_s))
        << lastLogLine().toStdString();
}

// The count after "finished: " of the summary's words "files scanned" or "files skipped".
qulonglong summaryCount(const QString& summary, const QString& words)
{
    const QString after = summary.mid(summary.indexOf(u"finished: "_s));
    const qsizetype at = after.indexOf(u' ' + words);
    return after.left(at).section(u' ', -1).toULongLong();
}

TEST_F(ScanEngine, FilesItCannotScanAreSkippedWithTheirReasonNeverCleanNorFound)
{
    QByteArray parcel = standardTestFile(); // found ten archives down
    for (int level = 0; level < 10; ++level)
        parcel = zipArchive("inner.zip", parcel);
    QByteArray dolls = "plain text"; // forty archives down: deeper than the engine goes
    for (int level = 0; level < 40; ++level)
        dolls = zipArchive("inner.zip", dolls);
    const struct
    {
        QString name;
        std::function<void(const QString& path)> make;
        QString outcome; // empty: scanned and clean; "found"; otherwise the skip reason
    } files[] = {
        {u"letter.txt"_s, [](const QString& path) { writeFile(path, "Dear all"); }, {}},
        // Over the library's own default maximum (100 MB), under ours.
        {u"film.bin"_s, [](const QString& path) { writeSparseFile(path, 150LL << 20); }, {}},
        {u"disc.iso"_s,
         [](const QString& path) { writeSparseFile(path, engines::kMaxScannedFileSize + 1); },
         u"too large"_s},
        {u"secret.zip"_s,
         [](const QString& path) {
             writeFile(path, zipArchive("a.com", standardTestFile(), "password"));
         },
         u"encrypted"_s},
        {u"dolls.zip"_s, [&](const QString& path) { writeFile(path, dolls); },
         u"archive too deep"_s},
        {u"parcel.zip"_s, [&](const QString& path) { writeFile(path, parcel); }, u"found"_s},
    };
    for (const auto& file : files)
        file.make(inHome(u"files/"_s + file.name));

    ASSERT_EQ(run(u"scanwapper.exe"_s, {u"1"_s}), 0);

    const QString log = scanLog().join(u'\n');
    for (const auto& file : files) {
        const QString path = inHome(u"files/"_s + file.name);
        const QStringList mentions = scanLog().filter(path + u": "_s);
        if (file.outcome.isEmpty())
            EXPECT_TRUE(mentions.isEmpty()) << log.toStdString();
        else if (file.outcome == u"found"_s)
            EXPECT_TRUE(mentions.size() == 1 &&
                        mentions[0].endsWith(path + u": "_s + kTestFileSignature))
                << log.toStdString();
        else
            EXPECT_EQ(mentions.filter(path + u": skipped, "_s + file.outcome).size(), 1)
                << file.name.toStdString() << "\n"
                << log.toStdString();
    }
    const QList<QStringList> alerts = rows(TableId::Alerts);
    ASSERT_EQ(alerts.size(), 1) << "skips are never alerts";
    EXPECT_EQ(alerts[0][7], inHome(u"files/parcel.zip"_s));
    EXPECT_EQ(lines(QString(names::VirusFile)), QStringList{kTestFileSignature});

    const QString summary = lastLogLine();
    EXPECT_TRUE(summary.contains(u" 1 threats found, 3 files skipped: 1 too large, "
                                 u"1 archive too deep, 1 encrypted, "_s))
        << summary.toStdString();
    EXPECT_EQ(summaryCount(summary, u"files scanned"_s) + summaryCount(summary, u"files skipped"_s),
              std::size(files))
        << summary.toStdString();
}

TEST_F(ScanEngine, TheLogNamesAThousandSkipsAndCountsTheRest)
{
    const QByteArray secret = zipArchive("a.txt", "hello", "password");
    for (int i = 0; i < 1005; ++i)
        writeFile(inHome(u"archives/%1/secret%2.zip"_s.arg(i % 10).arg(i)), secret);

    ASSERT_EQ(run(u"scanwapper.exe"_s, {u"1"_s}), 0);

    EXPECT_EQ(scanLog().filter(u".zip: skipped, encrypted"_s).size(), 1000);
    EXPECT_EQ(scanLog().filter(u" 5 more files skipped, not named here"_s).size(), 1);
    EXPECT_TRUE(lastLogLine().contains(
        u"0 files scanned (0.0 MB), 0 threats found, 1005 files skipped: 1005 encrypted, "_s))
        << lastLogLine().toStdString();
}

TEST_F(ScanEngine, NothingIsFoundOnceTheTestFileIsRemoved)
{
    const QString file = inHome(u"Desktop/t.com"_s);
    writeFile(file, standardTestFile());
    ASSERT_EQ(run(u"scanwapper.exe"_s, {u"0"_s}), 0);
    ASSERT_EQ(rows(TableId::Alerts).size(), 1);

    ASSERT_TRUE(QFile::remove(file));
    ASSERT_EQ(run(u"scanwapper.exe"_s, {u"0"_s}), 0);
    EXPECT_TRUE(lastLogLine().contains(u" 0 threats found"_s)) << lastLogLine().toStdString();
    EXPECT_EQ(rows(TableId::Alerts).size(), 1) << "earlier alerts stay";
    EXPECT_EQ(lines(QString(names::VirusFile)).size(), 1);
    EXPECT_EQ(notifications(1).size(), 1) << "no notification for a scan without detections";
}

TEST_F(ScanEngine, VolumeScanTakesAMountPointWithBlanks)
{
    QTemporaryDir volumes;
    const QString mountPoint = volumes.filePath(u"USB stick"_s);
    writeFile(mountPoint + u"/photos/p.com"_s, standardTestFile());
    // The panel passes "3 " and the mount point; its split gives the words one by one.
    ASSERT_EQ(run(u"scanwapper.exe"_s, QStringList{u"3"_s} + mountPoint.split(u' ')), 0);
    ASSERT_EQ(rows(TableId::Alerts).size(), 1);
    EXPECT_EQ(rows(TableId::Alerts)[0][7], mountPoint + u"/photos/p.com"_s);
}

TEST_F(ScanEngine, AddsItsRowsBesideTheUsersAndWaitsForAHeldTable)
{
    Table table;
    defineFields(table, TableId::Alerts);
    table.createEmpty();
    table.insert();
    table.setValue(u"Champ1", u"kept.exe"_s);
    table.post();
    ASSERT_TRUE(table.save(workspace.path(QString(names::AlertsTable))));
    writeFile(inHome(u"Downloads/t.com"_s), standardTestFile());

    // Another program holds the table for a while, as the panel's file-free wait expects.
    const int fd =
        ::open(QFile::encodeName(workspace.path(QString(names::AlertsTable))).constData(),
               O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    std::thread holder([fd] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        ::close(fd);
    });
    const int code = run(u"scanwapper.exe"_s, {u"0"_s});
    holder.join();
    ASSERT_EQ(code, 0);

    const QList<QStringList> alerts = rows(TableId::Alerts);
    ASSERT_EQ(alerts.size(), 2);
    EXPECT_EQ(alerts[0][0], u"kept.exe"_s);
    EXPECT_EQ(alerts[1][0], u"t.com"_s);
}

TEST_F(ScanEngine, MemoryScanLooksAtTheProgramsOfTheUsersProcesses)
{
    ASSERT_EQ(run(u"scanwapper.exe"_s, {u"2"_s}), 0);
    const QString summary = lastLogLine();
    EXPECT_TRUE(summary.contains(u"memory scan finished: "_s)) << summary.toStdString();
    // At least this test's own program and the engine itself were looked at.
    const qsizetype start = summary.indexOf(u"finished: "_s) + 10;
    EXPECT_GE(summary.mid(start).section(u' ', 0, 0).toInt(), 2) << summary.toStdString();
}

TEST_F(ScanEngine, EndsCleanlyWhenItIsEnded)
{
    for (int i = 0; i < 4000; ++i)
        writeFile(inHome(u"many/%1/f%2.txt"_s.arg(i % 40).arg(i)),
                  QByteArray(4096, char('a' + i % 26)));
    QProcess scan;
    scan.setProcessEnvironment(environment);
    scan.start(workspace.path(u"scanwapper.exe"_s), {u"1"_s});
    ASSERT_TRUE(waitFor([&] { return !scanLog().filter(u"started"_s).isEmpty(); }));
    ::kill(pid_t(scan.processId()), SIGTERM);
    ASSERT_TRUE(scan.waitForFinished(30000));
    EXPECT_EQ(scan.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(scan.exitCode(), 0);
    EXPECT_TRUE(lastLogLine().contains(u"full scan of "_s)) << lastLogLine().toStdString();
}

TEST_F(ScanEngine, RequestsItDoesNotKnowAreLogged)
{
    for (const QStringList& odd :
         QList<QStringList>{{}, {u"9"_s}, {u"3"_s}, {u"3"_s, u"relative"_s}})
        ASSERT_EQ(run(u"scanwapper.exe"_s, odd), 0);
    EXPECT_EQ(scanLog().filter(u"scan request not understood"_s).size(), 4);
    EXPECT_FALSE(workspace.exists(QString(names::AlertsTable)));
}

} // namespace
