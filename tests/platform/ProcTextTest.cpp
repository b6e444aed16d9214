// The readers of /proc texts, driven by samples as the kernel writes them.
#include "platform/linux/ProcText.h"
#include "platform/linux/ProcMemoryStatus.h"

#include <gtest/gtest.h>

#include <string>

using namespace orvanel::platform;
using namespace std::string_literals;

namespace {

struct TextCase
{
    std::string input;
    std::string expected;
};

TEST(ProcText, StatGivesNameAndState)
{
    struct Case
    {
        std::string stat;
        std::string name;
        char state;
    };
    const Case cases[] = {
        {"15114 (bash) S 15106 15106 4747 0 -1 4194304 97\n", "bash", 'S'},
        {"2 (kworker/u4:1-ev) I 2 0 0 0\n", "kworker/u4:1-ev", 'I'},
        {"7 (odd) (name) R 1 7 7\n", "odd) (name", 'R'}, // names may hold parentheses
        {"8 (with blank) S 1\n", "with blank", 'S'},
        {"9 () S 1\n", "", 'S'},
        {"10 (defunct.exe) Z 1 10 10\n", "defunct.exe", 'Z'},
    };
    for (const auto& c : cases) {
        const auto fields = parseStat(c.stat);
        ASSERT_TRUE(fields.has_value()) << c.stat;
        EXPECT_EQ(fields->name, c.name);
        EXPECT_EQ(fields->state, c.state);
    }
    for (const char* broken : {"", "12 bash S 1", "12 (bash", "12 (bash)", "12 (bash)S 1"})
        EXPECT_FALSE(parseStat(broken).has_value()) << broken;
}

TEST(ProcText, EndedStates)
{
    EXPECT_TRUE(hasEnded('Z'));
    EXPECT_TRUE(hasEnded('X'));
    for (const char running : {'R', 'S', 'D', 'T', 't', 'I', 'P'})
        EXPECT_FALSE(hasEnded(running)) << running;
}

TEST(ProcText, OnlyFifteenCharacterNamesMayBeCut)
{
    EXPECT_TRUE(commMayBeCut("longengine-name")); // 15: the kernel's limit
    EXPECT_FALSE(commMayBeCut("scanwapper.exe")); // 14: whole
    EXPECT_FALSE(commMayBeCut(""));
    EXPECT_EQ(kCommLimit, 15u);
}

TEST(ProcText, CmdlineProgramWordIsTheFileNameOfArgvZero)
{
    const TextCase cases[] = {
        {"/usr/bin/python3\0-u\0script.py\0"s, "python3"},
        {"/opt/ws/longengine-name-x.exe\0"s, "longengine-name-x.exe"},
        {"relative/prog\0arg\0"s, "prog"},
        {"plain\0"s, "plain"},
        {"/My Programs/the engine.exe\0--x\0"s, "the engine.exe"}, // blanks belong to the path
        {""s, ""},                                                 // kernel thread, zombie
        {"/path/without/end"s, "end"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cmdlineProgramName(c.input), c.expected);
}

TEST(ProcText, ExeTargetLosesTheDeletedMark)
{
    EXPECT_EQ(exeTargetPath("/ws/tempsreel.exe (deleted)"), "/ws/tempsreel.exe");
    EXPECT_EQ(exeTargetPath("/ws/tempsreel.exe"), "/ws/tempsreel.exe");
    EXPECT_EQ(exeTargetPath(" (deleted)"), " (deleted)"); // nothing but the mark: left alone
    EXPECT_EQ(baseName(exeTargetPath("/a/b c/d.exe (deleted)")), "d.exe");
    EXPECT_EQ(baseName("noslash"), "noslash");
    EXPECT_EQ(baseName("/trailing/"), "");
}

TEST(ProcText, StatusResidentSize)
{
    struct Case
    {
        std::string status;
        std::optional<qint64> bytes;
    };
    const Case cases[] = {
        {"Name:\tbash\nVmPeak:\t   9000 kB\nVmRSS:\t    1692 kB\nRssAnon:\t 300 kB\n", 1692 * 1024},
        {"VmRSS:\t0 kB\n", 0},
        {"Name:\tbig\nVmRSS:\t 8388608 kB\n", qint64(8) * 1024 * 1024 * 1024}, // 8 GiB: 64 bits
        {"Name:\tkthreadd\nState:\tS (sleeping)\nThreads:\t1\n", std::nullopt},
        {"VmRSSX:\t12 kB\n", std::nullopt}, // another field that only starts the same
        {"Name:\tx\nVmRSS:\tlots kB\n", std::nullopt},
        {"VmRSS:\t12 MB\n", std::nullopt}, // the kernel only ever writes kB
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(statusResidentBytes(c.status), c.bytes) << c.status;
}

TEST(ProcText, MeminfoFields)
{
    const std::string text = "MemTotal:       24683752 kB\nMemFree:        20000000 kB\n"
                             "MemAvailable:   23041448 kB\nHugePages_Total:       3\n";
    EXPECT_EQ(meminfoBytes(text, "MemTotal"), quint64(24683752) * 1024);
    EXPECT_EQ(meminfoBytes(text, "MemAvailable"), quint64(23041448) * 1024);
    EXPECT_EQ(meminfoBytes(text, "HugePages_Total"), 3u); // a count, not a size
    EXPECT_EQ(meminfoBytes(text, "Mem"), std::nullopt);
    EXPECT_EQ(meminfoBytes(text, "SwapTotal"), std::nullopt);
}

TEST(ProcText, ProgramNamesCompareWithoutLetterCase)
{
    EXPECT_TRUE(sameProgramName("tempsreel.exe", u"TEMPSREEL.EXE"));
    EXPECT_TRUE(sameProgramName("Pngi.exe", u"pngi.EXE"));
    EXPECT_FALSE(sameProgramName("pngi.exe", u"pngi.ex"));
    EXPECT_FALSE(sameProgramName("pngi.ex", u"pngi.exe"));
    EXPECT_FALSE(sameProgramName("pngi.exe", u"pngi-exe"));
    EXPECT_FALSE(sameProgramName("", u"x"));
    // Names outside ASCII: compared as text, not as bytes.
    EXPECT_TRUE(sameProgramName("sécurité.exe", u"SÉCURITÉ.EXE"));
    EXPECT_FALSE(sameProgramName("securite.exe", u"sécurité.exe"));
    EXPECT_FALSE(sameProgramName("abc", u"ab\u00e9"));
}

TEST(ProcText, MountPointHoldingAFolder)
{
    const std::string mountinfo = "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
                                  "27 1 253:1 / / rw,relatime - ext4 /dev/vda1 rw\n"
                                  "30 27 253:2 / /work rw,relatime - ext4 /dev/vdb rw\n"
                                  "31 27 253:3 / /workspace rw,relatime - ext4 /dev/vdc rw\n"
                                  "32 30 253:4 / /work/My\\040Disk rw - ext4 /dev/vdd rw\n"
                                  "garbage line\n";
    struct Case
    {
        QString path;
        QString mountPoint;
    };
    const Case cases[] = {
        {QStringLiteral("/work/main/build"), QStringLiteral("/work")},
        {QStringLiteral("/work"), QStringLiteral("/work")},
        {QStringLiteral("/workspace/x"), QStringLiteral("/workspace")}, // not /work
        {QStringLiteral("/workbench"), QStringLiteral("/")},
        {QStringLiteral("/work/My Disk/a"), QStringLiteral("/work/My Disk")},
        {QStringLiteral("/home/user"), QStringLiteral("/")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mountPointHolding(mountinfo, c.path), c.mountPoint) << c.path.toStdString();
    EXPECT_EQ(mountPointHolding("", QStringLiteral("/x")), QStringLiteral("/"));
}

TEST(ProcText, MountFieldEscapes)
{
    EXPECT_EQ(unescapeMountField("/a\\040b"), QStringLiteral("/a b"));
    EXPECT_EQ(unescapeMountField("/tab\\011x"), QStringLiteral("/tab\tx"));
    EXPECT_EQ(unescapeMountField("/back\\134slash"), QStringLiteral("/back\\slash"));
    EXPECT_EQ(unescapeMountField("/short\\04"), QStringLiteral("/short\\04"));
    EXPECT_EQ(unescapeMountField("/not\\999"), QStringLiteral("/not\\999"));
}

TEST(MeminfoParser, FiguresInSixtyFourBits)
{
    const MemorySnapshot m = parseMeminfo("MemTotal:       67108864 kB\n"
                                          "MemFree:         1000000 kB\n"
                                          "MemAvailable:   16777216 kB\n"
                                          "SwapTotal:       8388608 kB\n"
                                          "SwapFree:        4194304 kB\n");
    // 64 GiB: a 32-bit record would have wrapped to 0.
    EXPECT_EQ(m.totalPhysical, quint64(64) << 30);
    EXPECT_EQ(m.availablePhysical, quint64(16) << 30);
    EXPECT_EQ(m.totalSwap, quint64(8) << 30);
    EXPECT_EQ(m.freeSwap, quint64(4) << 30);
    EXPECT_EQ(m.loadPercent, 75);
}

TEST(MeminfoParser, OlderKernelsWithoutMemAvailable)
{
    const MemorySnapshot m = parseMeminfo("MemTotal:  1000 kB\nMemFree:    100 kB\n"
                                          "Buffers:     50 kB\nCached:     150 kB\n");
    EXPECT_EQ(m.availablePhysical, quint64(300) * 1024);
    EXPECT_EQ(m.loadPercent, 70);
    EXPECT_EQ(m.totalSwap, 0u);
}

TEST(MeminfoParser, RoundsAndBoundsTheLoad)
{
    EXPECT_EQ(parseMeminfo("MemTotal: 3 kB\nMemAvailable: 1 kB\n").loadPercent, 67);
    EXPECT_EQ(parseMeminfo("MemTotal: 3 kB\nMemAvailable: 3 kB\n").loadPercent, 0);
    EXPECT_EQ(parseMeminfo("MemTotal: 3 kB\nMemAvailable: 0 kB\n").loadPercent, 100);
    // More available than present (a broken text) never gives a negative load.
    const MemorySnapshot odd = parseMeminfo("MemTotal: 3 kB\nMemAvailable: 9 kB\n");
    EXPECT_EQ(odd.loadPercent, 0);
    EXPECT_LE(odd.availablePhysical, odd.totalPhysical);
    const MemorySnapshot empty = parseMeminfo("");
    EXPECT_EQ(empty.totalPhysical, 0u);
    EXPECT_EQ(empty.loadPercent, 0);
}

} // namespace
