#include "platform/linux/SocketHostLookup.h"

#include <QByteArray>

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace orvanel::platform {

namespace {
// The name buffer the lookup has always used; one byte is kept for the end mark.
constexpr std::size_t kNameBuffer = 101;
} // namespace

QString SocketHostLookup::errorText(int error)
{
    switch (error) {
    case EINPROGRESS:
    case EALREADY:
    case EINTR:
    case EAGAIN:
        return u"WSAEInProgress"_s;
    case ENETDOWN:
    case ENETUNREACH:
        return u"WSAENetDown"_s;
    case ENOSYS:
        return u"WSANotInitialised"_s;
    default:
        return {};
    }
}

QString SocketHostLookup::firstAddress(const QByteArray& hostName)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(hostName.constData(), nullptr, &hints, &found) != 0 || !found)
        return {};
    QString address;
    for (const addrinfo* at = found; at; at = at->ai_next) {
        if (at->ai_family != AF_INET || !at->ai_addr)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(at->ai_addr);
        if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text))
            address = QString::fromLatin1(text);
        break;
    }
    ::freeaddrinfo(found);
    return address;
}

HostLookupResult SocketHostLookup::lookup() const
{
    HostLookupResult result;
    char name[kNameBuffer] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        result.error = errorText(errno);
        return result;
    }
    // A name that filled the buffer is still ended: the last byte was never written.
    name[kNameBuffer - 1] = '\0';
    result.hostName = QString::fromUtf8(name);
    result.address = firstAddress(QByteArray(name));
    result.ok = true;
    return result;
}

} // namespace orvanel::platform
