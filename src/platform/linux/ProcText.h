#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <string_view>

namespace orvanel::platform {

// Pure readers of the kernel's process and memory texts. They take the bytes as read
// from /proc, so that the process table reads each file once and tests drive them with
// tables of samples.

// The kernel keeps at most this many bytes of a program name in /proc/PID/comm; a name
// of exactly this length may have been cut.
inline constexpr std::size_t kCommLimit = 15;

// The two fields of /proc/PID/stat the process list needs: the comm name (the same
// text as /proc/PID/comm, cut by the kernel at 15 bytes) and the state letter.
struct StatFields
{
    std::string_view name;
    char state = '?';
};

// "1234 (name) S 1 …": the name lies between the first "(" and the last ")", since a
// name may itself hold blanks and parentheses. Nothing for a text of another shape.
std::optional<StatFields> parseStat(std::string_view statText);

// An ended process whose parent has not yet collected it (zombie) or one being torn
// down: no longer running, though /proc still lists it.
inline bool hasEnded(char state)
{
    return state == 'Z' || state == 'X' || state == 'x';
}

// Whether a comm name may be the cut form of a longer program name.
inline bool commMayBeCut(std::string_view name)
{
    return name.size() == kCommLimit;
}

// The file name of a path (everything after the last "/").
std::string_view baseName(std::string_view path);

// The target of /proc/PID/exe without the " (deleted)" mark the kernel adds when the
// program file was removed or replaced while it runs; the engines are updated in place.
std::string_view exeTargetPath(std::string_view linkTarget);

// /proc/PID/cmdline: the file name of the program word (argv[0], up to its NUL). Empty
// for kernel threads and zombies, whose command line is empty.
std::string_view cmdlineProgramName(std::string_view cmdline);

// /proc/PID/status: the resident set size (VmRSS) in bytes; nothing when the field is
// missing (kernel threads, zombies) or unreadable.
std::optional<qint64> statusResidentBytes(std::string_view statusText);

// /proc/PID/status: the real user id, the first of the four ids of the Uid line.
std::optional<qint64> statusRealUid(std::string_view statusText);

// One "Key:   123 kB" field of /proc/meminfo, in bytes.
std::optional<quint64> meminfoBytes(std::string_view meminfoText, std::string_view key);

// Letter case ignored; both sides are UTF-8. ASCII names compare without any allocation.
bool sameProgramName(std::string_view utf8Name, QStringView wanted);

// One line of /proc/self/mountinfo: its mount point (octal escapes undone) and its file
// system type, which a line without the " - " separator lacks.
struct MountLine
{
    QString mountPoint;
    std::optional<std::string_view> fileSystem;
};

// Calls visit with each line of mountinfo that names a mount point, in the file's order.
void forEachMount(std::string_view mountinfoText,
                  const std::function<void(const MountLine&)>& visit);

// /proc/self/mountinfo: the mount point (octal escapes undone) whose path is the longest
// one that holds path; "/" when none does. path must be absolute and canonical.
QString mountPointHolding(std::string_view mountinfoText, const QString& path);

// One field of mountinfo with the kernel's \040-style escapes undone.
QString unescapeMountField(std::string_view field);

} // namespace orvanel::platform
