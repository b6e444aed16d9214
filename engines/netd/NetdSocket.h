#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace orvanel::netd {

// The service's socket when installed; ORVANEL_NETD_SOCKET names another (tests).
inline constexpr const char* DefaultSocketPath = "/run/orvanel-netd/socket";
std::string serviceSocketPath();

// The largest request line the service reads: a policy and its envelope.
inline constexpr std::size_t MaxRequestBytes = 600 * 1024;

// A file descriptor closed when it goes.
class Fd final
{
public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    Fd(Fd&& other) noexcept : m_fd(other.release()) {}
    Fd& operator=(Fd&& other) noexcept;
    ~Fd();
    int get() const { return m_fd; }
    int release();
    explicit operator bool() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Who is at the other end of a Unix socket, as the kernel saw it at connect time.
struct Peer
{
    uid_t uid = static_cast<uid_t>(-1);
    gid_t gid = static_cast<gid_t>(-1);
    pid_t pid = 0;
    std::vector<gid_t> groups; // supplementary groups (SO_PEERGROUPS)
};
std::optional<Peer> peerOf(int fd);

// Reads one line (without its "\n") of at most maxBytes within the timeout; nothing when
// the line is longer, the peer closes first or the time runs out.
std::optional<std::string> readLine(int fd, std::size_t maxBytes, std::chrono::milliseconds timeout,
                                    std::string* error);
bool writeAll(int fd, const std::string& data);

// Sends a refusal of a request that was not read whole, ends the sending side and reads
// the rest of the request away (at most maxBytes, within the timeout) before the caller
// closes: closing on unread data resets the connection, and the client would lose the
// answer it has not read yet.
void refuseAndDrain(int fd, const std::string& answer, std::size_t maxBytes,
                    std::chrono::milliseconds timeout);

// A stream socket listening at the path: a socket left there by an earlier run is
// replaced, anything else at that path is refused. Everyone may connect (mode 0666); the
// service decides by the peer's credentials.
Fd listenAt(const std::string& path, std::string* error);
Fd connectTo(const std::string& path, std::string* error);

// One request and its one-line answer.
std::optional<std::string> exchange(const std::string& path, const std::string& request,
                                    std::chrono::milliseconds timeout, std::string* error);

} // namespace orvanel::netd
