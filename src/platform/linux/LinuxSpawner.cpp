#include "platform/linux/LinuxSpawner.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace orvanel::platform {

namespace {

bool isExecutableFile(const QByteArray& path)
{
    struct stat st
    {
    };
    return !path.isEmpty() && ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.constData(), X_OK) == 0;
}

// Between fork and exec only async-signal-safe calls are made: the panel has other
// threads (Qt's), whose locks may be held at the moment of the fork.
[[noreturn]] void reportAndExit(int pipeFd, int error)
{
    [[maybe_unused]] const ssize_t w = ::write(pipeFd, &error, sizeof error);
    ::_exit(127);
}

// The engine starts with default signal handling and nothing blocked, whatever the
// panel's own thread had set up.
void resetSignals()
{
    struct sigaction standard
    {
    };
    standard.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal)
        if (signal != SIGKILL && signal != SIGSTOP)
            ::sigaction(signal, &standard, nullptr);
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
}

// Descriptors the panel opened without close-on-exec (a lock, a socket) must not live on
// in the engine: an engine holding the single-instance lock would keep the next panel
// from starting. maxFd is looked up before the fork.
void closeOnExecAbove2(int maxFd)
{
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0)
        return;
    for (int fd = 3; fd < maxFd; ++fd)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

[[noreturn]] void runEngine(const char* program, char* const* argv, int pipeFd, int maxFd)
{
    resetSignals();
    closeOnExecAbove2(maxFd);
    const int null = ::open("/dev/null", O_RDWR);
    if (null < 0)
        reportAndExit(pipeFd, errno);
    for (int fd = 0; fd <= 2; ++fd)
        if (::dup2(null, fd) < 0)
            reportAndExit(pipeFd, errno);
    if (null > 2)
        ::close(null);
    ::execve(program, argv, environ);
    reportAndExit(pipeFd, errno);
}

[[noreturn]] void runIntermediate(const char* program, char* const* argv, int pipeFd, int maxFd)
{
    if (::setsid() < 0)
        reportAndExit(pipeFd, errno);
    const pid_t engine = ::fork();
    if (engine < 0)
        reportAndExit(pipeFd, errno);
    if (engine == 0)
        runEngine(program, argv, pipeFd, maxFd);
    ::_exit(0);
}

// Reads the error the children report; end of file means the exec succeeded (the pipe
// is closed on exec).
int readChildError(int pipeFd)
{
    int error = 0;
    ssize_t n;
    do {
        n = ::read(pipeFd, &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    return n == ssize_t(sizeof error) ? error : 0;
}

} // namespace

bool LinuxSpawner::spawn(const QString& program, const QStringList& arguments)
{
    const QByteArray path = QFile::encodeName(program);
    if (!isExecutableFile(path))
        return false;

    // Everything the children need is built before the fork.
    std::vector<QByteArray> words{path};
    for (const QString& argument : arguments)
        words.push_back(argument.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const long openMax = ::sysconf(_SC_OPEN_MAX);
    const int maxFd = int(std::clamp<long>(openMax, 256, 65536));

    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) != 0)
        return false;
    const pid_t intermediate = ::fork();
    if (intermediate < 0) {
        ::close(errorPipe[0]);
        ::close(errorPipe[1]);
        return false;
    }
    if (intermediate == 0) {
        ::close(errorPipe[0]);
        runIntermediate(path.constData(), argv.data(), errorPipe[1], maxFd);
    }
    ::close(errorPipe[1]);
    const int error = readChildError(errorPipe[0]);
    ::close(errorPipe[0]);
    int status = 0;
    while (::waitpid(intermediate, &status, 0) < 0 && errno == EINTR) {
    }
    return error == 0;
}

} // namespace orvanel::platform
