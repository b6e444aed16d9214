// The substitute engine programs. One program is copied beside the panel under the names
// of the engines whose work lies outside this project; it looks at the name it was
// started under and does that engine's small share of harmless, real work, so that a
// fresh workspace runs end to end (scanwapper.exe, tempsreel.exe, majbase.exe, netstat.exe
// and scandisk.exe are real engines of their own, in protect/; netpro.exe is the
// firewall's, in netd/):
//
//   pngi.exe, net.exe, serveur.exe
//                          stay resident until they are ended
//   pop_kent.exe           ends at once
//   sauvegarde.exe "<first folder>;<second folder>"
//                          copies the first folder into <second folder>/<its name>,
//                          never deleting anything and never writing through a link or
//                          into a folder of another user's or one others can write;
//                          the report goes to sauvegarde.txt
//   ipcp.exe <host name>   writes the name and its IPv4 address to ipcp.txt (the address
//                          last); an empty ipcp.txt when the name does not resolve
//   msgs.exe <text;with;semicolons>
//                          shows the text, semicolons turned back into blanks, through
//                          notify-send, or on standard error when there is none
//
// The files live in the workspace directory, the folder of the program. Every file is
// written whole to a temporary file that is then renamed over the old one, so the panel
// never reads half a file. Side files end their lines with CR LF as the panel expects.
// No shell is ever used: the panel's texts reach other programs only as arguments.

#include "SubstituteArguments.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <netdb.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using orvanel::substitutes::Args;
using orvanel::substitutes::joined;
using orvanel::substitutes::oneLine;

struct Self
{
    std::string dir;  // workspace directory, with its trailing "/"
    std::string name; // the engine name this copy was started under

    std::string file(std::string_view fileName) const { return dir + std::string(fileName); }
};

// ---------------------------------------------------------------------------------
// Small helpers

std::optional<Self> whoAmI()
{
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return std::nullopt;
    const std::string path(buffer, static_cast<std::size_t>(n));
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return std::nullopt;
    return Self{path.substr(0, slash + 1), path.substr(slash + 1)};
}

std::string lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string now()
{
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string withCrLf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes the file whole: a temporary file beside it is renamed over it. The temporary
// file is always a new one: a link or a file planted under its name is never written
// through; one left by an ended engine of the same process number is removed first.
bool writeWhole(const std::string& path, const std::string& content)
{
    const auto slash = path.rfind('/');
    const std::string temp = path.substr(0, slash + 1) + "." + path.substr(slash + 1) + ".tmp-" +
                             std::to_string(getpid());
    constexpr int Flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd = open(temp.c_str(), Flags, 0644);
    if (fd < 0 && errno == EEXIST && unlink(temp.c_str()) == 0)
        fd = open(temp.c_str(), Flags, 0644);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, content.data(), content.size());
    const bool closed = close(fd) == 0;
    if (!written || !closed || rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

std::optional<std::string> readWhole(const std::string& path, std::size_t maxBytes)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st
    {
    };
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return std::nullopt;
    }
    std::string content;
    char buffer[8192];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || content.size() + static_cast<std::size_t>(n) > maxBytes)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return content;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// Adds lines to a log the panel reads, keeping its newest `keep` lines.
void appendToLog(const std::string& path, const std::vector<std::string>& added, std::size_t keep)
{
    std::vector<std::string> lines = splitLines(readWhole(path, 8u << 20).value_or(std::string()));
    lines.insert(lines.end(), added.begin(), added.end());
    if (lines.size() > keep)
        lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(keep));
    writeWhole(path, withCrLf(lines));
}

void sleepFor(std::chrono::milliseconds duration)
{
    timespec left{static_cast<time_t>(duration.count() / 1000),
                  static_cast<long>(duration.count() % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

bool isDirectory(const std::string& path)
{
    struct stat st
    {
    };
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::string> realPath(const std::string& path)
{
    char buffer[PATH_MAX];
    if (!realpath(path.c_str(), buffer))
        return std::nullopt;
    return std::string(buffer);
}

bool isInside(const std::string& path, const std::string& folder)
{
    const std::string prefix = folder == "/" ? folder : folder + "/";
    return path.compare(0, prefix.size(), prefix) == 0;
}

struct Entry
{
    std::string name;
    bool directory = false;
    bool regular = false;
};

// The entries of a folder, sorted by name, symbolic links left out so that no walk
// leaves the folder or runs in a circle.
std::vector<Entry> entriesOf(const std::string& folder)
{
    std::vector<Entry> entries;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return entries;
    while (const dirent* item = readdir(dir)) {
        const std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st
        {
        };
        if (fstatat(dirfd(dir), item->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        entries.push_back({name, S_ISDIR(st.st_mode), S_ISREG(st.st_mode)});
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return entries;
}

std::string joinPath(const std::string& folder, const std::string& name)
{
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

// ---------------------------------------------------------------------------------
// Resident engines

void restoreDefaultSignals()
{
    // Ignored signals and the signal mask survive a spawn; an engine must end when the
    // panel asks, whatever the panel itself ignores.
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGQUIT})
        std::signal(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

int stayResident(const Self&, const Args&)
{
    restoreDefaultSignals();
    for (;;)
        pause();
}

// ---------------------------------------------------------------------------------
// Engines that do one job and end

int endAtOnce(const Self&, const Args&)
{
    return 0;
}

// ---------------------------------------------------------------------------------
// Backup
//
// The destination may lie in a folder others can write (a shared /tmp folder, a shared
// disk), so it is walked by descriptors: every folder is opened relative to its parent
// with O_NOFOLLOW, a link is never entered or written through, and a folder that belongs
// to another user or that others can write is not written into at all. Copies are new
// files (O_EXCL) renamed into place and keep the source's permission bits.

// Marks a backup folder this engine made; only in such a folder, and only when both the
// folder and the mark are the user's, does it replace older copies. In any other folder
// existing files are left as they are.
constexpr const char* BackupMark = ".orvanel-sauvegarde";

struct BackupCount
{
    std::size_t copied = 0;
    std::size_t unchanged = 0;
    std::size_t kept = 0;
    std::size_t failed = 0;
    unsigned long long bytes = 0;
};

// A descriptor that is closed when it goes out of scope.
class Descriptor
{
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

private:
    int m_fd;
};

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Opens an absolute path one folder at a time from "/", refusing every link on the way.
int openFolderWithoutLinks(const std::string& path)
{
    int fd = open("/", FolderFlags);
    std::size_t at = 1;
    while (fd >= 0 && at < path.size()) {
        auto end = path.find('/', at);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(at, end - at);
        at = end + 1;
        if (part.empty())
            continue;
        const int next = openat(fd, part.c_str(), FolderFlags);
        close(fd);
        fd = next;
    }
    return fd;
}

// Why the backup must not write into this open folder; empty when it may.
std::string refusalOf(int folderFd)
{
    struct stat st
    {
    };
    if (fstat(folderFd, &st) != 0 || !S_ISDIR(st.st_mode))
        return "is no folder";
    if (st.st_uid != geteuid())
        return "belongs to another user";
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return "can be written by other users";
    return {};
}

// The mark counts only as a plain file of the user's own.
bool hasOwnMark(int folderFd)
{
    struct stat st
    {
    };
    return fstatat(folderFd, BackupMark, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
           st.st_uid == geteuid();
}

// Makes the folder name inside parentFd when missing (never wider than the source's mode
// and never writable by others) and opens it; -1 when it is a link, no folder, another
// user's or writable by others.
int openOwnFolderAt(int parentFd, const std::string& name, mode_t sourceMode, bool* made)
{
    *made = mkdirat(parentFd, name.c_str(), sourceMode & 0755) == 0;
    if (!*made && errno != EEXIST)
        return -1;
    const int fd = openat(parentFd, name.c_str(), FolderFlags);
    if (fd >= 0 && !refusalOf(fd).empty()) {
        close(fd);
        return -1;
    }
    return fd;
}

bool copyInto(int in, int folderFd, const std::string& name, const struct stat& source)
{
    const std::string temp = name + ".part-" + std::to_string(getpid());
    // Readable by nobody else while it is written; the source's bits come at the end.
    const int out =
        openat(folderFd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0)
        return false;
    bool ok = true;
    char buffer[65536];
    while (ok) {
        const ssize_t n = read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = writeAll(out, buffer, static_cast<std::size_t>(n));
    }
    const timespec times[2] = {source.st_atim, source.st_mtim};
    ok = ok && fchmod(out, source.st_mode & 0777) == 0 && futimens(out, times) == 0;
    ok = close(out) == 0 && ok;
    if (!ok || renameat(folderFd, temp.c_str(), folderFd, name.c_str()) != 0) {
        unlinkat(folderFd, temp.c_str(), 0);
        return false;
    }
    return true;
}

void backUpFile(const std::string& from, int folderFd, const std::string& name, bool replaceOlder,
                BackupCount& count)
{
    const Descriptor in(open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat source
    {
    };
    struct stat target
    {
    };
    if (!in.valid() || fstat(in.get(), &source) != 0 || !S_ISREG(source.st_mode)) {
        ++count.failed;
        return;
    }
    if (fstatat(folderFd, name.c_str(), &target, AT_SYMLINK_NOFOLLOW) == 0) {
        const bool same = S_ISREG(target.st_mode) && target.st_size == source.st_size &&
                          target.st_mtim.tv_sec == source.st_mtim.tv_sec;
        if (same) {
            ++count.unchanged;
            return;
        }
        if (!replaceOlder || !S_ISREG(target.st_mode)) {
            ++count.kept;
            return;
        }
    }
    if (copyInto(in.get(), folderFd, name, source)) {
        ++count.copied;
        count.bytes += static_cast<unsigned long long>(source.st_size);
    } else {
        ++count.failed;
    }
}

void backUpFolder(const std::string& from, int toFd, int depth, bool replaceOlder,
                  BackupCount& count)
{
    constexpr std::size_t MaxFiles = 5000;
    constexpr unsigned long long MaxBytes = 1ull << 30;
    for (const Entry& entry : entriesOf(from)) {
        if (count.copied + count.unchanged + count.kept >= MaxFiles || count.bytes >= MaxBytes)
            return;
        const std::string source = joinPath(from, entry.name);
        if (entry.regular) {
            backUpFile(source, toFd, entry.name, replaceOlder, count);
        } else if (entry.directory && depth > 0) {
            struct stat st
            {
            };
            bool made = false;
            const Descriptor sub(stat(source.c_str(), &st) == 0
                                     ? openOwnFolderAt(toFd, entry.name, st.st_mode, &made)
                                     : -1);
            if (!sub.valid())
                ++count.failed;
            else
                backUpFolder(source, sub.get(), depth - 1, replaceOlder, count);
        }
    }
}

// The two folders of a backup set "<first>;<second>". Paths may hold ";" themselves, so
// the set is understood only when exactly one ";" parts it into two existing folders.
std::optional<std::pair<std::string, std::string>> backupFolders(const std::string& set)
{
    std::optional<std::pair<std::string, std::string>> found;
    for (auto at = set.find(';'); at != std::string::npos; at = set.find(';', at + 1)) {
        const std::string first = set.substr(0, at);
        const std::string second = set.substr(at + 1);
        if (!isDirectory(first) || !isDirectory(second))
            continue;
        if (found)
            return std::nullopt;
        found.emplace(first, second);
    }
    return found;
}

std::string backUpSet(const std::string& set)
{
    const auto folders = backupFolders(set);
    if (!folders)
        return "backup set not understood: " + set;
    const auto from = realPath(folders->first);
    const auto into = realPath(folders->second);
    struct stat source
    {
    };
    if (!from || !into || *from == "/" || stat(from->c_str(), &source) != 0)
        return "backup set not usable: " + set;
    const std::string name = from->substr(from->rfind('/') + 1);
    const std::string target = joinPath(*into, name);
    // Copying a folder into itself would never end, and over itself would lose nothing
    // but make no backup either.
    if (target == *from || isInside(target, *from))
        return "backup refused, the copy would lie inside the folder: " + set;
    const Descriptor destination(openFolderWithoutLinks(*into));
    if (!destination.valid())
        return "backup refused, the backup folder cannot be opened without following a link: " +
               *into;
    if (const std::string why = refusalOf(destination.get()); !why.empty())
        return "backup refused, the backup folder " + why + ": " + *into;
    bool made = false;
    const Descriptor copyFolder(openOwnFolderAt(destination.get(), name, source.st_mode, &made));
    if (!copyFolder.valid())
        return "backup refused, " + target +
               " is a link, no folder, another user's or can be written by other users";
    if (made) {
        const int mark = openat(copyFolder.get(), BackupMark,
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (mark >= 0)
            close(mark);
    }
    const bool ours = hasOwnMark(copyFolder.get());
    BackupCount count;
    backUpFolder(*from, copyFolder.get(), 16, ours, count);
    return *from + " -> " + target + ": " + std::to_string(count.copied) + " copied, " +
           std::to_string(count.unchanged) + " unchanged, " + std::to_string(count.kept) +
           " kept, " + std::to_string(count.failed) + " failed";
}

int backupEngine(const Self& self, const Args& args)
{
    const std::string report = backUpSet(joined(args));
    appendToLog(self.file("sauvegarde.txt"), {now() + " " + oneLine(report, 1000)}, 500);
    return 0;
}

// ---------------------------------------------------------------------------------
// Name resolution

std::optional<std::string> ipv4Address(const std::string& host)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
        return std::nullopt;
    char text[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    const bool ok = inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr;
    freeaddrinfo(found);
    return ok ? std::optional<std::string>(text) : std::nullopt;
}

// The panel reads the last line of ipcp.txt as the address; an empty file tells it
// that the name does not resolve.
int resolverEngine(const Self& self, const Args& args)
{
    std::vector<std::string> lines;
    if (const auto host = orvanel::substitutes::resolverHost(args)) {
        if (const auto address = ipv4Address(*host))
            lines = {*host, *address};
    }
    writeWhole(self.file("ipcp.txt"), withCrLf(lines));
    return 0;
}

// ---------------------------------------------------------------------------------
// Notification program

bool notifyDesktop(const std::string& text)
{
    char program[] = "notify-send";
    char endOfOptions[] = "--";
    char title[] = "Orvanel";
    std::string body = text;
    char* argv[] = {program, endOfOptions, title, body.data(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, program, nullptr, nullptr, argv, environ) != 0)
        return false;
    // notify-send answers at once when a notification service runs; without one it may
    // hang on the session bus, and the message is not worth waiting for long.
    for (int i = 0; i < 100; ++i) {
        int status = 0;
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0)
            return true;
        sleepFor(50ms);
    }
    return true;
}

int notifier(const Self&, const Args& args)
{
    const std::string text = orvanel::substitutes::notificationText(args);
    if (text.empty())
        return 0;
    if (!notifyDesktop(text)) {
        const std::string line = "Orvanel: " + text + "\n";
        [[maybe_unused]] const ssize_t n = write(STDERR_FILENO, line.data(), line.size());
    }
    return 0;
}

// ---------------------------------------------------------------------------------

struct Engine
{
    const char* name;
    int (*run)(const Self&, const Args&);
};

constexpr Engine Engines[] = {
    {"pngi.exe", stayResident},  {"net.exe", stayResident},        {"serveur.exe", stayResident},
    {"pop_kent.exe", endAtOnce}, {"sauvegarde.exe", backupEngine}, {"ipcp.exe", resolverEngine},
    {"msgs.exe", notifier},
};

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    const std::optional<Self> self = whoAmI();
    if (!self)
        return 1;
    const Args args(argv + std::min(argc, 1), argv + argc);
    const std::string name = lower(self->name);
    for (const Engine& engine : Engines) {
        if (name == engine.name)
            return engine.run(*self, args);
    }
    std::fprintf(stderr,
                 "%s: copy this program beside the panel under an engine's name "
                 "(pngi.exe, ipcp.exe, msgs.exe …)\n",
                 self->name.c_str());
    return 2;
}
