// The engine programs, each run as a copy under its engine's name in a temporary
// workspace, the way the panel starts them: the argument string split at blanks. The
// home folder is a temporary one too.

#include "support/OtherAccount.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <vector>

namespace {

using namespace Qt::StringLiterals;
using orvanel::testing::OtherAccount;

class EnginePrograms : public ::testing::Test
{
protected:
    QTemporaryDir temp;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString errorOutput;
    QString caseFolder; // a folder of its own for each case of a table, with its "/"

    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        environment.insert(u"HOME"_s, makeFolder(u"home"_s));
        // No database of the machine: our own signature file only.
        environment.insert(u"ORVANEL_CLAMAV_SYSTEM_DIR"_s, makeFolder(u"no databases"_s));
    }

    QString dir() const { return QDir(temp.path()).canonicalPath() + u'/' + caseFolder; }
    QString path(const QString& name) const { return dir() + name; }

    // The engines that protect for real are another program, with our signature file.
    QString install(const QString& name) const
    {
        static const QStringList realEngines{u"scanwapper.exe"_s, u"tempsreel.exe"_s,
                                             u"majbase.exe"_s, u"netstat.exe"_s, u"scandisk.exe"_s};
        const bool real = realEngines.contains(name);
        const QString copy = path(name);
        if (!QFile::exists(copy)) {
            const QString program = real ? QStringLiteral(ORVANEL_PROTECT_ENGINE)
                                    : name == "netpro.exe"_L1
                                        ? QStringLiteral(ORVANEL_NETPRO_ENGINE)
                                        : QStringLiteral(ORVANEL_ENGINE);
            EXPECT_TRUE(QFile::copy(program, copy)) << name.toStdString();
        }
        if (real && !QFile::exists(path(u"orvanel.hsb"_s))) {
            EXPECT_TRUE(
                QFile::copy(QStringLiteral(ORVANEL_SIGNATURE_FILE), path(u"orvanel.hsb"_s)));
        }
        return copy;
    }

    // Runs the engine to its end; answers its exit code, or -1 when it crashed.
    int run(const QString& name, const QStringList& arguments = {})
    {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(install(name), arguments);
        EXPECT_TRUE(process.waitForFinished(30000)) << name.toStdString();
        errorOutput = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray read(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QString makeFolder(const QString& name) const
    {
        EXPECT_TRUE(QDir(dir()).mkpath(name));
        return path(name);
    }
};

TEST_F(EnginePrograms, ResolverWritesTheAddressAsItsLastLine)
{
    ASSERT_EQ(run(u"ipcp.exe"_s, {u"localhost"_s}), 0);
    const QByteArray text = read(u"ipcp.txt"_s);
    EXPECT_TRUE(text.endsWith("\r\n127.0.0.1\r\n")) << text.toStdString();
}

TEST_F(EnginePrograms, ResolverLeavesAnEmptyFileForANameItCannotResolve)
{
    // A stale address must not be taken for the new name's.
    write(u"ipcp.txt"_s, "old.example\r\n192.0.2.1\r\n");
    ASSERT_EQ(run(u"ipcp.exe"_s), 0);
    EXPECT_EQ(read(u"ipcp.txt"_s), QByteArray());
    // Text that cannot be a host name is not even looked up.
    for (const QString& typed :
         QStringList{u"bad\nname"_s, u"a;b"_s, u"$(host)"_s, QString(300, u'x')}) {
        write(u"ipcp.txt"_s, "old.example\r\n192.0.2.1\r\n");
        ASSERT_EQ(run(u"ipcp.exe"_s, {typed}), 0);
        EXPECT_EQ(read(u"ipcp.txt"_s), QByteArray()) << typed.toStdString();
    }
}

TEST_F(EnginePrograms, FolderSearchRecordsAFolderWithBlanksInItsPath)
{
    const QString folder = makeFolder(u"home/my files"_s);
    write(u"home/my files/a b.txt"_s, "a");
    write(u"home/my files/c"_s, "c");
    makeFolder(u"home/copies"_s);
    write(u"home/copies/a b.txt"_s, "a");
    // The panel passes "1 " + folder; the blank in the folder's name splits it too.
    ASSERT_EQ(run(u"scandisk.exe"_s, {u"1"_s, path(u"home/my"_s), u"files"_s}), 0);
    ASSERT_EQ(run(u"scandisk.exe"_s, {u"2"_s}), 0);
    EXPECT_EQ(read(u"liste2.txt"_s), (path(u"home/copies/a b.txt"_s) + u"\r\n"_s).toUtf8());
}

TEST_F(EnginePrograms, FolderSearchStepsWithoutARecordListNothing)
{
    write(u"liste2.txt"_s, "/kept\r\n");
    // Steps 0 and 1 leave the list alone; step 1 with no folder chosen records nothing.
    ASSERT_EQ(run(u"scandisk.exe"_s, {u"0"_s, u"0"_s}), 0);
    ASSERT_EQ(run(u"scandisk.exe"_s, {u"1"_s}), 0);
    EXPECT_EQ(read(u"liste2.txt"_s), QByteArray("/kept\r\n"));
    ASSERT_EQ(run(u"scandisk.exe"_s, {u"2"_s}), 0);
    EXPECT_EQ(read(u"liste2.txt"_s), QByteArray());
}

TEST_F(EnginePrograms, NetworkEngineSaysWhenTheFirewallServiceIsMissing)
{
    environment.insert(u"ORVANEL_NETD_SOCKET"_s, path(u"no-service.socket"_s));
    const QStringList flags = u"0 0 0 0 0 0 0 0 1 0 0 1 0"_s.split(u' ');
    ASSERT_EQ(run(u"netpro.exe"_s, flags), 0);
    EXPECT_EQ(read(u"netpro.txt"_s),
              QByteArray("firewall service not installed: the firewall is inactive\r\n"));
}

TEST_F(EnginePrograms, UpdateCheckLeavesItsOutcome)
{
    environment.insert(u"PATH"_s, makeFolder(u"empty"_s));
    ASSERT_EQ(run(u"majbase.exe"_s, {u"0"_s}), 0);
    EXPECT_TRUE(
        read(u"majbase.txt"_s).endsWith(" database not updated: freshclam is not installed\r\n"))
        << read(u"majbase.txt"_s).toStdString();
}

TEST_F(EnginePrograms, NotifierWritesToStandardErrorWithoutNotifySend)
{
    environment.insert(u"PATH"_s, makeFolder(u"empty"_s));
    ASSERT_EQ(run(u"msgs.exe"_s, {u"change;registre"_s}), 0);
    EXPECT_TRUE(errorOutput.contains(u"change registre"_s)) << errorOutput.toStdString();
}

TEST_F(EnginePrograms, NotifierHandsTheTextOverAsOneArgumentAndNeverToAShell)
{
    const QString bin = makeFolder(u"bin"_s);
    // A stand-in notify-send that records its arguments, one per line.
    write(u"bin/notify-send"_s, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"${0%/*}/../notified.txt\"\n");
    QFile::setPermissions(bin + u"/notify-send"_s, QFile::ReadOwner | QFile::ExeOwner);
    environment.insert(u"PATH"_s, bin);
    ASSERT_EQ(run(u"msgs.exe"_s, {u"-x;$(touch;pwned);`touch;pwned`"_s}), 0);
    EXPECT_EQ(read(u"notified.txt"_s),
              QByteArray("--\nOrvanel\n-x $(touch pwned) `touch pwned`\n"));
    EXPECT_FALSE(QFile::exists(path(u"pwned"_s)));
    EXPECT_FALSE(QFile::exists(path(u"bin/pwned"_s)));
}

TEST_F(EnginePrograms, DriveScanAddsItsReportToTheScanLog)
{
    makeFolder(u"drive/docs"_s);
    write(u"drive/docs/letter.odt"_s, "x");
    write(u"anaviri.txt"_s, "earlier line\r\n");
    ASSERT_EQ(run(u"scanwapper.exe"_s, {u"3"_s, path(u"drive"_s)}), 0);
    const QByteArray log = read(u"anaviri.txt"_s);
    EXPECT_TRUE(log.startsWith("earlier line\r\n")) << "the earlier log stays";
    EXPECT_TRUE(
        log.contains(QByteArray(" volume scan of " + path(u"drive"_s).toUtf8() + " started\r\n")))
        << log.toStdString();
    EXPECT_TRUE(
        log.contains(" finished: 1 files scanned (0.0 MB), 0 threats found, 0 files skipped"))
        << log.toStdString();
    EXPECT_FALSE(QByteArray(log).replace("\r\n", "").contains('\n'))
        << "every line ends with CR LF";
}

TEST_F(EnginePrograms, ScheduledScanAndOddScanRequestsAreLogged)
{
    ASSERT_EQ(run(u"scanwapper.exe"_s, {u"0"_s}), 0);
    ASSERT_EQ(run(u"scanwapper.exe"_s, {u"9"_s}), 0);
    const QByteArray log = read(u"anaviri.txt"_s);
    EXPECT_TRUE(log.contains(" quick scan started\r\n")) << log.toStdString();
    EXPECT_TRUE(log.contains("scan request not understood: 9")) << log.toStdString();
}

class Backup : public EnginePrograms
{
public:
    // For the planting steps of the table below.
    using EnginePrograms::makeFolder;
    using EnginePrograms::path;
    using EnginePrograms::write;

protected:
    QString set(const QString& first, const QString& second) const
    {
        return path(first) + u';' + path(second);
    }
};

TEST_F(Backup, CopiesTheFirstFolderIntoTheSecond)
{
    makeFolder(u"work/sub"_s);
    makeFolder(u"save"_s);
    write(u"work/a.txt"_s, "alpha");
    write(u"work/sub/b.txt"_s, "beta");
    ASSERT_EQ(run(u"sauvegarde.exe"_s, {set(u"work"_s, u"save"_s)}), 0);
    EXPECT_EQ(read(u"save/work/a.txt"_s), QByteArray("alpha"));
    EXPECT_EQ(read(u"save/work/sub/b.txt"_s), QByteArray("beta"));
    EXPECT_TRUE(read(u"sauvegarde.txt"_s).contains("2 copied"))
        << read(u"sauvegarde.txt"_s).toStdString();

    // A later run brings changed files up to date and deletes nothing.
    write(u"work/a.txt"_s, "alpha, second version");
    QFile::remove(path(u"work/sub/b.txt"_s));
    QFile(path(u"work/a.txt"_s))
        .setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
    ASSERT_EQ(run(u"sauvegarde.exe"_s, {set(u"work"_s, u"save"_s)}), 0);
    EXPECT_EQ(read(u"save/work/a.txt"_s), QByteArray("alpha, second version"));
    EXPECT_EQ(read(u"save/work/sub/b.txt"_s), QByteArray("beta"));
}

TEST_F(Backup, NeverReplacesFilesInAFolderItDidNotMake)
{
    makeFolder(u"work"_s);
    makeFolder(u"save/work"_s);
    write(u"work/a.txt"_s, "new");
    write(u"save/work/a.txt"_s, "the user's own file");
    ASSERT_EQ(run(u"sauvegarde.exe"_s, {set(u"work"_s, u"save"_s)}), 0);
    EXPECT_EQ(read(u"save/work/a.txt"_s), QByteArray("the user's own file"));
    EXPECT_TRUE(read(u"sauvegarde.txt"_s).contains("1 kept"));
}

TEST_F(Backup, RefusesToCopyAFolderIntoItself)
{
    makeFolder(u"work/inner"_s);
    write(u"work/a.txt"_s, "a");
    ASSERT_EQ(run(u"sauvegarde.exe"_s, {set(u"work"_s, u"work/inner"_s)}), 0);
    ASSERT_EQ(run(u"sauvegarde.exe"_s, {set(u"work"_s, u"work"_s)}), 0);
    EXPECT_EQ(QDir(path(u"work/inner"_s)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList());
    EXPECT_EQ(QDir(path(u"work"_s)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              (QStringList{u"a.txt"_s, u"inner"_s}));
    EXPECT_TRUE(read(u"sauvegarde.txt"_s).contains("refused"));
}

TEST_F(Backup, FoldersWithBlanksSurviveTheSplitAtBlanks)
{
    makeFolder(u"my work"_s);
    makeFolder(u"save"_s);
    write(u"my work/a.txt"_s, "a");
    const QStringList words = set(u"my work"_s, u"save"_s).split(u' ');
    ASSERT_EQ(run(u"sauvegarde.exe"_s, words), 0);
    EXPECT_EQ(read(u"save/my work/a.txt"_s), QByteArray("a"));
}

// What another user can plant where a backup goes: the backup of work (a.txt, private,
// and sub/b.desktop) must never write into victim, whose todo.txt is the user's live file.
struct PlantedCase
{
    const char* what;
    bool needsOtherAccount;
    QString destination;
    std::function<void(Backup&, OtherAccount&)> plant;
    const char* report; // what the backup report says
};

TEST_F(Backup, NeverWritesThroughLinksOrIntoFoldersOthersCanReach)
{
    const auto link = [](Backup& t, const QString& name, const QString& target) {
        ASSERT_TRUE(QFile::link(t.path(target), t.path(name))) << name.toStdString();
    };
    const auto chmod = [](Backup& t, const QString& name, mode_t mode) {
        ASSERT_EQ(::chmod(QFile::encodeName(t.path(name)).constData(), mode), 0);
    };
    const auto marked = [](Backup& t, const QString& folder) {
        t.makeFolder(folder);
        t.write(folder + u"/.orvanel-sauvegarde"_s, "");
    };
    const std::vector<PlantedCase> cases = {
        {"a link planted in a shared folder", false, u"shared"_s,
         [&](Backup& t, OtherAccount&) {
             t.makeFolder(u"shared"_s);
             chmod(t, u"shared"_s, 01777);
             link(t, u"shared/work"_s, u"victim"_s);
         },
         "can be written by other users"},
        {"a link in the place of the copy's folder", false, u"save"_s,
         [&](Backup& t, OtherAccount&) {
             t.makeFolder(u"save"_s);
             link(t, u"save/work"_s, u"victim"_s);
         },
         "is a link"},
        {"a link in the place of a copy in the backup's own folder", false, u"save"_s,
         [&](Backup& t, OtherAccount&) {
             marked(t, u"save/work"_s);
             link(t, u"save/work/a.txt"_s, u"victim/todo.txt"_s);
         },
         "1 kept"},
        {"a link in the place of a sub-folder of the copy", false, u"save"_s,
         [&](Backup& t, OtherAccount&) {
             marked(t, u"save/work"_s);
             link(t, u"save/work/sub"_s, u"victim"_s);
         },
         "1 failed"},
        {"a destination everybody may write", false, u"open"_s,
         [&](Backup& t, OtherAccount&) {
             t.makeFolder(u"open"_s);
             chmod(t, u"open"_s, 0777);
         },
         "can be written by other users"},
        {"a destination of another user", true, u"theirs"_s,
         [&](Backup& t, OtherAccount& other) {
             t.makeFolder(u"theirs"_s);
             ASSERT_TRUE(other.give(t.path(u"theirs"_s)));
         },
         "belongs to another user"},
        {"the mark in another user's folder with a link inside", true, u"save"_s,
         [&](Backup& t, OtherAccount& other) {
             marked(t, u"save/work"_s);
             link(t, u"save/work/a.txt"_s, u"victim/todo.txt"_s);
             for (const QString& name :
                  {u"save/work"_s, u"save/work/.orvanel-sauvegarde"_s, u"save/work/a.txt"_s})
                 ASSERT_TRUE(other.give(t.path(name)));
         },
         "another user's"},
        {"a folder another user made beforehand with mode 0777", true, u"save"_s,
         [&](Backup& t, OtherAccount& other) {
             t.makeFolder(u"save/work"_s);
             chmod(t, u"save/work"_s, 0777);
             ASSERT_TRUE(other.give(t.path(u"save/work"_s)));
         },
         "another user's"},
    };
    OtherAccount other;
    for (const PlantedCase& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsOtherAccount && !other.exists())
            continue; // the skip is reported once, below
        caseFolder = QString::fromUtf8(c.what) + u'/';
        makeFolder(u"work/sub"_s);
        makeFolder(u"victim"_s);
        write(u"work/a.txt"_s, "private key");
        chmod(*this, u"work/a.txt"_s, 0600);
        write(u"work/sub/b.desktop"_s, "[Desktop Entry]\nExec=planted\n");
        write(u"victim/todo.txt"_s, "live");
        c.plant(*this, other);
        ASSERT_EQ(run(u"sauvegarde.exe"_s, {set(u"work"_s, c.destination)}), 0);
        EXPECT_TRUE(read(u"sauvegarde.txt"_s).contains(c.report))
            << read(u"sauvegarde.txt"_s).toStdString();
        EXPECT_EQ(read(u"victim/todo.txt"_s), QByteArray("live"));
        EXPECT_EQ(QDir(path(u"victim"_s))
                      .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  QStringList{u"todo.txt"_s});
    }
    if (!other.exists())
        GTEST_SKIP() << "the cases of another user's folders: " << other.whyMissing().toStdString();
}

TEST_F(Backup, CopiesKeepTheirSourcesPermissionBits)
{
    const std::vector<std::pair<QString, mode_t>> sources = {{u"work/key"_s, 0600},
                                                             {u"work/shared.txt"_s, 0644},
                                                             {u"work/group.txt"_s, 0640},
                                                             {u"work/tool"_s, 0750},
                                                             {u"work/private/notes"_s, 0400}};
    makeFolder(u"work/private"_s);
    makeFolder(u"save"_s);
    for (const auto& [name, mode] : sources) {
        write(name, "content");
        ASSERT_EQ(::chmod(QFile::encodeName(path(name)).constData(), mode), 0);
    }
    ASSERT_EQ(::chmod(QFile::encodeName(path(u"work/private"_s)).constData(), 0700), 0);
    ASSERT_EQ(run(u"sauvegarde.exe"_s, {set(u"work"_s, u"save"_s)}), 0);
    const auto modeOf = [this](const QString& name) {
        struct stat st
        {
        };
        return ::lstat(QFile::encodeName(path(name)).constData(), &st) == 0 ? st.st_mode & 07777
                                                                            : mode_t(-1);
    };
    for (const auto& [name, mode] : sources)
        EXPECT_EQ(modeOf(u"save/"_s + name), mode) << name.toStdString();
    EXPECT_EQ(modeOf(u"save/work/private"_s) & 077, 0u);
}

TEST_F(EnginePrograms, OneShotEnginesEndNormallyWhateverTheArguments)
{
    const QStringList oneShot{u"pop_kent.exe"_s,   u"majbase.exe"_s,  u"netpro.exe"_s,
                              u"scanwapper.exe"_s, u"scandisk.exe"_s, u"sauvegarde.exe"_s,
                              u"ipcp.exe"_s,       u"msgs.exe"_s};
    environment.insert(u"PATH"_s, makeFolder(u"empty"_s));
    const QList<QStringList> odd{{},
                                 {QString()},
                                 {u";;;"_s},
                                 {u"3"_s},
                                 {u"1"_s, u"/no/such/folder"_s},
                                 {u"0"_s, u"0"_s},
                                 {QString(100000, u'x')},
                                 {u"\x01\x02\n\r"_s, u"é;ü"_s}};
    for (const QString& name : oneShot) {
        for (const QStringList& arguments : odd)
            EXPECT_EQ(run(name, arguments), 0)
                << name.toStdString() << " with " << arguments.join(u'|').left(40).toStdString();
    }
}

TEST_F(EnginePrograms, ResidentEnginesRunUntilTheyAreEnded)
{
    write(u"configuration.xml"_s, "<DATAPACKET/>");
    for (const QString& name :
         {u"tempsreel.exe"_s, u"pngi.exe"_s, u"net.exe"_s, u"netstat.exe"_s, u"serveur.exe"_s}) {
        QProcess resident;
        resident.setProcessEnvironment(environment);
        resident.start(install(name), {});
        ASSERT_TRUE(resident.waitForStarted()) << name.toStdString();
        // A one-shot engine runs to its end meanwhile; the resident one is still there.
        ASSERT_EQ(run(u"pop_kent.exe"_s), 0);
        EXPECT_EQ(resident.state(), QProcess::Running) << name.toStdString();
        // The real engines are ended once they are at work: after the first report.
        const bool real = name == u"tempsreel.exe"_s || name == u"netstat.exe"_s;
        const QString report = name == u"netstat.exe"_s ? u"portappli.txt"_s : u"anaviri.txt"_s;
        for (int wait = 0; real && wait < 500 && !QFile::exists(path(report)); ++wait)
            QThread::msleep(20);
        resident.terminate();
        ASSERT_TRUE(resident.waitForFinished(10000)) << name.toStdString();
        // The real engines end cleanly on the signal; the substitutes are ended by it.
        EXPECT_EQ(resident.exitStatus(), real ? QProcess::NormalExit : QProcess::CrashExit)
            << name.toStdString();
    }
}

TEST_F(EnginePrograms, UnderAnyOtherNameTheProgramOnlyExplainsItself)
{
    EXPECT_EQ(run(u"orvanel-engine"_s), 2);
    EXPECT_TRUE(errorOutput.contains(u"engine's name"_s));
}

} // namespace
