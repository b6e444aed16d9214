#include "Cgroups.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace orvanel::netd {

namespace {

constexpr std::string_view NftCgroupRoot = "/sys/fs/cgroup";

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string_view::npos;
         start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

// mountinfo writes blanks, tabs, newlines and backslashes of paths as \ooo.
std::string unescape(std::string_view field)
{
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            field.substr(i + 1, 3).find_first_not_of("01234567") == std::string_view::npos) {
            text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

std::string readSmall(const std::string& path)
{
    std::ifstream file(path);
    std::string text(64 * 1024, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));
    return text;
}

bool fail(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
    return false;
}

} // namespace

std::optional<std::string> cgroup2MountIn(std::string_view mountinfo)
{
    for (std::string_view line : split(mountinfo, '\n')) {
        const std::size_t dash = line.find(" - ");
        if (dash == std::string_view::npos)
            continue;
        const auto before = split(line.substr(0, dash), ' ');
        const auto after = split(line.substr(dash + 3), ' ');
        if (before.size() >= 5 && !after.empty() && after[0] == "cgroup2")
            return unescape(before[4]);
    }
    return std::nullopt;
}

std::optional<std::string> cgroup2Mount()
{
    return cgroup2MountIn(readSmall("/proc/self/mountinfo"));
}

bool validCgroupPath(std::string_view path, std::string* error)
{
    if (path.size() < 2 || path.size() > MaxCgroupPathBytes || path.front() != '/')
        return fail(error, "a cgroup is not an absolute path of at most 512 bytes");
    for (const char c : path)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == '"' || c == '\\')
            return fail(error, "a cgroup path holds a control character, quote or backslash");
    const auto parts = split(path.substr(1), '/');
    if (parts.size() > static_cast<std::size_t>(MaxCgroupLevel))
        return fail(error, "a cgroup lies deeper than level 8");
    for (std::string_view part : parts)
        if (part.empty() || part == "." || part == "..")
            return fail(error, "a cgroup path has an empty, \".\" or \"..\" component");
    return true;
}

int cgroupLevel(std::string_view path)
{
    if (path.size() < 2)
        return 0;
    return static_cast<int>(split(path.substr(1), '/').size());
}

bool cgroupOwnedBy(std::string_view path, uid_t uid)
{
    if (uid == 0)
        return true;
    const std::string slice = "/user.slice/user-" + std::to_string(uid) + ".slice/";
    return path.starts_with(slice);
}

std::optional<std::string> cgroupOfProcess(pid_t pid)
{
    const std::string text = readSmall("/proc/" + std::to_string(pid) + "/cgroup");
    for (std::string_view line : split(text, '\n'))
        if (line.starts_with("0::") && line.size() > 3)
            return std::string(line.substr(3));
    return std::nullopt;
}

std::optional<std::string> nftCgroupElement(const std::string& mount, std::string_view path,
                                            std::string* error)
{
    const std::string_view base = mount;
    if (!base.starts_with(NftCgroupRoot) ||
        (base.size() > NftCgroupRoot.size() && base[NftCgroupRoot.size()] != '/')) {
        fail(error, "the cgroup v2 hierarchy is mounted at " + mount +
                        ", not under /sys/fs/cgroup where nft looks for it");
        return std::nullopt;
    }
    const std::string element = std::string(base.substr(NftCgroupRoot.size())) + std::string(path);
    return element.substr(1);
}

} // namespace orvanel::netd
