// Desktop entries as the autostart list reads and writes them.
#include "platform/linux/DesktopEntry.h"

#include <gtest/gtest.h>

using namespace orvanel::platform;

namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

TEST(DesktopEntryParse, ReadsTheMainGroupOnly)
{
    const auto keys = parseDesktopEntry(q("# written by hand\n"
                                          "Exec=/before/any/group\n"
                                          "\n"
                                          "[Desktop Entry]\n"
                                          "Type=Application\n"
                                          "Name[fr]=Panneau\n"
                                          "Name = Orvanel\n"
                                          "  # an indented comment\n"
                                          "Exec=/opt/orvanel/orvanel\r\n"
                                          "Exec=/second/exec/ignored\n"
                                          "[Desktop Action quit]\n"
                                          "Exec=/opt/orvanel/orvanel --quit\n"));
    EXPECT_TRUE(keys.hasMainGroup);
    EXPECT_EQ(keys.type, q("Application"));
    EXPECT_EQ(keys.name, q("Orvanel"));
    EXPECT_EQ(keys.exec, q("/opt/orvanel/orvanel"));
    EXPECT_FALSE(keys.url.has_value());
}

TEST(DesktopEntryParse, EntriesWithoutExec)
{
    struct Case
    {
        const char* text;
        bool mainGroup;
    };
    const Case cases[] = {
        {"", false},
        {"Exec=/no/group\n", false},
        {"[Desktop Entry]\nType=Link\nURL=file:///x\n", true},
        {"[Other]\nExec=/x\n", false},
        {"[Desktop Entry]\nexec=/x\nExecutable=/y\n", true}, // keys keep their letter case
        {"[Desktop Entry]\n[Desktop Entry]\nExec=/repeated/group\n", true},
    };
    for (const auto& c : cases) {
        const auto keys = parseDesktopEntry(q(c.text));
        EXPECT_FALSE(keys.exec.has_value()) << c.text;
        EXPECT_EQ(keys.hasMainGroup, c.mainGroup) << c.text;
        EXPECT_FALSE(commandOfEntry(keys).has_value()) << c.text;
    }
}

TEST(DesktopEntryValue, StringEscapes)
{
    struct Case
    {
        const char* written;
        const char* meant;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"\\sleading", " leading"},
        {"two\\nlines", "two\nlines"},
        {"tab\\there", "tab\there"},
        {"cr\\r", "cr\r"},
        {"back\\\\slash", "back\\slash"},
        {"unknown\\q", "unknown\\q"},
        {"trailing\\", "trailing\\"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(unescapeValue(q(c.written)), q(c.meant)) << c.written;
    for (const auto& c : cases) {
        if (QByteArray(c.meant).contains("\\q") || QByteArray(c.written).endsWith('\\'))
            continue; // not the form the writer produces
        EXPECT_EQ(escapeValue(q(c.meant)), q(c.written)) << c.meant;
    }
}

TEST(DesktopEntryExec, SplitsLikeTheDesktops)
{
    struct Case
    {
        const char* exec;
        QStringList args;
    };
    const Case cases[] = {
        {"/usr/bin/orvanel", {q("/usr/bin/orvanel")}},
        {"prog  --a   b", {q("prog"), q("--a"), q("b")}},
        {"\"/opt/My Apps/orvanel\"", {q("/opt/My Apps/orvanel")}},
        {"\"/a \\\"quoted\\\" b\" x", {q("/a \"quoted\" b"), q("x")}},
        {"\"cost \\$5 \\`id\\` \\\\ end\"", {q("cost $5 `id` \\ end")}},
        {"firefox %u", {q("firefox")}},
        {"prog %F --files", {q("prog"), q("--files")}},
        {"prog 100%%", {q("prog"), q("100%")}},
        {"prog --file=%f", {q("prog"), q("--file=")}},
        {"prog \"\"", {q("prog"), q("")}},
        {"prog\ttab", {q("prog"), q("tab")}},
        {"", {}},
        {"%U", {}},
    };
    for (const auto& c : cases) {
        const auto args = splitExec(q(c.exec));
        ASSERT_TRUE(args.has_value()) << c.exec;
        EXPECT_EQ(*args, c.args) << c.exec;
    }
    EXPECT_FALSE(splitExec(q("\"/unterminated quote")).has_value());
}

TEST(DesktopEntryExec, QuotesArgumentsThatNeedIt)
{
    struct Case
    {
        const char* argument;
        const char* written;
    };
    const Case cases[] = {
        {"/usr/bin/orvanel", "/usr/bin/orvanel"},
        {"/opt/My Apps/orvanel", "\"/opt/My Apps/orvanel\""},
        {"/a;b", "\"/a;b\""},
        {"/a$(id)", "\"/a\\$(id)\""},
        {"/q\"x", "\"/q\\\"x\""},
        {"/back\\slash", "\"/back\\\\slash\""},
        {"/tick`x", "\"/tick\\`x\""},
        {"/100%", "/100%%"},
        {"/100% sure", "\"/100%% sure\""},
        {"", "\"\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(quoteExecArgument(q(c.argument)), q(c.written)) << c.argument;
}

TEST(DesktopEntryExec, WrittenPathsReadBackExactly)
{
    const char* paths[] = {"/usr/bin/orvanel", "/opt/My Apps/orvanel",
                           "/a;rm -rf ~",      "/x/$(touch y)/z",
                           "/q\"uote",         "/b\\s",
                           "/per%cent/%u",     "/tab\there",
                           "/new\nline",       "/é/ünïcode/程序",
                           " /leading blank"};
    for (const char* path : paths) {
        const QByteArray text = autostartEntryText(q("Orvanel"), q(path));
        const auto keys = parseDesktopEntry(QString::fromUtf8(text));
        EXPECT_EQ(commandOfEntry(keys), q(path)) << text.constData();
        EXPECT_EQ(unescapeValue(keys.tryExec.value_or(QString())), q(path)) << text.constData();
        EXPECT_EQ(keys.name, q("Orvanel"));
        EXPECT_EQ(keys.type, q("Application"));
    }
}

TEST(DesktopEntryExec, CommandOfSeveralArguments)
{
    struct Case
    {
        const char* exec;
        const char* command;
    };
    const Case cases[] = {
        {"/usr/bin/tool /autoRun", "/usr/bin/tool /autoRun"},
        {"\"/opt/My Apps/tool\" /autoRun", "\"/opt/My Apps/tool\" /autoRun"},
        {"env LANG=C prog %U", "env LANG=C prog"},
        {"prog \"\"", "prog \"\""},
        {"", ""},
        {"\"/unclosed quote", "\"/unclosed quote"},
    };
    for (const auto& c : cases) {
        DesktopEntryKeys keys;
        keys.exec = q(c.exec);
        EXPECT_EQ(commandOfEntry(keys), q(c.command)) << c.exec;
    }
}

TEST(DesktopEntryWrite, CompleteAutostartEntry)
{
    EXPECT_EQ(autostartEntryText(q("Orvanel"), q("/opt/My Apps/orvanel")),
              QByteArray("[Desktop Entry]\n"
                         "Type=Application\n"
                         "Name=Orvanel\n"
                         "Exec=\"/opt/My Apps/orvanel\"\n"
                         "TryExec=/opt/My Apps/orvanel\n"
                         "X-GNOME-Autostart-enabled=true\n"));
    // A backslash is escaped twice: once for the quoting, once for the string value.
    EXPECT_TRUE(autostartEntryText(q("x"), q("/b\\s")).contains("Exec=\"/b\\\\\\\\s\"\n"));
    // A line end in a name cannot start a new key.
    EXPECT_TRUE(autostartEntryText(q("a\nExec=/evil"), q("/p")).contains("Name=a\\nExec=/evil\n"));
}

} // namespace
