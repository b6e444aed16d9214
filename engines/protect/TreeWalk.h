#pragma once

#include "protect/Skips.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

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
bool forEachEntry(
    int dirFd, const std::atomic<bool>& stop,
    const std::function<void(int dirFd, const char* name, unsigned char type)>& entry);

inline constexpr int kAnyDepth = std::numeric_limits<int>::max();

// Walks the regular files of a folder tree, to any depth. Symbolic links inside the tree
// are never followed (what they point to inside the tree is met on its own path, what
// lies outside is no part of the tree); only the root itself may be a link. Each folder
// is entered once, so no tree can make the walk run in circles. What cannot be opened is
// passed over and reported as a skip, with its reason.
struct WalkOptions
{
    // 0: the files of the root folder only; otherwise how deep folders are entered.
    int depth = kAnyDepth;
    // Stay on the root's file system (a volume scan does not wander into other mounts).
    bool sameDevice = false;
    // Folders never entered (the engines' own databases).
    std::set<FileId> skipped;
};

// Called with each regular file, opened read-only (the callee owns the descriptor), its
// path (the root as given followed by the names met) and its status.
using FileVisitor = std::function<void(int fd, std::string path, const struct stat& st)>;
// Called with each file or folder passed over, and why.
using SkipVisitor = std::function<void(Skip skip)>;

class TreeWalk final
{
public:
    TreeWalk(const std::atomic<bool>& stop, FileVisitor visit, SkipVisitor skip = {});
    ~TreeWalk();
    TreeWalk(const TreeWalk&) = delete;
    TreeWalk& operator=(const TreeWalk&) = delete;

    void walk(const std::string& root, const WalkOptions& options);
    const SkipCounts& skips() const { return m_skips; }

private:
    // A folder on the way from the root to the one being read. Its descriptor is held
    // only near the root and for the deepest folder; the others are opened again by
    // name from the nearest held one, so a tree of any depth needs a bounded number of
    // descriptors.
    struct Folder
    {
        std::string path;
        std::string name; // within its parent
        FileId id;
        int depth = 0;
        int fd = -1;                      // -1 while not held
        std::vector<std::string> folders; // sub-folders still to enter
        std::size_t next = 0;
    };

    void enter(int fd, std::string path, std::string name, const struct stat& st, int depth);
    void enterNext();
    bool mayEnter(const struct stat& st, const std::string& parentPath, const std::string& name);
    void visitEntry(Folder& folder, int dirFd, const char* name, unsigned char type);
    void keepSubfolder(Folder& folder, int dirFd, const char* name);
    int reopenDeepest();
    void skipRest(Folder& folder, SkipReason reason);
    void leaveDeepest();
    void skip(std::string path, SkipReason reason);

    const std::atomic<bool>& m_stop;
    FileVisitor m_visit;
    SkipVisitor m_skip;
    const WalkOptions* m_options = nullptr;
    dev_t m_device = 0;
    std::vector<Folder> m_path;
    std::set<FileId> m_entered;
    std::set<FileId> m_seenFiles;
    SkipCounts m_skips;
};

} // namespace orvanel::engines
