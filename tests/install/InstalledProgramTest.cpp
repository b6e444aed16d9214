// The installed tree: `cmake --install` into a temporary DESTDIR, then the installed
// launcher started with a temporary home, as a user would start it from the menu.
#include "platform/linux/XdgAutostartEntries.h"
#include "support/TestWorkspace.h"
#include "workspace/Names.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

namespace orvanel::testing {
namespace {

using namespace Qt::StringLiterals;

// Size, modification time and permissions of every entry under a folder.
QMap<QString, QString> treeOf(const QString& root)
{
    QMap<QString, QString> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        tree.insert(info.filePath().mid(root.size()),
                    u"%1 %2 %3"_s.arg(info.size())
                        .arg(info.lastModified().toMSecsSinceEpoch())
                        .arg(int(info.permissions())));
    }
    return tree;
}

// The engine processes whose program lies in `dir`, by name.
QStringList programsRunningFrom(const QString& dir)
{
    QStringList names;
    for (const QString& entry : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (numeric && programDirOf(pid) == dir)
            names.append(QFileInfo(QFile::symLinkTarget(u"/proc/%1/exe"_s.arg(pid))).fileName());
    }
    names.sort();
    return names;
}

void endProgramsRunningFrom(const QString& dir)
{
    for (const QString& entry : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (numeric && programDirOf(pid) == dir)
            ::kill(pid_t(pid), SIGKILL);
    }
}

class InstalledProgram : public ::testing::Test
{
protected:
    // One install for every case: the tree is only read.
    static void SetUpTestSuite()
    {
        s_destdir = new QTemporaryDir;
        QProcess install;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"DESTDIR"_s, s_destdir->path());
        install.setProcessEnvironment(env);
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(
            QStringLiteral(ORVANEL_CMAKE),
            {u"--install"_s, QStringLiteral(ORVANEL_BUILD_DIR), u"--prefix"_s, u"/usr"_s});
        if (!install.waitForFinished(120000) || install.exitCode() != 0)
            s_installError = QString::fromLocal8Bit(install.readAll());
    }
    static void TearDownTestSuite()
    {
        delete s_destdir;
        s_destdir = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(s_installError.isEmpty()) << s_installError.toStdString(); }

    static QString usr(const QString& path) { return s_destdir->path() + u"/usr/"_s + path; }

    static QTemporaryDir* s_destdir;
    static QString s_installError;
};

QTemporaryDir* InstalledProgram::s_destdir = nullptr;
QString InstalledProgram::s_installError;

TEST_F(InstalledProgram, EveryPartLiesInItsFolder)
{
    QStringList programs = {u"lib/orvanel/orvanel"_s};
    for (const QLatin1StringView engine : names::AllEngines)
        programs.append(u"lib/orvanel/"_s + engine);
    for (const QString& program : programs) {
        SCOPED_TRACE(program.toStdString());
        EXPECT_TRUE(QFileInfo(usr(program)).isFile());
        EXPECT_TRUE(QFileInfo(usr(program)).isExecutable());
    }
    // The launcher leads to the panel in its program folder, also under DESTDIR.
    EXPECT_EQ(QFileInfo(usr(u"bin/orvanel"_s)).canonicalFilePath(),
              QFileInfo(usr(u"lib/orvanel/orvanel"_s)).canonicalFilePath());
    EXPECT_TRUE(QFileInfo(usr(u"lib/orvanel/orvanel.layout"_s)).isFile());

    const QDir data(QStringLiteral(ORVANEL_DATA_SOURCE_DIR));
    const QStringList shipped = data.entryList({u"kentro_*.txt"_s, u"liens_*.txt"_s}, QDir::Files);
    EXPECT_GE(shipped.size(), 10);
    for (const QString& name : shipped)
        EXPECT_TRUE(QFile::exists(usr(u"share/orvanel/"_s + name))) << name.toStdString();

    const QString id = QStringLiteral(ORVANEL_DESKTOP_ID);
    const QStringList desktopFiles = {u"share/applications/"_s + id + u".desktop"_s,
                                      u"share/metainfo/"_s + id + u".metainfo.xml"_s,
                                      u"share/icons/hicolor/scalable/apps/orvanel.svg"_s,
                                      u"share/man/man1/orvanel.1.gz"_s};
    for (const QString& file : desktopFiles)
        EXPECT_TRUE(QFileInfo(usr(file)).isFile()) << file.toStdString();
}

TEST_F(InstalledProgram, IconsHaveTheSizeOfTheirFolder)
{
    for (const int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QImageReader icon(usr(u"share/icons/hicolor/%1x%1/apps/orvanel.png"_s.arg(side)));
        EXPECT_EQ(icon.size(), QSize(side, side)) << side;
    }
}

// The launcher started as from the menu: a temporary home, no real session.
TEST_F(InstalledProgram, FirstStartMakesTheUsersWorkspaceAndLeavesTheInstallAsItWas)
{
    QTemporaryDir home, runtime;
    const QString workspace = QDir(home.path()).canonicalPath() + u"/data/orvanel/"_s;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home.path());
    env.insert(u"XDG_DATA_HOME"_s, home.path() + u"/data"_s);
    env.insert(u"XDG_CONFIG_HOME"_s, home.path() + u"/config"_s);
    env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    const QMap<QString, QString> installed = treeOf(s_destdir->path());

    // A process namespace of its own: the panel ends engines by name at its start, and
    // must reach only the engines it started itself.
    QProcess panel;
    panel.setProcessEnvironment(env);
    panel.start(u"unshare"_s, {u"--pid"_s, u"--fork"_s, u"--mount-proc"_s,
                               u"--kill-child=SIGTERM"_s, usr(u"bin/orvanel"_s)});
    if (!panel.waitForStarted(5000))
        GTEST_SKIP() << "unshare cannot be started here";
    const auto residentRun = [&workspace] {
        const QStringList running = programsRunningFrom(workspace);
        return running.contains(names::RealTimeEngine) && running.contains(names::PngiEngine);
    };
    QTRY_VERIFY_WITH_TIMEOUT(residentRun() || panel.state() == QProcess::NotRunning, 30000);
    if (panel.state() == QProcess::NotRunning && !QFile::exists(workspace))
        GTEST_SKIP() << "no process namespace here: " << panel.readAll().toStdString();

    // The resident engines run from the workspace, and work in the folder of their program.
    EXPECT_TRUE(residentRun());
    const QString programDir = QFileInfo(usr(u"lib/orvanel/"_s)).canonicalFilePath() + u'/';
    // Only the panel; a child it is starting shows the panel's program until its exec.
    QStringList fromProgramDir = programsRunningFrom(programDir);
    fromProgramDir.removeDuplicates();
    EXPECT_EQ(fromProgramDir, QStringList{u"orvanel"_s}) << "only the panel";
    // The panel goes on making its files after it started the engines.
    const QLatin1StringView files[] = {
        names::ConfigurationTable, names::RulesTable,   names::AlertsTable,    names::EventsTable,
        names::QuarantineTable,    names::SitesTable,   names::LanguageTable,  names::SpamFile,
        names::TrackFile,          names::FirewallFile, names::CtrlplFile,     names::ModeFile,
        "kentro_fr.txt"_L1,        "liens_fr.txt"_L1,   names::NotifierProgram};
    const auto made = [&](QLatin1StringView file) { return QFileInfo(workspace + file).isFile(); };
    QTRY_VERIFY_WITH_TIMEOUT(std::all_of(std::begin(files), std::end(files), made), 10000);
    for (const QLatin1StringView file : files)
        EXPECT_TRUE(made(file)) << file.data();
    EXPECT_EQ(QFileInfo(workspace).permissions() & 0x0077, 0) << "the workspace is private";

    // The session starts the installed launcher, whatever happens to the build.
    platform::XdgAutostartEntries autostart(home.path() + u"/config/autostart"_s);
    EXPECT_EQ(autostart.value(names::AutostartValueName).data, usr(u"bin/orvanel"_s));

    // Ending unshare hands SIGTERM to the panel, which stops its engines and quits.
    panel.kill();
    EXPECT_TRUE(panel.waitForFinished(30000));
    QTRY_VERIFY_WITH_TIMEOUT(programsRunningFrom(workspace).isEmpty(), 20000);
    endProgramsRunningFrom(workspace);

    EXPECT_EQ(treeOf(s_destdir->path()), installed) << "the installed folders gained no file";
}

} // namespace
} // namespace orvanel::testing
