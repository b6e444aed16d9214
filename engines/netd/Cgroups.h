#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace orvanel::netd {

// The deepest cgroup a program rule names: a desktop's application scopes sit at level 5
// (/user.slice/user-1000.slice/user@1000.service/app.slice/app-x.scope).
inline constexpr int MaxCgroupLevel = 8;
inline constexpr std::size_t MaxCgroupPathBytes = 512;

// Where the cgroup v2 hierarchy is mounted, from the lines of /proc/self/mountinfo (the
// first mount of type cgroup2); nothing on a machine without one.
std::optional<std::string> cgroup2MountIn(std::string_view mountinfo);
std::optional<std::string> cgroup2Mount();

// A cgroup path as the hierarchy names it ("/user.slice/…/app-x.scope"): absolute, no
// empty, "." or ".." component, no control character, at most MaxCgroupLevel components
// and MaxCgroupPathBytes bytes. False with the reason otherwise.
bool validCgroupPath(std::string_view path, std::string* error);
// How deep the cgroup lies: "/" is 0, "/a" 1, "/a/b" 2.
int cgroupLevel(std::string_view path);
// Whether that user may name the cgroup in a program rule: root any, others only those of
// their own slice.
bool cgroupOwnedBy(std::string_view path, uid_t uid);

// The cgroup v2 path of a process, from /proc/PID/cgroup; nothing when it is gone.
std::optional<std::string> cgroupOfProcess(pid_t pid);

// The element nft takes for a cgroup: nft resolves it under /sys/fs/cgroup, so the
// hierarchy has to be mounted there or below. Nothing with the reason otherwise.
std::optional<std::string> nftCgroupElement(const std::string& mount, std::string_view path,
                                            std::string* error);

} // namespace orvanel::netd
