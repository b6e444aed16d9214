#pragma once

// Makes writes beyond a few bytes fail for as long as it lives, as a full disk would.
// Unlike folder permissions it also binds the superuser.

#include <csignal>
#include <sys/resource.h>

namespace orvanel::testing {

class FileSizeLimit final
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_ok = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        m_oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = m_old;
        small.rlim_cur = bytes;
        m_ok = m_ok && setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldSignal);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool active() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldSignal)(int) = nullptr;
    bool m_ok = false;
};

} // namespace orvanel::testing
