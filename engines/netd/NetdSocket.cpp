#include "NetdSocket.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace orvanel::netd {

std::string serviceSocketPath()
{
    const char* path = std::getenv("ORVANEL_NETD_SOCKET");
    return path && *path ? path : DefaultSocketPath;
}

Fd& Fd::operator=(Fd&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = other.release();
    }
    return *this;
}

Fd::~Fd()
{
    if (m_fd >= 0)
        close(m_fd);
}

int Fd::release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

std::optional<Peer> peerOf(int fd)
{
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return std::nullopt;
    Peer peer{credentials.uid, credentials.gid, credentials.pid, {}};
    std::vector<gid_t> groups(64);
    socklen_t groupBytes = static_cast<socklen_t>(groups.size() * sizeof(gid_t));
    if (getsockopt(fd, SOL_SOCKET, SO_PEERGROUPS, groups.data(), &groupBytes) != 0 &&
        errno == ERANGE) {
        groups.resize(groupBytes / sizeof(gid_t));
        if (getsockopt(fd, SOL_SOCKET, SO_PEERGROUPS, groups.data(), &groupBytes) != 0)
            groupBytes = 0;
    }
    groups.resize(groupBytes / sizeof(gid_t));
    peer.groups = std::move(groups);
    return peer;
}

namespace {

bool fail(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
    return false;
}

bool socketAddress(const std::string& path, sockaddr_un& address, std::string* error)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return fail(error, "the socket path is empty or too long: " + path);
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

} // namespace

std::optional<std::string> readLine(int fd, std::size_t maxBytes, std::chrono::milliseconds timeout,
                                    std::string* error)
{
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buffer[16384];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd waiting{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&waiting, 1, static_cast<int>(left.count())) == 0) {
            fail(error, "no answer in time");
            return std::nullopt;
        }
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fail(error,
                 n == 0 ? "the connection closed before a whole line" : std::strerror(errno));
            return std::nullopt;
        }
        const char* end =
            static_cast<const char*>(std::memchr(buffer, '\n', static_cast<size_t>(n)));
        line.append(buffer, end ? static_cast<size_t>(end - buffer) : static_cast<size_t>(n));
        if (line.size() > maxBytes) {
            fail(error, "the request is larger than " + std::to_string(maxBytes) + " bytes");
            return std::nullopt;
        }
        if (end)
            return line;
    }
}

bool writeAll(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void refuseAndDrain(int fd, const std::string& answer, std::size_t maxBytes,
                    std::chrono::milliseconds timeout)
{
    if (!writeAll(fd, answer) || shutdown(fd, SHUT_WR) != 0)
        return;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buffer[16384];
    for (std::size_t drained = 0; drained < maxBytes;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd waiting{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&waiting, 1, static_cast<int>(left.count())) <= 0)
            return;
        const ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
            return; // the client has read its answer and gone
        drained += static_cast<std::size_t>(std::max<ssize_t>(n, 0));
    }
}

Fd listenAt(const std::string& path, std::string* error)
{
    sockaddr_un address;
    if (!socketAddress(path, address, error))
        return {};
    struct stat existing
    {
    };
    if (lstat(path.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode) || unlink(path.c_str()) != 0) {
            fail(error, path + " exists and is no socket of ours");
            return {};
        }
    }
    Fd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const mode_t old = umask(0);
    const bool bound =
        fd && bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    umask(old);
    if (!bound || chmod(path.c_str(), 0666) != 0 || listen(fd.get(), 16) != 0) {
        fail(error, "cannot listen at " + path + ": " + std::strerror(errno));
        return {};
    }
    return fd;
}

Fd connectTo(const std::string& path, std::string* error)
{
    sockaddr_un address;
    if (!socketAddress(path, address, error))
        return {};
    Fd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd || connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        fail(error, std::strerror(errno));
        return {};
    }
    return fd;
}

std::optional<std::string> exchange(const std::string& path, const std::string& request,
                                    std::chrono::milliseconds timeout, std::string* error)
{
    const Fd fd = connectTo(path, error);
    if (!fd)
        return std::nullopt;
    if (!writeAll(fd.get(), request + "\n")) {
        fail(error, "the service closed the connection");
        return std::nullopt;
    }
    return readLine(fd.get(), 64 * 1024, timeout, error);
}

} // namespace orvanel::netd
