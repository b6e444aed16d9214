#pragma once

// Helpers of the firewall's benchmarks: the pair of network namespaces they run in, the
// service started in the inside one, the policies they apply and the TCP ends of the
// throughput figure.
//
// The benchmark program itself moves into a network namespace of its own at its start
// ("inside", 192.0.2.1: the table, the service and its engines live there) and a child
// of it holds a second one ("outside", 192.0.2.2), joined by a veth pair. Both go with
// the program, so nothing here ever touches the machine's own network.

#include "ProcessBench.h"

#include "NetPolicy.h"
#include "NetdService.h"
#include "NetdSocket.h"

#include <QStandardPaths>
#include <QString>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <future>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <thread>
#include <vector>

namespace orvanel::bench {

inline constexpr const char* InsideAddress = "192.0.2.1";
inline constexpr const char* OutsideAddress = "192.0.2.2";

// The two namespaces; `unavailable` says why the benchmarks cannot run, empty when they
// can.
struct NetworkPair
{
    std::string unavailable;
    pid_t outsideHolder = -1;
    netd::Fd outside; // the outside namespace, for setns
};

inline NetworkPair& networkPair()
{
    static NetworkPair pair;
    return pair;
}

// A child in a new network namespace of its own that waits until it is ended or the
// program goes.
inline pid_t holdNewNamespace()
{
    int ready[2];
    if (pipe(ready) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        close(ready[0]);
        if (unshare(CLONE_NEWNET) != 0 || write(ready[1], "+", 1) != 1)
            _exit(1);
        for (;;)
            pause();
    }
    close(ready[1]);
    char answer = 0;
    const bool held = child > 0 && read(ready[0], &answer, 1) == 1;
    close(ready[0]);
    if (!held && child > 0) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    return held ? child : -1;
}

// The veth pair and the addresses of both ends; the failed command, or nothing.
inline QString joinNamespaces(pid_t outsideHolder)
{
    const QString ip = QStandardPaths::findExecutable(u"ip"_s);
    const QString nsenter = QStandardPaths::findExecutable(u"nsenter"_s);
    if (ip.isEmpty() || nsenter.isEmpty())
        return u"ip (package iproute2) or nsenter (util-linux) is not installed"_s;
    const QString outside = QString::number(outsideHolder);
    const QStringList inside[] = {
        {u"link"_s, u"set"_s, u"lo"_s, u"up"_s},
        {u"link"_s, u"add"_s, u"ovb-in"_s, u"type"_s, u"veth"_s, u"peer"_s, u"name"_s, u"ovb-out"_s,
         u"netns"_s, outside},
        {u"addr"_s, u"add"_s, QLatin1StringView(InsideAddress) + u"/24"_s, u"dev"_s, u"ovb-in"_s},
        {u"link"_s, u"set"_s, u"ovb-in"_s, u"up"_s}};
    for (const QStringList& step : inside)
        if (!runQuiet(ip, step))
            return u"ip "_s + step.join(u' ');
    const QStringList there = {u"--net=/proc/"_s + outside + u"/ns/net"_s, ip};
    const QStringList steps[] = {
        {u"link"_s, u"set"_s, u"lo"_s, u"up"_s},
        {u"addr"_s, u"add"_s, QLatin1StringView(OutsideAddress) + u"/24"_s, u"dev"_s, u"ovb-out"_s},
        {u"link"_s, u"set"_s, u"ovb-out"_s, u"up"_s}};
    for (const QStringList& step : steps)
        if (!runQuiet(nsenter, there + step))
            return u"nsenter "_s + (there + step).join(u' ');
    return {};
}

// Called once at the program's start, before any other thread exists.
inline void setUpNetworkPair()
{
    NetworkPair& pair = networkPair();
    if (geteuid() != 0) {
        pair.unavailable = "needs root to make network namespaces and load nf_tables rules";
        return;
    }
    if (unshare(CLONE_NEWNET) != 0) {
        pair.unavailable =
            std::string("network namespaces are not available: ") + std::strerror(errno);
        return;
    }
    pair.outsideHolder = holdNewNamespace();
    const std::string path = "/proc/" + std::to_string(pair.outsideHolder) + "/ns/net";
    if (pair.outsideHolder > 0)
        pair.outside = netd::Fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!pair.outside) {
        pair.unavailable = "no second network namespace could be made";
        return;
    }
    if (const QString failed = joinNamespaces(pair.outsideHolder); !failed.isEmpty())
        pair.unavailable = "the veth pair could not be set up: " + failed.toStdString();
}

inline void tearDownNetworkPair()
{
    NetworkPair& pair = networkPair();
    if (pair.outsideHolder > 0) {
        kill(pair.outsideHolder, SIGKILL);
        waitpid(pair.outsideHolder, nullptr, 0);
    }
}

inline bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Ends a process this program started: SIGTERM, and SIGKILL after ten seconds.
inline void endProcess(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    if (!waitFor([pid] { return waitpid(pid, nullptr, WNOHANG) == pid; },
                 std::chrono::seconds(10))) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

// orvanel-netd started in the program's namespace, its socket and kept state in the
// folder given; ended (which removes its table) when this goes.
class RunningService final
{
public:
    explicit RunningService(const QString& dir) : m_socket(dir + u"/netd.socket"_s)
    {
        m_pid = spawnQuiet(QString::fromLocal8Bit(ORVANEL_NETD),
                           {u"--socket"_s, m_socket, u"--state-dir"_s, dir},
                           QProcessEnvironment::systemEnvironment());
    }
    ~RunningService() { endProcess(m_pid); }
    RunningService(const RunningService&) = delete;
    RunningService& operator=(const RunningService&) = delete;

    bool ready() const
    {
        return m_pid > 0 &&
               waitFor([this] { return QFile::exists(m_socket); }, std::chrono::seconds(10));
    }
    pid_t pid() const { return m_pid; }
    const QString& socket() const { return m_socket; }

private:
    QString m_socket;
    pid_t m_pid = -1;
};

// The firewall on with 10,000 closed ports (20001 to 30000: neither the port the
// throughput figure uses nor the one the alert figure closes).
inline netd::Policy closedPortsPolicy(bool stealth)
{
    netd::Policy policy;
    policy.mode = '1';
    for (std::uint16_t port = 20001; port <= 30000; ++port)
        policy.closedPorts.push_back(port);
    policy.stealth = stealth;
    return policy;
}

inline std::string applyRequest(const netd::Policy& policy)
{
    return nlohmann::json{{"version", netd::Policy::Version},
                          {"request", "apply"},
                          {"policy", nlohmann::json::parse(netd::policyToJson(policy))}}
        .dump();
}

inline netd::Peer rootPeer()
{
    netd::Peer peer;
    peer.uid = 0;
    peer.gid = 0;
    return peer;
}

inline sockaddr_in addressOf(const char* host, std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, host, &address.sin_addr);
    return address;
}

// The outside end of the throughput figure: a thread in the outside namespace that
// accepts connections, reads each to its end and answers one byte for every sample it
// has read whole.
class Receiver final
{
public:
    static constexpr std::uint16_t Port = 5201;

    Receiver(int outsideNamespace, std::size_t sampleBytes) : m_sampleBytes(sampleBytes)
    {
        std::promise<bool> listening;
        m_listening = listening.get_future();
        m_thread = std::thread(&Receiver::serve, this, outsideNamespace, std::move(listening));
    }
    ~Receiver()
    {
        // Shutting the listening socket down wakes the thread's accept.
        if (const int fd = m_listener.load(); fd >= 0)
            shutdown(fd, SHUT_RDWR);
        m_thread.join();
    }
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    bool listening() { return m_listening.get(); }

private:
    void serve(int outsideNamespace, std::promise<bool> listening)
    {
        const sockaddr_in address = addressOf(OutsideAddress, Port);
        netd::Fd listener;
        if (setns(outsideNamespace, CLONE_NEWNET) == 0)
            listener = netd::Fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        const bool bound = listener &&
                           bind(listener.get(), reinterpret_cast<const sockaddr*>(&address),
                                sizeof address) == 0 &&
                           listen(listener.get(), 4) == 0;
        m_listener = bound ? listener.get() : -1;
        listening.set_value(bound);
        std::vector<char> buffer(256 * 1024);
        while (bound) {
            const netd::Fd connection(accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (!connection)
                break;
            std::size_t received = 0;
            for (ssize_t n; (n = read(connection.get(), buffer.data(), buffer.size())) > 0;) {
                received += static_cast<std::size_t>(n);
                for (; received >= m_sampleBytes; received -= m_sampleBytes)
                    if (write(connection.get(), "+", 1) != 1)
                        break;
            }
        }
        m_listener = -1;
    }

    std::size_t m_sampleBytes;
    std::thread m_thread;
    std::future<bool> m_listening;
    std::atomic<int> m_listener{-1};
};

// The inside end: one connection to the receiver for the whole figure, so that every
// sample is of a connection at full speed rather than of its start.
class Sender final
{
public:
    explicit Sender(std::size_t sampleBytes) : m_sampleBytes(sampleBytes), m_buffer(256 * 1024, 'x')
    {
        const sockaddr_in address = addressOf(OutsideAddress, Receiver::Port);
        m_fd = netd::Fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (m_fd &&
            connect(m_fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            m_fd = {};
    }

    // Sends one sample and waits until the receiver has read it: megabytes a second, or 0
    // when the connection failed.
    double megabytesPerSecond()
    {
        if (!m_fd)
            return 0;
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t sent = 0; sent < m_sampleBytes;) {
            const ssize_t n =
                write(m_fd.get(), m_buffer.data(), std::min(m_buffer.size(), m_sampleBytes - sent));
            if (n <= 0)
                return 0;
            sent += static_cast<std::size_t>(n);
        }
        char answer = 0;
        if (read(m_fd.get(), &answer, 1) != 1)
            return 0;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return double(m_sampleBytes) / 1e6 / seconds;
    }

private:
    std::size_t m_sampleBytes;
    std::vector<char> m_buffer;
    netd::Fd m_fd;
};

// Whether one TCP connection attempt from the inside to that port was refused.
inline bool connectionRefused(const char* host, std::uint16_t port)
{
    const sockaddr_in address = addressOf(host, port);
    const netd::Fd fd(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd)
        return false;
    if (connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return false;
    if (errno != EINPROGRESS)
        return errno == ECONNREFUSED;
    pollfd waiting{fd.get(), POLLOUT, 0};
    int error = 0;
    socklen_t size = sizeof error;
    return poll(&waiting, 1, 1500) == 1 &&
           getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == ECONNREFUSED;
}

} // namespace orvanel::bench
