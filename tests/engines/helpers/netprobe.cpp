// The firewall tests' two ends of a connection, run inside the tests' own network
// namespaces:
//   netprobe listen <IPv4 address> <port>...       accepts and closes connections until ended
//   netprobe connect <IPv4 address> <port> <ms>    prints "connected", "refused", "timeout"
//                                                  or "unreachable"
//   netprobe session <cgroup folder> <IPv4 address> <port> <ms>
//       joins the cgroup, prints "ready", then connects once per line read and prints the
//       outcome of each, until its input ends
//   netprobe premade <cgroup folder> <IPv4 address> <port> <ms>
//       makes a socket, joins the cgroup, then connects with that socket and with a new
//       one: prints both outcomes
//   netprobe dns <IPv4 address> <port> <name> <IPv4> <IPv6> <ttl>
//       a name server for one name: answers its A and AAAA questions with the addresses
//       and that lifetime, every other name with "no such name"
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

bool addressOf(const char* host, const char* port, sockaddr_in& address)
{
    address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(std::atoi(port)));
    return inet_pton(AF_INET, host, &address.sin_addr) == 1;
}

int listenOn(const char* host, char** ports, int count)
{
    std::vector<pollfd> fds;
    for (int i = 0; i < count; ++i) {
        sockaddr_in address;
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (!addressOf(host, ports[i], address) ||
            bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(fd, 16) != 0)
            return 1;
        fds.push_back({fd, POLLIN, 0});
    }
    std::puts("listening");
    std::fflush(stdout);
    for (;;) {
        if (poll(fds.data(), fds.size(), -1) < 0)
            return 1;
        for (const pollfd& waiting : fds)
            if (waiting.revents & POLLIN)
                close(accept(waiting.fd, nullptr, nullptr));
    }
}

int newSocket()
{
    return socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
}

const char* connectTo(const char* host, const char* port, int milliseconds, int fd = newSocket())
{
    sockaddr_in address;
    if (!addressOf(host, port, address))
        return "bad address";
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return "connected";
    if (errno != EINPROGRESS)
        return errno == ECONNREFUSED ? "refused" : "unreachable";
    pollfd waiting{fd, POLLOUT, 0};
    if (poll(&waiting, 1, milliseconds) == 0)
        return "timeout";
    int error = 0;
    socklen_t size = sizeof error;
    getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
    close(fd);
    return error == 0 ? "connected" : error == ECONNREFUSED ? "refused" : "unreachable";
}

bool join(const char* folder)
{
    const std::string procs = std::string(folder) + "/cgroup.procs";
    FILE* file = std::fopen(procs.c_str(), "w");
    const bool joined = file && std::fputs("0", file) >= 0;
    return file && std::fclose(file) == 0 && joined;
}

int session(char** argv)
{
    if (!join(argv[2]))
        return 1;
    std::puts("ready");
    std::fflush(stdout);
    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
        std::puts(connectTo(argv[3], argv[4], std::atoi(argv[5])));
        std::fflush(stdout);
    }
    return 0;
}

int premade(char** argv)
{
    const int made = newSocket();
    if (!join(argv[2]))
        return 1;
    const char* before = connectTo(argv[3], argv[4], std::atoi(argv[5]), made);
    std::printf("%s %s\n", before, connectTo(argv[3], argv[4], std::atoi(argv[5])));
    return 0;
}

// The question's name in dotted form, and where the question ends; false for anything
// that is no plain question.
bool questionOf(const unsigned char* packet, std::size_t size, std::string& name, std::size_t& end)
{
    std::size_t at = 12;
    while (at < size && packet[at] != 0) {
        const std::size_t length = packet[at];
        if (length > 63 || at + 1 + length >= size)
            return false;
        name.append(name.empty() ? "" : ".")
            .append(reinterpret_cast<const char*>(packet + at + 1), length);
        at += 1 + length;
    }
    end = at + 5; // the root label, the type and the class
    return end <= size;
}

void appendAnswer(std::string& reply, uint16_t type, const unsigned char* data, std::size_t length,
                  uint32_t ttl)
{
    const unsigned char record[] = {0xc0,
                                    12,
                                    static_cast<unsigned char>(type >> 8),
                                    static_cast<unsigned char>(type),
                                    0,
                                    1,
                                    static_cast<unsigned char>(ttl >> 24),
                                    static_cast<unsigned char>(ttl >> 16),
                                    static_cast<unsigned char>(ttl >> 8),
                                    static_cast<unsigned char>(ttl),
                                    0,
                                    static_cast<unsigned char>(length)};
    reply.append(reinterpret_cast<const char*>(record), sizeof record);
    reply.append(reinterpret_cast<const char*>(data), length);
}

int nameServer(char** argv)
{
    sockaddr_in address;
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    in_addr ipv4;
    in6_addr ipv6;
    if (!addressOf(argv[2], argv[3], address) || inet_pton(AF_INET, argv[5], &ipv4) != 1 ||
        inet_pton(AF_INET6, argv[6], &ipv6) != 1 ||
        bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return 1;
    const auto ttl = static_cast<uint32_t>(std::atoi(argv[7]));
    std::puts("listening");
    std::fflush(stdout);
    for (;;) {
        unsigned char packet[512];
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t size =
            recvfrom(fd, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
        std::string name;
        std::size_t end = 0;
        if (size < 12 || !questionOf(packet, std::size_t(size), name, end))
            continue;
        const uint16_t type = uint16_t(packet[end - 4] << 8 | packet[end - 3]);
        const bool known = strcasecmp(name.c_str(), argv[4]) == 0;
        const bool answered = known && (type == 1 || type == 28);
        // The question comes back with the answer: response, recursion, "no such name"
        // for other names.
        std::string reply(reinterpret_cast<const char*>(packet), end);
        reply[2] = char(0x81);
        reply[3] = char(known ? 0x80 : 0x83);
        reply[6] = 0;
        reply[7] = char(answered ? 1 : 0);
        reply[8] = reply[9] = reply[10] = reply[11] = 0;
        if (answered && type == 1)
            appendAnswer(reply, type, reinterpret_cast<unsigned char*>(&ipv4), 4, ttl);
        else if (answered)
            appendAnswer(reply, type, ipv6.s6_addr, 16, ttl);
        sendto(fd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), fromSize);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && std::strcmp(argv[1], "listen") == 0)
        return listenOn(argv[2], argv + 3, argc - 3);
    if (argc == 5 && std::strcmp(argv[1], "connect") == 0) {
        std::puts(connectTo(argv[2], argv[3], std::atoi(argv[4])));
        return 0;
    }
    if (argc == 6 && std::strcmp(argv[1], "session") == 0)
        return session(argv);
    if (argc == 6 && std::strcmp(argv[1], "premade") == 0)
        return premade(argv);
    if (argc == 8 && std::strcmp(argv[1], "dns") == 0)
        return nameServer(argv);
    std::fputs("netprobe listen <address> <port>... | connect <address> <port> <ms>\n", stderr);
    return 2;
}
