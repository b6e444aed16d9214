#include "protect/TreeWalk.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace orvanel::engines {

namespace {

constexpr uid_t kFirstLoginUid = 1000;
constexpr uid_t kNobody = 65534;
// Folders this near the root keep their descriptor while the walk is below them; deeper
// ones are opened again by name when the walk comes back to them.
constexpr int kHeldLevels = 32;

std::string joinPath(const std::string& folder, const std::string& name)
{
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + '/' + name;
}

// O_NONBLOCK: a named pipe or a device met on the way never stalls the walk.
constexpr int kFileFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK;
constexpr int kFolderFlags = O_RDONLY | O_CLOEXEC | O_DIRECTORY | O_NOFOLLOW;

// Why a folder could not be opened, or nothing when it is not the walk's to enter:
// ELOOP, ENOTDIR and ENXIO mean a link or another kind of entry stands there now.
std::optional<SkipReason> folderOpenFailure(int error)
{
    if (error == ENOENT)
        return SkipReason::FolderGone;
    if (error == ELOOP || error == ENOTDIR || error == ENXIO)
        return std::nullopt;
    return SkipReason::FolderUnreadable;
}

} // namespace

bool isOwnOrSystemFile(const struct stat& st)
{
    return st.st_uid == geteuid() || st.st_uid < kFirstLoginUid || st.st_uid == kNobody;
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

TreeWalk::TreeWalk(const std::atomic<bool>& stop, FileVisitor visit, SkipVisitor skip)
    : m_stop(stop), m_visit(std::move(visit)), m_skip(std::move(skip))
{
}

TreeWalk::~TreeWalk()
{
    while (!m_path.empty())
        leaveDeepest();
}

void TreeWalk::walk(const std::string& root, const WalkOptions& options)
{
    // The root is the one link that is followed: a Downloads folder kept elsewhere is
    // still the Downloads folder.
    const int fd = ::open(root.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
    if (fd < 0) {
        if (errno != ENOENT)
            skip(root, SkipReason::FolderUnreadable);
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
    m_options = &options;
    m_device = st.st_dev;
    enter(fd, root, {}, st, 0);
    while (!m_path.empty() && !m_stop.load(std::memory_order_relaxed))
        enterNext();
    while (!m_path.empty())
        leaveDeepest();
}

// Reads the folder (takes over fd): its files are visited at once, its sub-folders
// kept to be entered one after the other.
void TreeWalk::enter(int fd, std::string path, std::string name, const struct stat& st, int depth)
{
    Folder& folder = m_path.emplace_back();
    folder.path = std::move(path);
    folder.name = std::move(name);
    folder.id = fileIdOf(st);
    folder.depth = depth;
    const bool read =
        forEachEntry(fd, m_stop, [&](int dirFd, const char* entry, unsigned char type) {
            visitEntry(folder, dirFd, entry, type);
        });
    if (!read)
        skip(folder.path, SkipReason::FolderUnreadable);
}

void TreeWalk::visitEntry(Folder& folder, int dirFd, const char* name, unsigned char type)
{
    if (type == DT_LNK || type == DT_FIFO || type == DT_SOCK || type == DT_CHR || type == DT_BLK)
        return;
    if (type == DT_DIR) {
        if (folder.depth < m_options->depth)
            keepSubfolder(folder, dirFd, name);
        return;
    }
    const int fd = ::openat(dirFd, name, kFileFlags);
    if (fd < 0) {
        // ELOOP: a link put in place since the folder was read; ENOTDIR, ENXIO: the
        // same for other kinds of entry. Only real refusals count as unreadable.
        if (errno == EACCES || errno == EPERM || errno == EIO)
            skip(joinPath(folder.path, name), SkipReason::Unreadable);
        return;
    }
    struct stat st
    {
    };
    const bool known = ::fstat(fd, &st) == 0;
    if (known && !isOwnOrSystemFile(st))
        skip(joinPath(folder.path, name), SkipReason::OtherUsers);
    // A file with several names (hard links) is scanned once.
    else if (known && S_ISREG(st.st_mode) &&
             (st.st_nlink <= 1 || m_seenFiles.insert(fileIdOf(st)).second)) {
        m_visit(fd, joinPath(folder.path, name), st);
        return;
    } else if (known && S_ISDIR(st.st_mode) && folder.depth < m_options->depth)
        keepSubfolder(folder, dirFd, name);
    ::close(fd);
}

void TreeWalk::keepSubfolder(Folder& folder, int dirFd, const char* name)
{
    // The folder's own descriptor is kept only when there is a sub-folder to open from it.
    if (folder.fd < 0)
        folder.fd = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    folder.folders.emplace_back(name);
}

void TreeWalk::enterNext()
{
    Folder& parent = m_path.back();
    if (parent.next == parent.folders.size()) {
        leaveDeepest();
        return;
    }
    const int parentFd = reopenDeepest();
    if (parentFd < 0)
        return;
    const std::string& name = parent.folders[parent.next++];
    const int fd = ::openat(parentFd, name.c_str(), kFolderFlags);
    struct stat st
    {
    };
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        const std::optional<SkipReason> reason = folderOpenFailure(errno);
        if (fd >= 0)
            ::close(fd);
        if (reason)
            skip(joinPath(parent.path, name), *reason);
        return;
    }
    if (!mayEnter(st, parent.path, name)) {
        ::close(fd);
        return;
    }
    enter(fd, joinPath(parent.path, name), name, st, parent.depth + 1);
    // A deep folder lets its descriptor go once the walk holds one further down.
    Folder& above = m_path[m_path.size() - 2];
    if (m_path.back().fd >= 0 && above.depth >= kHeldLevels) {
        ::close(above.fd);
        above.fd = -1;
    }
}

// Whether the walk goes into a folder it opened; when it may not for a reason the user
// should know, the folder is reported.
bool TreeWalk::mayEnter(const struct stat& st, const std::string& parentPath,
                        const std::string& name)
{
    const FileId id = fileIdOf(st);
    if (!isOwnOrSystemFile(st)) {
        skip(joinPath(parentPath, name), SkipReason::OtherUsers);
        return false;
    }
    if ((m_options->sameDevice && st.st_dev != m_device) || m_options->skipped.count(id))
        return false; // outside the scan by choice
    if (m_entered.insert(id).second)
        return true;
    // Met before: a folder above this one is a loop, any other was walked by its other name.
    if (std::any_of(m_path.begin(), m_path.end(), [&](const Folder& f) { return f.id == id; }))
        skip(joinPath(parentPath, name), SkipReason::FolderLoop);
    return false;
}

// The deepest folder's descriptor, opened again by name from the nearest held folder
// when it was let go; each folder on the way must still be the one the walk came
// through. -1 when it is not, and the sub-folders left are reported as skipped.
int TreeWalk::reopenDeepest()
{
    std::size_t held = m_path.size() - 1;
    while (m_path[held].fd < 0 && held > 0)
        --held;
    int fd = m_path[held].fd;
    if (fd < 0) {
        skipRest(m_path.back(), SkipReason::FolderUnreadable);
        return -1;
    }
    for (std::size_t i = held + 1; fd >= 0 && i < m_path.size(); ++i) {
        const int next = ::openat(fd, m_path[i].name.c_str(), kFolderFlags);
        const int error = errno;
        struct stat st
        {
        };
        const bool same = next >= 0 && ::fstat(next, &st) == 0 && fileIdOf(st) == m_path[i].id;
        if (i > held + 1)
            ::close(fd);
        if (!same) {
            if (next >= 0)
                ::close(next);
            // A link or a file where the folder was, or another folder: moved.
            const std::optional<SkipReason> failure =
                next < 0 ? folderOpenFailure(error) : std::nullopt;
            skipRest(m_path.back(), failure.value_or(SkipReason::FolderMoved));
            return -1;
        }
        fd = next;
    }
    m_path.back().fd = fd;
    return fd;
}

void TreeWalk::skipRest(Folder& folder, SkipReason reason)
{
    for (; folder.next < folder.folders.size(); ++folder.next)
        skip(joinPath(folder.path, folder.folders[folder.next]), reason);
}

void TreeWalk::leaveDeepest()
{
    if (m_path.back().fd >= 0)
        ::close(m_path.back().fd);
    m_path.pop_back();
}

void TreeWalk::skip(std::string path, SkipReason reason)
{
    m_skips.add(reason);
    if (m_skip)
        m_skip({std::move(path), reason});
}

} // namespace orvanel::engines
