// The system's own texts the panel reads: user-dirs.dirs, /proc/self/mountinfo and the
// texts of /proc/PID (stat, cmdline, the exe link, status) and /proc/meminfo.
#include "FuzzSupport.h"

#include "platform/linux/MountInfo.h"
#include "platform/linux/ProcText.h"
#include "platform/linux/UserDirs.h"

using namespace orvanel;
using namespace orvanel::fuzz;
using namespace orvanel::platform;
using namespace Qt::StringLiterals;

namespace {

bool within(std::string_view part, std::string_view whole)
{
    return part.empty() || (part.data() >= whole.data() &&
                            part.data() + part.size() <= whole.data() + whole.size());
}

void userDirs(const std::uint8_t* data, std::size_t size)
{
    const ExactText text(data, size);
    const QString home = u"/home/user"_s;
    for (const QStringView key : {u"XDG_DESKTOP_DIR", u"XDG_DOWNLOAD_DIR"}) {
        if (const auto folder = userDirFromText(text.view(), key, home))
            FUZZ_CHECK(folder->startsWith(u'/'));
    }
}

void mountInfo(std::string_view text)
{
    const std::vector<MountEntry> mounts = parseMountInfo(text);
    for (const MountEntry& mount : mounts)
        FUZZ_CHECK(mount.mountPoint.startsWith(u'/'));
    (void)volumeMountPoints(mounts);
    // The table before and after a change: the first half of the lines, then all.
    const std::vector<MountEntry> before(mounts.begin(),
                                         mounts.begin() + std::ptrdiff_t(mounts.size() / 2));
    for (const MountArrival& arrival : mountArrivals(before, mounts))
        FUZZ_CHECK(!isPseudoFileSystem(arrival.fileSystem));
    const QString holding = mountPointHolding(text, u"/home/user/Documents"_s);
    FUZZ_CHECK(holding.startsWith(u'/'));
    forEachMount(text, [&](const MountLine& line) {
        if (line.fileSystem)
            FUZZ_CHECK(within(*line.fileSystem, text));
    });
}

void procTexts(std::string_view text)
{
    if (const auto stat = parseStat(text)) {
        FUZZ_CHECK(within(stat->name, text));
        (void)hasEnded(stat->state);
        (void)commMayBeCut(stat->name);
        (void)sameProgramName(stat->name, u"tempsreel.exe");
    }
    FUZZ_CHECK(within(cmdlineProgramName(text), text));
    FUZZ_CHECK(within(exeTargetPath(text), text));
    FUZZ_CHECK(within(baseName(text), text));
    (void)sameProgramName(text, u"scanwapper.exe");
    if (const auto bytes = statusResidentBytes(text))
        FUZZ_CHECK(*bytes >= 0);
    (void)meminfoBytes(text, "MemTotal");
    (void)meminfoBytes(text, "MemAvailable");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text = bytesOf(data, size);
    userDirs(data, size);
    mountInfo(text);
    procTexts(text);
    return 0;
}
