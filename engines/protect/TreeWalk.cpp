#include "protect/TreeWalk.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace orvanel::engines {

namespace {

constexpr uid_t kFirstLoginUid = 1000;
constexpr uid_t kNobody = 65534;

std::string joinPath(const std::string& folder, const char* name)
{
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + '/' + name;
}

// O_NONBLOCK: a named pipe or a device met on the way never stalls the walk.
constexpr int kFileFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK;
constexpr int kFolderFlags = O_RDONLY | O_CLOEXEC | O_DIRECTORY | O_NOFOLLOW;

} // namespace

bool isOwnOrSystemFile(const struct stat& st)
{
    return st.st_uid == geteuid() || st.st_uid < kFirstLoginUid || st.st_uid == kNobody;
}

TreeWalk::TreeWalk(const std::atomic<bool>& stop, FileVisitor visit)
    : m_stop(stop), m_visit(std::move(visit))
{
}

void TreeWalk::walk(const std::string& root, const WalkOptions& options)
{
    // The root is the one link that is followed: a Downloads folder kept elsewhere is
    // still the Downloads folder.
    const int fd = ::open(root.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
    if (fd < 0) {
        if (errno != ENOENT)
            ++m_counts.unreadable;
        return;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !isOwnOrSystemFile(st) || options.skipped.count(fileIdOf(st)) ||
        !m_entered.insert(fileIdOf(st)).second) {
        ::close(fd);
        return;
    }
    walkFolder(fd, root, options.depth, st.st_dev, options);
}

bool forEachEntry(int dirFd, const std::atomic<bool>& stop,
                  const std::function<void(int dirFd, const char* name, unsigned char type)>& entry)
{
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return false;
    }
    while (!stop.load(std::memory_order_relaxed)) {
        const dirent* found = ::readdir(dir);
        if (!found)
            break;
        const char* name = found->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        entry(::dirfd(dir), name, found->d_type);
    }
    ::closedir(dir);
    return true;
}

// Takes over dirFd.
void TreeWalk::walkFolder(int dirFd, const std::string& path, int depth, dev_t device,
                          const WalkOptions& options)
{
    const bool read = forEachEntry(dirFd, m_stop, [&](int fd, const char* name, unsigned char type) {
        visitEntry(fd, name, type, path, depth, device, options);
    });
    if (!read)
        ++m_counts.unreadable;
}

void TreeWalk::visitEntry(int dirFd, const char* name, unsigned char type, const std::string& path,
                          int depth, dev_t device, const WalkOptions& options)
{
    if (type == DT_LNK || type == DT_FIFO || type == DT_SOCK || type == DT_CHR || type == DT_BLK)
        return;
    if (type == DT_DIR && depth <= 0)
        return;
    const bool folder = type == DT_DIR;
    const int fd = ::openat(dirFd, name, folder ? kFolderFlags : kFileFlags);
    if (fd < 0) {
        // ELOOP: a link put in place since the folder was read; ENOTDIR, ENXIO: the
        // same for other kinds of entry. Only real refusals count as unreadable.
        if (errno == EACCES || errno == EPERM || errno == EIO)
            ++m_counts.unreadable;
        return;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return;
    }
    if (!isOwnOrSystemFile(st)) {
        ++m_counts.foreign;
        ::close(fd);
        return;
    }
    if (S_ISDIR(st.st_mode) && depth > 0) {
        const bool enter = (!options.sameDevice || st.st_dev == device) &&
                           !options.skipped.count(fileIdOf(st)) &&
                           m_entered.insert(fileIdOf(st)).second;
        if (enter)
            walkFolder(fd, joinPath(path, name), depth - 1, device, options);
        else
            ::close(fd);
        return;
    }
    // A file with several names (hard links) is scanned once.
    if (!S_ISREG(st.st_mode) || (st.st_nlink > 1 && !m_seenFiles.insert(fileIdOf(st)).second)) {
        ::close(fd);
        return;
    }
    m_visit(fd, joinPath(path, name), st);
}

} // namespace orvanel::engines
