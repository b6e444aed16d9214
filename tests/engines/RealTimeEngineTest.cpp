// tempsreel.exe: files written into or moved into the watched folders are scanned as
// they are closed, files elsewhere are not; the switches of configuration.xml name the
// folders.

#include "EngineFixture.h"
#include "ZipArchive.h"

#include "protect/ClamEngine.h"

#include "protect/RealTimeEngine.h"

namespace {

using namespace orvanel;
using namespace orvanel::testing;

class RealTimeEngine : public EngineFixture
{
protected:
    // Starts the engine and waits until it watches.
    std::unique_ptr<QProcess> startWatching()
    {
        auto engine = startResident(u"tempsreel.exe"_s);
        EXPECT_TRUE(waitFor([&] {
            return !lines(QString(names::ScanLogFile))
                        .filter(u"real-time protection started"_s)
                        .isEmpty();
        })) << lines(QString(names::ScanLogFile)).join(u'\n').toStdString();
        return engine;
    }

    QStringList alertPaths() const
    {
        QStringList paths;
        for (const QStringList& row : rows(TableId::Alerts))
            paths.append(row[7]);
        return paths;
    }

    bool waitForAlert(const QString& path)
    {
        return waitFor([&] { return alertPaths().contains(path); });
    }

    void writeConfiguration(const QString& fields)
    {
        Table table;
        defineFields(table, TableId::Configuration);
        table.createEmpty();
        table.insert();
        for (int i = 0; i < 12; ++i)
            table.setValue(u"Champ%1"_s.arg(i + 1), fields.mid(i, 1));
        table.post();
        ASSERT_TRUE(table.save(workspace.path(QString(names::ConfigurationTable))));
    }
};

TEST_F(RealTimeEngine, ReportsFilesWrittenOrMovedInAndNothingElsewhere)
{
    ASSERT_TRUE(QDir().mkpath(inHome(u"Downloads"_s)));
    ASSERT_TRUE(QDir().mkpath(inHome(u"Desktop"_s)));
    auto engine = startWatching();

    writeFile(inHome(u"elsewhere/outside.com"_s), standardTestFile());
    writeFile(inHome(u"staging/moved.com"_s), standardTestFile());
    const QString written = inHome(u"Downloads/new folder/written.com"_s);
    writeFile(written, standardTestFile());
    EXPECT_TRUE(waitForAlert(written)) << alertPaths().join(u'\n').toStdString();

    const QString moved = inHome(u"Desktop/moved.com"_s);
    ASSERT_TRUE(QFile::rename(inHome(u"staging/moved.com"_s), moved));
    EXPECT_TRUE(waitForAlert(moved)) << alertPaths().join(u'\n').toStdString();

    writeFile(inHome(u"Downloads/clean.txt"_s), "nothing to see");
    writeFile(inHome(u"Downloads/last.com"_s), standardTestFile());
    ASSERT_TRUE(waitForAlert(inHome(u"Downloads/last.com"_s)));
    EXPECT_EQ(alertPaths(), (QStringList{written, moved, inHome(u"Downloads/last.com"_s)}));
    EXPECT_EQ(lines(QString(names::VirusFile)).size(), 3);
    EXPECT_GE(notifications(1).size(), 1);
    EXPECT_EQ(readFile(written), standardTestFile());

    ::kill(pid_t(engine->processId()), SIGTERM);
    ASSERT_TRUE(engine->waitForFinished(10000));
    EXPECT_EQ(engine->exitStatus(), QProcess::NormalExit);
}

TEST_F(RealTimeEngine, FilesItCannotScanAreLoggedAsSkippedNeverAlerted)
{
    ASSERT_TRUE(QDir().mkpath(inHome(u"Downloads"_s)));
    auto engine = startWatching();
    const QString large = inHome(u"Downloads/disc.iso"_s);
    writeSparseFile(large, engines::kMaxScannedFileSize + 1);
    const QString secret = inHome(u"Downloads/secret.zip"_s);
    writeFile(secret, zipArchive("a.com", standardTestFile(), "password"));
    const QString found = inHome(u"Downloads/last.com"_s);
    writeFile(found, standardTestFile());

    ASSERT_TRUE(waitForAlert(found));
    const QStringList log = lines(QString(names::ScanLogFile));
    EXPECT_EQ(log.filter(large + u": skipped, too large"_s).size(), 1)
        << log.join(u'\n').toStdString();
    EXPECT_EQ(log.filter(secret + u": skipped, encrypted"_s).size(), 1);
    EXPECT_EQ(alertPaths(), QStringList{found}) << "skips are never alerts";
    EXPECT_EQ(lines(QString(names::VirusFile)), QStringList{kTestFileSignature});
}

TEST_F(RealTimeEngine, WatchesADownloadsFolderMadeAfterItsStart)
{
    auto engine = startWatching();
    const QString file = inHome(u"Downloads/late.com"_s);
    ASSERT_TRUE(QDir().mkpath(inHome(u"Downloads"_s)));
    // The folder is looked for again every two seconds; a file written before that is
    // not seen, so the test writes until one is reported.
    EXPECT_TRUE(waitFor([&] {
        writeFile(file, standardTestFile());
        return alertPaths().contains(file);
    }));
}

TEST_F(RealTimeEngine, TheSwitchesChooseTheFolders)
{
    writeConfiguration(u"011110000000"_s); // Champ1 off, Champ4 and Champ5 on
    ASSERT_TRUE(QDir().mkpath(inHome(u"Downloads"_s)));
    ASSERT_TRUE(QDir().mkpath(inHome(u".config/autostart"_s)));
    auto engine = startWatching();
    writeFile(inHome(u"Downloads/unwatched.com"_s), standardTestFile());
    const QString startUp = inHome(u".config/autostart/run.com"_s);
    writeFile(startUp, standardTestFile());
    ASSERT_TRUE(waitForAlert(startUp));
    EXPECT_EQ(alertPaths(), QStringList{startUp});
}

TEST(RealTimeFolders, FollowTheSwitchesOfConfiguration)
{
    engines::EngineContext context;
    context.home = u"/h"_s;
    context.configHome = u"/h/.config"_s;
    engines::Switches allOn;
    allOn.fill(true);
    engines::Switches onlyFirst{};
    onlyFirst[0] = true;
    engines::Switches onlyFifth{};
    onlyFifth[4] = true;
    const struct
    {
        const char* what;
        std::optional<engines::Switches> switches;
        QStringList folders;
    } cases[] = {
        {"no configuration", std::nullopt, {u"/h/Downloads"_s, u"/h/Desktop"_s}},
        {"every switch on",
         allOn,
         {u"/h/Downloads"_s, u"/h/Desktop"_s, u"/h/.config/autostart"_s, u"/h/.local/bin"_s}},
        {"Champ1 only", onlyFirst, {u"/h/Downloads"_s, u"/h/Desktop"_s}},
        {"Champ5 only", onlyFifth, {u"/h/.local/bin"_s}},
        {"every switch off", engines::Switches{}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(engines::watchedFolders(context, c.switches), c.folders) << c.what;
}

} // namespace
