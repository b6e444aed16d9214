#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <utility>

namespace orvanel::engines {

// A file or folder by device and inode number, whatever path leads to it.
using FileId = std::pair<dev_t, ino_t>;

inline FileId fileIdOf(const struct stat& st)
{
    return {st.st_dev, st.st_ino};
}

// Whether an engine running as this user may read a file: never another login
// account's file (owner 1000 or above, other than the user and "nobody"). Files of the
// system (root, daemons) may be read: programs and libraries belong to them.
bool isOwnOrSystemFile(const struct stat& st);

// Calls entry(dirFd, name, type) for each entry of the open folder dirFd but "." and "..",
// until the end or until stop is set; takes over dirFd. False when the folder cannot be
// read (dirFd is closed then too).
bool forEachEntry(int dirFd, const std::atomic<bool>& stop,
                  const std::function<void(int dirFd, const char* name, unsigned char type)>& entry);

// Walks the regular files of a folder tree. Symbolic links inside the tree are never
// followed (what they point to inside the tree is met on its own path, what lies outside
// is no part of the tree); only the root itself may be a link. Each folder is entered
// once, so no tree can make the walk run in circles. Folders and files that cannot be
// opened are counted and passed over.
struct WalkOptions
{
    // 0: the files of the root folder only; otherwise how deep folders are entered.
    int depth = 64;
    // Stay on the root's file system (a volume scan does not wander into other mounts).
    bool sameDevice = false;
    // Folders never entered (the engines' own databases).
    std::set<FileId> skipped;
};

struct WalkCounts
{
    unsigned long long unreadable = 0; // files and folders that could not be opened
    unsigned long long foreign = 0;    // other users' files, left unread
};

// Called with each regular file, opened read-only (the callee owns the descriptor), its
// path (the root as given followed by the names met) and its status.
using FileVisitor = std::function<void(int fd, std::string path, const struct stat& st)>;

class TreeWalk final
{
public:
    TreeWalk(const std::atomic<bool>& stop, FileVisitor visit);

    void walk(const std::string& root, const WalkOptions& options);
    const WalkCounts& counts() const { return m_counts; }

private:
    void walkFolder(int dirFd, const std::string& path, int depth, dev_t device,
                    const WalkOptions& options);
    void visitEntry(int dirFd, const char* name, unsigned char type, const std::string& path,
                    int depth, dev_t device, const WalkOptions& options);

    const std::atomic<bool>& m_stop;
    FileVisitor m_visit;
    std::set<FileId> m_entered;
    std::set<FileId> m_seenFiles;
    WalkCounts m_counts;
};

} // namespace orvanel::engines
