// The walk of the scans: folders to any depth with a bounded number of descriptors, and
// every folder it cannot enter named with its reason.

#include "protect/TreeWalk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <dirent.h>
#include <functional>
#include <optional>
#include <sched.h>
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

using namespace orvanel::engines;
using namespace Qt::StringLiterals;

std::string local(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

void makeFile(const QString& path)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path())) << path.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write("x");
}

int openDescriptors()
{
    int count = 0;
    DIR* dir = ::opendir("/proc/self/fd");
    while (dir && ::readdir(dir))
        ++count;
    if (dir)
        ::closedir(dir);
    return count;
}

// `levels` folders one inside the other below `root`.
QString chain(const QString& root, int levels)
{
    QString path = root;
    for (int i = 1; i <= levels; ++i)
        path += u"/c%1"_s.arg(i);
    return path;
}

struct Walked
{
    std::vector<std::string> files;
    std::vector<std::pair<std::string, SkipReason>> skips;
};

// Walks the tree; onFile runs at each file visited, before it is recorded.
Walked walkTree(const QString& root, const std::function<void(const std::string&)>& onFile = {})
{
    Walked walked;
    const std::atomic<bool> stop{false};
    TreeWalk walk(
        stop,
        [&](int fd, std::string path, const struct stat&) {
            ::close(fd);
            if (onFile)
                onFile(path);
            walked.files.push_back(std::move(path));
        },
        [&](Skip skip) { walked.skips.emplace_back(std::move(skip.path), skip.reason); });
    walk.walk(local(root), WalkOptions{});
    EXPECT_EQ(walk.skips().total(), walked.skips.size());
    return walked;
}

TEST(TreeWalk, EntersFoldersToAnyDepthWithFewDescriptors)
{
    QTemporaryDir dir;
    const QString deep = chain(dir.path() + u"/deep"_s, 300) + u"/deep.txt"_s;
    makeFile(deep);
    // Two folders with folders of their own, deep down: the walk leaves their parent's
    // descriptor while below the first and comes back to it by name for the second.
    const QString fork = chain(dir.path() + u"/fork"_s, 40);
    makeFile(fork + u"/p/s/p.txt"_s);
    makeFile(fork + u"/q/s/q.txt"_s);

    const int before = openDescriptors();
    int most = before;
    const Walked walked =
        walkTree(dir.path(), [&](const std::string&) { most = std::max(most, openDescriptors()); });

    std::vector<std::string> files = walked.files;
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{local(deep), local(fork + u"/p/s/p.txt"_s),
                                               local(fork + u"/q/s/q.txt"_s)}));
    EXPECT_TRUE(walked.skips.empty());
    EXPECT_LT(most - before, 40) << "descriptors held at once";
    EXPECT_EQ(openDescriptors(), before) << "every descriptor given back";
}

// While it lives, permission checks of this thread are those of "nobody": a folder
// without permissions is refused even to root.
class AsNobody
{
public:
    AsNobody() : m_was(::setfsuid(65534)) {}
    ~AsNobody() { ::setfsuid(m_was); }

private:
    int m_was;
};

// The folder 40 levels down where the cases change the tree, and its folder 35 levels down.
QString forkOf(const QString& root)
{
    return chain(root + u"/tree"_s, 40);
}

QString onTheWay(const QString& root)
{
    return chain(root + u"/tree"_s, 35);
}

// The one of fork's two folders the walk has not entered yet.
QString otherBranch(const QString& root, const QString& first)
{
    return forkOf(root) + (first.startsWith(forkOf(root) + u"/p/"_s) ? u"/q"_s : u"/p"_s);
}

TEST(TreeWalk, NamesEachFolderItCannotEnterWithTheReason)
{
    // Each case changes the tree when the walk meets its first file below the fork, and
    // answers the folder that can then no longer be entered.
    const struct
    {
        const char* what;
        bool locked; // a folder without permissions beside the tree
        std::function<QString(const QString& root, const QString& first)> change;
        SkipReason reason;
    } cases[] = {
        {"a folder on the way removed", false,
         [](const QString& root, const QString& first) {
             QDir().rename(onTheWay(root), root + u"/elsewhere"_s);
             return otherBranch(root, first);
         },
         SkipReason::FolderGone},
        {"a folder on the way replaced by another of the same name", false,
         [](const QString& root, const QString& first) {
             QDir().rename(onTheWay(root), onTheWay(root) + u" old"_s);
             QDir().mkpath(forkOf(root) + u"/p/s"_s);
             QDir().mkpath(forkOf(root) + u"/q/s"_s);
             return otherBranch(root, first);
         },
         SkipReason::FolderMoved},
        {"a folder refused", true,
         [](const QString& root, const QString&) -> QString { return root + u"/locked"_s; },
         SkipReason::FolderUnreadable},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString root = dir.path();
        // Open to "nobody", but for the locked folder.
        ASSERT_TRUE(QFile::setPermissions(
            root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                      QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
        // The root's own file is met before any folder is entered.
        makeFile(root + u"/first.txt"_s);
        makeFile(forkOf(root) + u"/p/s/p.txt"_s);
        makeFile(forkOf(root) + u"/q/s/q.txt"_s);
        if (c.locked) {
            makeFile(root + u"/locked/hidden.txt"_s);
            ASSERT_TRUE(QFile::setPermissions(root + u"/locked"_s, {}));
        }
        QString expected;
        Walked walked;
        {
            // From the first file on, when the root is held already (the folders above
            // it are not nobody's to enter).
            std::optional<AsNobody> nobody;
            walked = walkTree(root, [&](const std::string& path) {
                const QString file = QFile::decodeName(path.c_str());
                if (c.locked && !nobody)
                    nobody.emplace();
                if (expected.isEmpty() && file.startsWith(forkOf(root)))
                    expected = c.change(root, file);
            });
        }
        if (c.locked)
            QFile::setPermissions(root + u"/locked"_s,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(walked.files.size(), c.locked ? 3u : 2u) << c.what;
        ASSERT_EQ(walked.skips.size(), 1u) << c.what;
        EXPECT_EQ(walked.skips[0].first, local(expected)) << c.what;
        EXPECT_EQ(walked.skips[0].second, c.reason) << c.what;
    }
}

TEST(TreeWalk, NamesAFolderMountedInsideItselfOnce)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    makeFile(root + u"/a/file.txt"_s);
    ASSERT_TRUE(QDir().mkpath(root + u"/a/loop"_s));
    // A mount namespace of this thread's own: the bind mount is seen by nobody else and
    // goes with the test program at the latest.
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "a mount namespace of its own needs CAP_SYS_ADMIN";
    const std::string loop = local(root + u"/a/loop"_s);
    ASSERT_EQ(::mount(local(root).c_str(), loop.c_str(), nullptr, MS_BIND, nullptr), 0);

    const Walked walked = walkTree(root);
    ::umount2(loop.c_str(), MNT_DETACH);

    EXPECT_EQ(walked.files, std::vector<std::string>{local(root + u"/a/file.txt"_s)});
    ASSERT_EQ(walked.skips.size(), 1u);
    EXPECT_EQ(walked.skips[0].first, loop);
    EXPECT_EQ(walked.skips[0].second, SkipReason::FolderLoop);
}

} // namespace
