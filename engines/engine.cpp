// The substitute engine programs. One program is copied beside the panel under the names
// of the engines whose work lies outside this project; it looks at the name it was
// started under and does that engine's small share of harmless, real work, so that a
// fresh workspace runs end to end (scanwapper.exe, tempsreel.exe, majbase.exe, netstat.exe
// and scandisk.exe are real engines of their own, in protect/):
//
//   pngi.exe, net.exe, serveur.exe
//                          stay resident until they are ended
//   pop_kent.exe           ends at once
//   netpro.exe <flags>     writes the thirteen flags it was given to netpro.txt
//   sauvegarde.exe "<first folder>;<second folder>"
//                          copies the first folder into <second folder>/<its name>,
//                          never deleting anything; the report goes to sauvegarde.txt
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

// Writes the file whole: a temporary file beside it is renamed over it.
bool writeWhole(const std::string& path, const std::string& content)
{
    const auto slash = path.rfind('/');
    const std::string temp = path.substr(0, slash + 1) + "." + path.substr(slash + 1) + ".tmp-" +
                             std::to_string(getpid());
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
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
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
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

// Records the status flags line the panel handed over: thirteen values "0" or "1".
int networkEngine(const Self& self, const Args& args)
{
    writeWhole(self.file("netpro.txt"), withCrLf({orvanel::substitutes::statusFlagsRecord(args)}));
    return 0;
}

// ---------------------------------------------------------------------------------
// Backup

// Marks a backup folder this engine made; only in such a folder does it replace older
// copies. In any other folder existing files are left as they are.
constexpr const char* BackupMark = ".orvanel-sauvegarde";

struct BackupCount
{
    std::size_t copied = 0;
    std::size_t unchanged = 0;
    std::size_t kept = 0;
    std::size_t failed = 0;
    unsigned long long bytes = 0;
};

bool copyFile(const std::string& from, const std::string& to, const struct stat& source)
{
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    const std::string temp = to + ".part-" + std::to_string(getpid());
    const int out = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    bool ok = out >= 0;
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
    close(in);
    if (out >= 0) {
        const timespec times[2] = {source.st_atim, source.st_mtim};
        ok = ok && futimens(out, times) == 0;
        ok = close(out) == 0 && ok;
    }
    if (!ok || rename(temp.c_str(), to.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

void backUpFile(const std::string& from, const std::string& to, bool replaceOlder,
                BackupCount& count)
{
    struct stat source
    {
    };
    struct stat target
    {
    };
    if (stat(from.c_str(), &source) != 0) {
        ++count.failed;
        return;
    }
    if (lstat(to.c_str(), &target) == 0) {
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
    if (copyFile(from, to, source)) {
        ++count.copied;
        count.bytes += static_cast<unsigned long long>(source.st_size);
    } else {
        ++count.failed;
    }
}

void backUpFolder(const std::string& from, const std::string& to, int depth, bool replaceOlder,
                  BackupCount& count)
{
    constexpr std::size_t MaxFiles = 5000;
    constexpr unsigned long long MaxBytes = 1ull << 30;
    for (const Entry& entry : entriesOf(from)) {
        if (count.copied + count.unchanged + count.kept >= MaxFiles || count.bytes >= MaxBytes)
            return;
        const std::string source = joinPath(from, entry.name);
        const std::string target = joinPath(to, entry.name);
        if (entry.regular) {
            backUpFile(source, target, replaceOlder, count);
        } else if (entry.directory && depth > 0) {
            if (mkdir(target.c_str(), 0755) != 0 && errno != EEXIST)
                ++count.failed;
            else if (isDirectory(target))
                backUpFolder(source, target, depth - 1, replaceOlder, count);
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
    if (!from || !into || *from == "/")
        return "backup set not usable: " + set;
    const std::string target = joinPath(*into, from->substr(from->rfind('/') + 1));
    // Copying a folder into itself would never end, and over itself would lose nothing
    // but make no backup either.
    if (target == *from || isInside(target, *from))
        return "backup refused, the copy would lie inside the folder: " + set;
    bool made = false;
    if (mkdir(target.c_str(), 0755) == 0) {
        made = writeWhole(joinPath(target, BackupMark), "");
    } else if (errno != EEXIST || !isDirectory(target)) {
        return "backup folder cannot be made: " + target;
    }
    const bool ours = made || access(joinPath(target, BackupMark).c_str(), F_OK) == 0;
    BackupCount count;
    backUpFolder(*from, target, 16, ours, count);
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
    {"pngi.exe", stayResident},   {"net.exe", stayResident},     {"serveur.exe", stayResident},
    {"pop_kent.exe", endAtOnce},  {"netpro.exe", networkEngine}, {"sauvegarde.exe", backupEngine},
    {"ipcp.exe", resolverEngine}, {"msgs.exe", notifier},
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
