#pragma once

#include "protect/Skips.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>

struct cl_engine;

namespace orvanel::engines {

// The largest file the engine scans: the most ClamAV's library scans of one file (2 GiB
// less 3 bytes). A larger file is skipped as too large.
inline constexpr long long kMaxScannedFileSize = 2147483645LL;

// The scanning engine: one ClamAV engine, loaded and compiled once per process and then
// shared by every scanning thread (a compiled engine is only read while scanning).
class ClamEngine final
{
public:
    ~ClamEngine();
    ClamEngine(const ClamEngine&) = delete;
    ClamEngine& operator=(const ClamEngine&) = delete;

    // Loads every database file or folder given, in order, and compiles the engine.
    // Nothing, with the reason, when none could be loaded. Only tests give another
    // maximum file size, to look at both sides of it without gigabytes of data.
    static std::unique_ptr<ClamEngine> load(const QStringList& databases, QString* error,
                                            long long maxFileSize = kMaxScannedFileSize);

    // A file that meets one of the engine's limits, or that is encrypted, is neither clean
    // nor infected: it is skipped, with the reason.
    enum class Verdict { Clean, Infected, Skipped };
    struct Result
    {
        Verdict verdict = Verdict::Clean;
        std::string signature;                    // Infected
        SkipReason skip = SkipReason::Unreadable; // Skipped
    };
    // Scans an open regular file; `path` only names it in the engine's own messages.
    Result scan(int fd, const char* path) const;
    // The largest file scanned; a larger one is skipped as too large.
    long long maxFileSize() const { return m_maxFileSize; }
    // Gives back the calling thread's scan buffer (up to 16 MB): a resident engine calls
    // it between its scans.
    static void releaseThreadBuffer();

    unsigned signatureCount() const { return m_signatures; }

private:
    ClamEngine() = default;
    void setLimits(long long maxFileSize);

    cl_engine* m_engine = nullptr;
    unsigned m_signatures = 0;
    long long m_maxFileSize = 0;
};

// The databases an engine loads, in order: ClamAV's system folder when it holds
// databases; the user's own folder filled by majbase.exe when it holds some (a database
// in both folders is taken from the newer copy only); and always our own signature file.
QStringList databaseFiles(const QString& systemDir, const QString& userDir,
                          const QString& signatureFile);

} // namespace orvanel::engines
