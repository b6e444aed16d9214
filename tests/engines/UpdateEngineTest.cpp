// majbase.exe: brings the user's database folder up to date through freshclam; without
// freshclam or without network it says so in majbase.txt and in one notification and
// keeps the databases in place. A stand-in freshclam plays the network's part.

#include "EngineFixture.h"

#include "protect/DatabaseUpdate.h"

namespace {

using namespace orvanel;
using namespace orvanel::testing;

class UpdateEngine : public EngineFixture
{
protected:
    QString databases() const { return inHome(u".local/share/orvanel/clamav"_s); }

    // A freshclam that records its arguments, prints `output` and ends with `code`.
    void installFreshclam(const QByteArray& output, int code)
    {
        const QString bin = inHome(u"bin"_s);
        writeFile(bin + u"/output"_s, output + '\n');
        writeFile(bin + u"/freshclam"_s, "#!/bin/sh\nprintf '%s\\n' \"$@\" > "
                                         "\"$HOME/freshclam.args\"\n/bin/cat \"${0%/*}/output\"\n"
                                         "exit " +
                                             QByteArray::number(code) + "\n");
        QFile::setPermissions(bin + u"/freshclam"_s, QFile::ReadOwner | QFile::ExeOwner);
        environment.insert(u"PATH"_s, bin);
    }
};

TEST_F(UpdateEngine, SaysSoWhenTheUpdateCannotBeMade)
{
    const struct
    {
        const char* what;
        bool installed;
        QByteArray output;
        int code;
        QString said;
    } cases[] = {
        {"no freshclam", false, {}, 0, u"freshclam is not installed"_s},
        {"name does not resolve", true, "ERROR: Download failed (6) Couldn't resolve host name", 11,
         u"no network"_s},
        {"connection problem", true, "ERROR: giving up", 52, u"no network"_s},
        {"other failure", true, "ERROR: Can't create new file", 57,
         u"freshclam failed (code 57)"_s},
    };
    writeFile(databases() + u"/daily.cld"_s, "old database");
    int notified = 0;
    for (const auto& c : cases) {
        environment.insert(u"PATH"_s, inHome(u"empty"_s));
        if (c.installed)
            installFreshclam(c.output, c.code);
        ASSERT_EQ(run(u"majbase.exe"_s, {u"0"_s}), 0) << c.what;
        const QStringList report = lines(u"majbase.txt"_s);
        EXPECT_TRUE(report.value(0).contains(u"database not updated: "_s + c.said))
            << c.what << ": " << report.join(u'\n').toStdString();
        EXPECT_EQ(notifications(++notified).size(), notified) << c.what;
        EXPECT_EQ(readFile(databases() + u"/daily.cld"_s), QByteArray("old database")) << c.what;
    }
}

TEST_F(UpdateEngine, UpdatesTheUsersDatabaseFolder)
{
    installFreshclam("daily.cld database is up-to-date", 0);
    ASSERT_EQ(run(u"majbase.exe"_s, {u"0"_s}), 0);
    EXPECT_TRUE(
        lines(u"majbase.txt"_s).value(0).contains(u"database up to date in "_s + databases()));
    EXPECT_TRUE(lines(u"majbase.txt"_s).contains(u"daily.cld database is up-to-date"_s));
    EXPECT_TRUE(notifications().isEmpty());
    const QByteArray args = readFile(inHome(u"freshclam.args"_s));
    EXPECT_TRUE(args.startsWith(
        QByteArray("--config-file=" + QFile::encodeName(databases()) + "/freshclam.conf\n")))
        << args.toStdString();
    const QByteArray configuration = readFile(databases() + u"/freshclam.conf"_s);
    EXPECT_TRUE(configuration.contains(
        QByteArray("DatabaseDirectory " + QFile::encodeName(databases()) + "\n")));
}

TEST(FreshclamOutcome, NetworkTroubleIsToldApart)
{
    using engines::UpdateOutcome;
    const struct
    {
        int code;
        QByteArray output;
        UpdateOutcome outcome;
    } cases[] = {
        {0, "", UpdateOutcome::Updated},
        {52, "", UpdateOutcome::NoNetwork},
        {11, "Download failed (6) ERROR:  Message: Couldn't resolve host name",
         UpdateOutcome::NoNetwork},
        {11, "Can't connect to port 443 of host", UpdateOutcome::NoNetwork},
        {54, "MD5 verification error", UpdateOutcome::Failed},
        {-1, "", UpdateOutcome::Failed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(engines::updateOutcomeOf(c.code, c.output), c.outcome)
            << c.code << c.output.constData();
}

TEST(FreshclamConfiguration, KeepsTheSystemsMirrorsAndTheUserAsOwner)
{
    const QByteArray system = "DatabaseOwner clamav\n  DatabaseMirror mirror.example\n"
                              "#DatabaseMirror commented.example\nPrivateMirror private.example\n";
    const QByteArray text = engines::freshclamConfiguration(u"/h/db"_s, u"ann"_s, system);
    EXPECT_TRUE(text.contains("DatabaseDirectory /h/db\n"));
    EXPECT_TRUE(text.contains("DatabaseOwner ann\n"));
    EXPECT_FALSE(text.contains("clamav\n"));
    EXPECT_TRUE(text.contains("DatabaseMirror mirror.example\n"));
    EXPECT_TRUE(text.contains("PrivateMirror private.example\n"));
    EXPECT_FALSE(text.contains("commented.example"));
    EXPECT_TRUE(
        engines::freshclamConfiguration(u"/h/db"_s, u"ann"_s, {}).contains("DatabaseMirror "));
}

} // namespace
