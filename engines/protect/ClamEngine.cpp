#include "protect/ClamEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <clamav.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel::engines {

using namespace Qt::StringLiterals;

namespace {

// The kinds of database file the engine reads (cvd/cld/cud containers and the plain
// signature files that freshclam or an administrator may add).
const QStringList& databaseSuffixes()
{
    static const QStringList suffixes = {
        u"cvd"_s, u"cld"_s, u"cud"_s, u"hdb"_s,  u"hsb"_s,  u"hdu"_s, u"hsu"_s, u"mdb"_s,
        u"msb"_s, u"mdu"_s, u"msu"_s, u"ndb"_s,  u"ndu"_s,  u"ldb"_s, u"ldu"_s, u"cdb"_s,
        u"fp"_s,  u"sfp"_s, u"ign"_s, u"ign2"_s, u"pdb"_s,  u"gdb"_s, u"wdb"_s, u"ftm"_s,
        u"cbc"_s, u"crb"_s, u"idb"_s, u"yar"_s,  u"yara"_s, u"cat"_s};
    return suffixes;
}

// The database files of a folder by base name ("daily" for daily.cvd or daily.cld).
QHash<QString, QFileInfo> databasesIn(const QString& dir)
{
    QHash<QString, QFileInfo> found;
    if (dir.isEmpty())
        return found;
    const QFileInfoList entries = QDir(dir).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (!databaseSuffixes().contains(entry.suffix().toLower()))
            continue;
        const QString base = entry.completeBaseName();
        const auto known = found.constFind(base);
        if (known == found.cend() || known->lastModified() < entry.lastModified())
            found.insert(base, entry);
    }
    return found;
}

// Files up to this size are read into a buffer of the scanning thread and scanned from
// there; larger ones are scanned from their descriptor.
constexpr qint64 kBufferedScanBytes = qint64(16) << 20;

// A scanning thread's buffer, grown as needed and kept: the library maps and unmaps
// fresh memory for every file it scans from a descriptor, and in a process of several
// scanning threads each unmapping stops the other threads' processor too (on a virtual
// machine that cost as much as the scan). Memory given to the library is only read.
class ScanBuffer final
{
public:
    ~ScanBuffer() { release(); }

    void release()
    {
        std::free(m_data);
        m_data = nullptr;
        m_capacity = 0;
    }

    // The whole file, or nothing when it cannot be read.
    std::optional<std::pair<const char*, std::size_t>> read(int fd, std::size_t size)
    {
        if (size > m_capacity) {
            std::free(m_data);
            m_capacity = std::max(size, std::min<std::size_t>(m_capacity * 2, kBufferedScanBytes));
            m_data = static_cast<char*>(std::malloc(m_capacity));
            if (!m_data) {
                m_capacity = 0;
                return std::nullopt;
            }
        }
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pread(fd, m_data + done, size - done, off_t(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return std::nullopt;
            if (n == 0)
                break; // cut short meanwhile: what is there is scanned
            done += std::size_t(n);
        }
        return std::make_pair(static_cast<const char*>(m_data), done);
    }

private:
    char* m_data = nullptr;
    std::size_t m_capacity = 0;
};

thread_local ScanBuffer t_buffer;

// The engine's limits, chosen so that an ordinary download is scanned whole (the reasons
// are in docs/engines.md). What reaches one is reported as skipped, never as clean.
struct EngineLimit
{
    cl_engine_field field;
    long long value;
};
constexpr EngineLimit kLimits[] = {
    // All the data scanned for one file, the contents of its archives included.
    {CL_ENGINE_MAX_SCANSIZE, 4LL << 30},
    {CL_ENGINE_MAX_RECURSION, 32},
    {CL_ENGINE_MAX_FILES, 100000},
    {CL_ENGINE_MAX_SCANTIME, 5 * 60 * 1000}, // milliseconds for one file
};

// The limits and the encryption heuristics report as signatures; each is a skip.
constexpr unsigned kSkipHeuristics = CL_SCAN_HEURISTIC_EXCEEDS_MAX |
                                     CL_SCAN_HEURISTIC_ENCRYPTED_ARCHIVE |
                                     CL_SCAN_HEURISTIC_ENCRYPTED_DOC;

ClamEngine::Result skipped(SkipReason reason)
{
    return {ClamEngine::Verdict::Skipped, {}, reason};
}

// The outcome of a scan that ended with an error rather than a verdict.
SkipReason skipReasonOfError(cl_error_t error)
{
    switch (error) {
    case CL_EMAXSIZE:
        return SkipReason::TooLarge;
    case CL_EMAXREC:
        return SkipReason::ArchiveTooDeep;
    case CL_EMAXFILES:
        return SkipReason::TooManyFiles;
    case CL_ETIMEOUT:
        return SkipReason::TookTooLong;
    default:
        return SkipReason::Unreadable;
    }
}

std::once_flag g_initialised;
cl_error_t g_initResult = CL_SUCCESS;

} // namespace

QStringList databaseFiles(const QString& systemDir, const QString& userDir,
                          const QString& signatureFile)
{
    const QHash<QString, QFileInfo> system = databasesIn(systemDir);
    const QHash<QString, QFileInfo> own = databasesIn(userDir);
    QStringList files;
    for (auto it = system.cbegin(); it != system.cend(); ++it) {
        const auto newer = own.constFind(it.key());
        if (newer == own.cend() || newer->lastModified() <= it->lastModified())
            files.append(it->filePath());
    }
    for (auto it = own.cbegin(); it != own.cend(); ++it) {
        const auto older = system.constFind(it.key());
        if (older == system.cend() || older->lastModified() < it->lastModified())
            files.append(it->filePath());
    }
    files.sort();
    // A signature file of ours that names itself like one of the folders' is still ours.
    if (!signatureFile.isEmpty() && !files.contains(signatureFile))
        files.append(signatureFile);
    return files;
}

ClamEngine::~ClamEngine()
{
    if (m_engine)
        cl_engine_free(m_engine);
}

std::unique_ptr<ClamEngine> ClamEngine::load(const QStringList& databases, QString* error,
                                             long long maxFileSize)
{
    std::call_once(g_initialised, [] { g_initResult = cl_init(CL_INIT_DEFAULT); });
    if (g_initResult != CL_SUCCESS) {
        *error = u"the scanning library does not start: "_s +
                 QString::fromUtf8(cl_strerror(g_initResult));
        return nullptr;
    }
    std::unique_ptr<ClamEngine> engine(new ClamEngine);
    engine->m_engine = cl_engine_new();
    if (!engine->m_engine) {
        *error = u"the scanning engine cannot be made"_s;
        return nullptr;
    }
    QStringList failed;
    for (const QString& database : databases) {
        unsigned count = 0;
        const cl_error_t loaded = cl_load(QFile::encodeName(database).constData(), engine->m_engine,
                                          &count, CL_DB_STDOPT);
        if (loaded == CL_SUCCESS)
            engine->m_signatures += count;
        else
            failed.append(database + u": "_s + QString::fromUtf8(cl_strerror(loaded)));
    }
    if (engine->m_signatures == 0) {
        *error = u"no signature could be loaded. "_s + failed.join(u"; "_s);
        return nullptr;
    }
    engine->setLimits(maxFileSize);
    const cl_error_t compiled = cl_engine_compile(engine->m_engine);
    if (compiled != CL_SUCCESS) {
        *error = u"the signatures do not compile: "_s + QString::fromUtf8(cl_strerror(compiled));
        return nullptr;
    }
    if (!failed.isEmpty())
        *error = failed.join(u"; "_s); // loaded all the same, with what was readable
    return engine;
}

void ClamEngine::setLimits(long long maxFileSize)
{
    cl_engine_set_num(m_engine, CL_ENGINE_MAX_FILESIZE, maxFileSize);
    for (const EngineLimit& limit : kLimits)
        cl_engine_set_num(m_engine, limit.field, limit.value);
    // What the library took, which is never more than it can scan.
    int unknown = 0;
    m_maxFileSize = cl_engine_get_num(m_engine, CL_ENGINE_MAX_FILESIZE, &unknown);
}

void ClamEngine::releaseThreadBuffer()
{
    t_buffer.release();
}

ClamEngine::Result ClamEngine::scan(int fd, const char* path) const
{
    // The options clamscan uses by default (every file format parsed, heuristics on),
    // and alerts for the limits and for encryption, which are turned into skips.
    cl_scan_options options{};
    options.parse = ~0u;
    options.general = CL_SCAN_GENERAL_HEURISTICS;
    options.heuristic = kSkipHeuristics;
    const char* name = nullptr;
    unsigned long scanned = 0;
    cl_error_t result = CL_ERROR;
    struct stat info = {};
    if (::fstat(fd, &info) != 0)
        return skipped(SkipReason::Unreadable);
    // The library passes over a larger file without a word, or alerts without a name.
    if (info.st_size > m_maxFileSize)
        return skipped(SkipReason::TooLarge);
    if (S_ISREG(info.st_mode) && info.st_size > 0 && info.st_size <= kBufferedScanBytes) {
        const auto bytes = t_buffer.read(fd, std::size_t(info.st_size));
        if (!bytes)
            return skipped(SkipReason::Unreadable);
        cl_fmap_t* map = cl_fmap_open_memory(bytes->first, bytes->second);
        if (!map)
            return skipped(SkipReason::Unreadable);
        result = cl_scanmap_callback(map, path, &name, &scanned, m_engine, &options, nullptr);
        cl_fmap_close(map);
    } else {
        result = cl_scandesc(fd, path, &name, &scanned, m_engine, &options);
    }
    if (result == CL_VIRUS) {
        std::string signature = name ? std::string(name) : std::string("?");
        if (const std::optional<SkipReason> reason = skipReasonOfSignature(signature))
            return skipped(*reason);
        return {Verdict::Infected, std::move(signature)};
    }
    if (result == CL_CLEAN)
        return {Verdict::Clean, {}};
    return skipped(skipReasonOfError(result));
}

} // namespace orvanel::engines
