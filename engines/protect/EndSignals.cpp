#include "protect/EndSignals.h"

#include <csignal>
#include <sys/signalfd.h>

namespace orvanel::engines {

namespace {

std::atomic<bool> g_endRequested{false};

void requestEnd(int)
{
    g_endRequested.store(true);
}

sigset_t endSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&set, sig);
    return set;
}

} // namespace

const std::atomic<bool>& endOnSignals()
{
    struct sigaction action
    {
    };
    action.sa_handler = requestEnd;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &action, nullptr);
    const sigset_t set = endSignals();
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    return g_endRequested;
}

int endSignalDescriptor()
{
    const sigset_t set = endSignals();
    sigprocmask(SIG_BLOCK, &set, nullptr);
    return signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

} // namespace orvanel::engines
