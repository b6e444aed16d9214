#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>

struct cl_engine;

namespace orvanel::engines {

// The scanning engine: one ClamAV engine, loaded and compiled once per process and then
// shared by every scanning thread (a compiled engine is only read while scanning).
class ClamEngine final
{
public:
    ~ClamEngine();
    ClamEngine(const ClamEngine&) = delete;
    ClamEngine& operator=(const ClamEngine&) = delete;

    // Loads every database file or folder given, in order, and compiles the engine.
    // Nothing, with the reason, when none could be loaded.
    static std::unique_ptr<ClamEngine> load(const QStringList& databases, QString* error);

    enum class Verdict { Clean, Infected, Unreadable };
    struct Result
    {
        Verdict verdict = Verdict::Clean;
        std::string signature;
    };
    // Scans an open regular file; `path` only names it in the engine's own messages.
    Result scan(int fd, const char* path) const;
    // Gives back the calling thread's scan buffer (up to 16 MB): a resident engine calls
    // it between its scans.
    static void releaseThreadBuffer();

    unsigned signatureCount() const { return m_signatures; }

private:
    ClamEngine() = default;

    cl_engine* m_engine = nullptr;
    unsigned m_signatures = 0;
};

// The databases an engine loads, in order: ClamAV's system folder when it holds
// databases; the user's own folder filled by majbase.exe when it holds some (a database
// in both folders is taken from the newer copy only); and always our own signature file.
QStringList databaseFiles(const QString& systemDir, const QString& userDir,
                          const QString& signatureFile);

} // namespace orvanel::engines
