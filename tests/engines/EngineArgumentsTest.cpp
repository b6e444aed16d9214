// The engines' reading of the argument strings the panel gives them, after the panel's
// own split at blanks.
#include "protect/EngineArguments.h"
#include "SubstituteArguments.h"
#include "platform/Spawner.h"

#include <gtest/gtest.h>

namespace orvanel::engines {
namespace {

using namespace Qt::StringLiterals;

QStringList split(const char* arguments)
{
    return platform::splitArgumentString(QString::fromUtf8(arguments));
}

substitutes::Args words(const char* arguments)
{
    substitutes::Args args;
    for (const QString& word : split(arguments))
        args.push_back(word.toStdString());
    return args;
}

TEST(EngineArguments, ScanRequestsAndCopySearchSteps)
{
    using Scan = ScanArguments::Kind;
    using Step = CopySearchStep::Kind;
    struct Case
    {
        const char* arguments;
        std::optional<Scan> scan;
        QString mountPoint;
        Step step;
        QString folder;
    };
    const Case cases[] = {
        {"0", Scan::Quick, {}, Step::Forget, {}},
        {"1 /home/user/My  Documents", Scan::Full, {}, Step::Record, u"/home/user/My Documents"_s},
        {"2", Scan::Memory, {}, Step::List, {}},
        {"3 \"/media/user/USB STICK\"",
         Scan::Volume,
         u"/media/user/USB STICK"_s,
         Step::Nothing,
         {}},
        {"3 media/usb", std::nullopt, {}, Step::Nothing, {}},
        {"3", std::nullopt, {}, Step::Nothing, {}},
        {"", std::nullopt, {}, Step::Nothing, {}},
        {"01", std::nullopt, {}, Step::Nothing, {}},
    };
    for (const Case& c : cases) {
        const auto scan = scanArgumentsOf(split(c.arguments));
        EXPECT_EQ(scan ? std::optional(scan->kind) : std::nullopt, c.scan) << c.arguments;
        EXPECT_EQ(scan ? scan->mountPoint : QString(), c.mountPoint) << c.arguments;
        const CopySearchStep step = copySearchStepOf(split(c.arguments));
        EXPECT_EQ(step.kind, c.step) << c.arguments;
        EXPECT_EQ(step.folder, c.folder) << c.arguments;
    }
}

TEST(EngineArguments, SubstituteEnginesReadTheirWords)
{
    struct Case
    {
        const char* arguments;
        std::string flags;               // netpro.exe
        std::optional<std::string> host; // ipcp.exe
        std::string notification;        // msgs.exe
    };
    const Case cases[] = {
        {" 1 0 1", " 1 0 1", std::nullopt, "1 0 1"},
        {"  example.org  ", " example.", "example.org", "example.org"},
        {"change;registre", " change;r", std::nullopt, "change registre"},
        {"a\tb", " a b", std::nullopt, "a b"},
        {"\"$(reboot)\"", " $(reboot", std::nullopt, "$(reboot)"},
        {"", "", std::nullopt, ""},
        {";;;", " ;;;", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        const substitutes::Args args = words(c.arguments);
        EXPECT_EQ(substitutes::statusFlagsRecord(args), c.flags) << c.arguments;
        EXPECT_EQ(substitutes::resolverHost(args), c.host) << c.arguments;
        EXPECT_EQ(substitutes::notificationText(args), c.notification) << c.arguments;
    }
    EXPECT_EQ(substitutes::resolverHost({std::string(254, 'a')}), std::nullopt);
    EXPECT_EQ(substitutes::notificationText({std::string(600, 'x')}).size(), 500u);
}

} // namespace
} // namespace orvanel::engines
