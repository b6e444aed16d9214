// scandisk.exe, the search for copies behind the folder search page:
//   "1 <folder>"  records the files of the folder (size and content hash)
//   "2"           writes to liste2.txt every file under the user's home, outside that
//                 folder and outside the workspace, whose content equals a recorded file
//   "0 0"         forgets the record
// Sizes are compared before anything is read: only a file of a recorded size is hashed.

#include "protect/DuplicateSearch.h"

#include "protect/EndSignals.h"
#include "protect/EngineArguments.h"
#include "protect/Engines.h"
#include "protect/TreeWalk.h"
#include "workspace/Names.h"
#include "workspace/SideFiles.h"

#include <QFile>
#include <QSaveFile>

#include <clamav.h>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace orvanel::engines {

using namespace Qt::StringLiterals;

namespace {

constexpr auto kRecordFile = names::DuplicateRecordFile;
constexpr std::size_t kMaxRecordedFiles = 100000;
constexpr int kMaxDepth = 64;

// SHA-256 through ClamAV's hashing, which uses the processor's SHA instructions: the
// copies found are read whole, and that reading is most of step 2's work.
std::optional<QByteArray> contentHash(int fd)
{
    void* context = cl_hash_init("sha256");
    if (!context)
        return std::nullopt;
    static thread_local std::vector<char> buffer(1 << 18);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            cl_hash_destroy(context);
            return std::nullopt;
        }
        if (n == 0)
            break;
        cl_update_hash(context, buffer.data(), std::size_t(n));
    }
    unsigned char digest[32];
    cl_finish_hash(context, digest); // also frees the context
    return QByteArray(reinterpret_cast<const char*>(digest), sizeof digest).toHex();
}

bool isOneLine(const std::string& path)
{
    return path.find_first_of("\r\n") == std::string::npos;
}

struct FileIdHash
{
    std::size_t operator()(const FileId& id) const
    {
        return std::hash<unsigned long long>()(id.second) ^ (std::size_t(id.first) << 1);
    }
};

// Step 2's walk: sizes first, from the directory listing and one fstatat per file, the
// way `find -printf %s` reads them; a file is opened only when its size was recorded.
class CopyFinder final
{
public:
    CopyFinder(const DuplicateRecord& record, std::set<FileId> skipped,
               const std::atomic<bool>& stop)
        : m_skipped(std::move(skipped)), m_stop(stop)
    {
        for (const RecordedFile& file : record.files) {
            m_hashes.emplace(file.size, file.hash);
            m_recorded.insert({file.device, file.inode});
        }
    }

    std::vector<std::string> find(const std::string& home)
    {
        const int fd = ::open(home.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat st
        {
        };
        if (fd >= 0 && ::fstat(fd, &st) == 0 && !m_skipped.count(fileIdOf(st)))
            walk(fd, home, kMaxDepth);
        else if (fd >= 0)
            ::close(fd);
        return std::move(m_found);
    }

private:
    void walk(int dirFd, const std::string& path, int depth)
    {
        forEachEntry(dirFd, m_stop, [&](int fd, const char* name, unsigned char type) {
            if (type == DT_DIR)
                enter(fd, name, path, depth);
            else if (type == DT_REG || type == DT_UNKNOWN)
                look(fd, name, path, depth);
        });
    }

    void enter(int dirFd, const char* name, const std::string& path, int depth)
    {
        if (depth <= 0)
            return;
        const int fd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat st
        {
        };
        if (fd < 0)
            return;
        // The chosen folder and the workspace are never searched.
        if (::fstat(fd, &st) != 0 || m_skipped.count(fileIdOf(st))) {
            ::close(fd);
            return;
        }
        walk(fd, path + '/' + name, depth - 1);
    }

    void look(int dirFd, const char* name, const std::string& path, int depth)
    {
        struct stat st
        {
        };
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return;
        if (S_ISDIR(st.st_mode)) {
            enter(dirFd, name, path, depth);
            return;
        }
        if (!S_ISREG(st.st_mode) || !m_hashes.count(st.st_size) || m_recorded.count(fileIdOf(st)))
            return;
        const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return;
        const std::optional<QByteArray> hash = contentHash(fd);
        ::close(fd);
        const auto [first, last] = m_hashes.equal_range(st.st_size);
        for (auto it = first; hash && it != last; ++it) {
            const std::string file = path + '/' + name;
            if (it->second == *hash && isOneLine(file)) {
                m_found.push_back(file);
                break;
            }
        }
    }

    std::unordered_multimap<long long, QByteArray> m_hashes;
    std::unordered_set<FileId, FileIdHash> m_recorded;
    std::set<FileId> m_skipped;
    const std::atomic<bool>& m_stop;
    std::vector<std::string> m_found;
};

std::optional<FileId> folderId(const QString& path)
{
    struct stat st
    {
    };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0 ||
        !S_ISDIR(st.st_mode))
        return std::nullopt;
    return fileIdOf(st);
}

int recordFolder(const EngineContext& context, const QString& folder, const std::atomic<bool>& stop)
{
    DuplicateRecord record{folder, {}};
    if (folderId(folder)) {
        TreeWalk walk(stop, [&](int fd, std::string path, const struct stat& st) {
            const std::optional<QByteArray> hash =
                st.st_size > 0 && record.files.size() < kMaxRecordedFiles ? contentHash(fd)
                                                                          : std::nullopt;
            ::close(fd);
            if (hash)
                record.files.push_back(
                    {st.st_size, *hash, st.st_dev, st.st_ino, QFile::decodeName(path.c_str())});
        });
        walk.walk(QFile::encodeName(folder).toStdString(), WalkOptions{});
    }
    QSaveFile file(context.file(kRecordFile));
    const QByteArray text = recordText(record).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(file.fileName()),
                     qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}

int listCopies(const EngineContext& context, const std::atomic<bool>& stop)
{
    QFile file(context.file(kRecordFile));
    std::optional<DuplicateRecord> record;
    if (file.open(QIODevice::ReadOnly) && file.size() < (qint64(64) << 20))
        record = recordFromText(QString::fromUtf8(file.readAll()));
    std::set<FileId> skipped;
    for (const QString& folder : {record ? record->folder : QString(), context.workspaceDir}) {
        if (const auto id = folderId(folder))
            skipped.insert(*id);
    }
    std::vector<std::string> found;
    if (record && !record->files.empty())
        found = CopyFinder(*record, std::move(skipped), stop)
                    .find(QFile::encodeName(context.home).toStdString());
    std::sort(found.begin(), found.end());
    QStringList lines;
    for (const std::string& path : found)
        lines.append(QFile::decodeName(path.c_str()));
    // Written whole at the end: the page reads the list when its wait is over.
    QString error;
    if (stop.load() || !sidefiles::writeLines(context.file(names::FoundFilesFile), lines, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

} // namespace

int duplicateSearch(const EngineContext& context, const QStringList& args)
{
    const std::atomic<bool>& stop = endOnSignals();
    const CopySearchStep step = copySearchStepOf(args);
    switch (step.kind) {
    case CopySearchStep::Kind::Record:
        return recordFolder(context, step.folder, stop);
    case CopySearchStep::Kind::List:
        return listCopies(context, stop);
    case CopySearchStep::Kind::Forget:
        QFile::remove(context.file(kRecordFile));
        return 0;
    case CopySearchStep::Kind::Nothing:
        break;
    }
    return 0;
}

} // namespace orvanel::engines
