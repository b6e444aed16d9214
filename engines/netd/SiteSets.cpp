#include "SiteSets.h"

#include "NetRules.h"
#include "NetdSocket.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <linux/netfilter.h>
#include <linux/netfilter/nf_tables.h>
#include <linux/netlink.h>

#include <libnftnl/common.h>
#include <libnftnl/set.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>

namespace orvanel::netd {
namespace {

constexpr std::size_t ElementsPerMessage = 512; // well inside a netlink attribute's 64 KiB
constexpr std::size_t MessageRoom = 1024;       // a header and the names of table and set
constexpr std::size_t ElementRoom = 64;         // an IPv6 key and a lifetime, nested
constexpr std::chrono::seconds AnswerTime{5};

struct SetDeleter
{
    void operator()(nftnl_set* set) const { nftnl_set_free(set); }
};
using SetHandle = std::unique_ptr<nftnl_set, SetDeleter>;

SetHandle namedSet(const std::string& name)
{
    SetHandle set(nftnl_set_alloc());
    if (!set)
        throw std::bad_alloc();
    nftnl_set_set_str(set.get(), NFTNL_SET_TABLE, std::string(TableName).c_str());
    nftnl_set_set_str(set.get(), NFTNL_SET_NAME, name.c_str());
    return set;
}

// Netlink messages one after another, each aligned as the kernel reads them.
class Messages final
{
public:
    // Zeroed room for the next message; valid until the next call.
    char* room(std::size_t bytes)
    {
        m_bytes.resize(m_used);
        m_bytes.resize(m_used + bytes);
        return m_bytes.data() + m_used;
    }
    void keep(const nlmsghdr* header) { m_used += NLMSG_ALIGN(header->nlmsg_len); }
    std::vector<char> take()
    {
        m_bytes.resize(m_used);
        return std::move(m_bytes);
    }

private:
    std::vector<char> m_bytes;
    std::size_t m_used = 0;
};

struct SiteSet
{
    const char* name;
    int family;
    const std::vector<SiteAddress>* sites;
};

bool setError(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
    return false;
}

} // namespace

std::vector<char> siteSetsBatch(const std::vector<SiteAddress>& ipv4,
                                const std::vector<SiteAddress>& ipv6, std::uint32_t firstSequence,
                                std::uint32_t* acknowledged)
{
    const std::array<SiteSet, 2> sets{{{"sites4", AF_INET, &ipv4}, {"sites6", AF_INET6, &ipv6}}};
    Messages messages;
    std::uint32_t sequence = firstSequence;
    messages.keep(nftnl_batch_begin(messages.room(MessageRoom), sequence++));
    // A set message without elements empties the set.
    for (const SiteSet& set : sets) {
        nlmsghdr* header = nftnl_nlmsg_build_hdr(messages.room(MessageRoom), NFT_MSG_DELSETELEM,
                                                 NFPROTO_INET, NLM_F_ACK, sequence++);
        nftnl_set_elems_nlmsg_build_payload(header, namedSet(set.name).get());
        messages.keep(header);
    }
    for (const SiteSet& set : sets) {
        const std::vector<SiteAddress>& sites = *set.sites;
        for (std::size_t from = 0; from < sites.size(); from += ElementsPerMessage) {
            const std::size_t to = std::min(sites.size(), from + ElementsPerMessage);
            const SetHandle chunk = namedSet(set.name);
            for (std::size_t i = from; i < to; ++i) {
                unsigned char key[16];
                if (inet_pton(set.family, sites[i].address.c_str(), key) != 1)
                    return {};
                nftnl_set_elem* element = nftnl_set_elem_alloc();
                if (!element)
                    throw std::bad_alloc();
                nftnl_set_elem_set(element, NFTNL_SET_ELEM_KEY, key,
                                   set.family == AF_INET ? 4 : 16);
                nftnl_set_elem_set_u64(element, NFTNL_SET_ELEM_TIMEOUT,
                                       std::uint64_t(std::max(1u, sites[i].seconds)) * 1000);
                nftnl_set_elem_add(chunk.get(), element);
            }
            nlmsghdr* header = nftnl_nlmsg_build_hdr(
                messages.room(MessageRoom + (to - from) * ElementRoom), NFT_MSG_NEWSETELEM,
                NFPROTO_INET, NLM_F_CREATE | NLM_F_ACK, sequence++);
            nftnl_set_elems_nlmsg_build_payload(header, chunk.get());
            messages.keep(header);
        }
    }
    if (acknowledged)
        *acknowledged = sequence - 1;
    messages.keep(nftnl_batch_end(messages.room(MessageRoom), sequence));
    return messages.take();
}

bool replaceSiteSets(const std::vector<SiteAddress>& ipv4, const std::vector<SiteAddress>& ipv6,
                     std::string* error)
{
    // Every message but the batch's begin and end is answered, in order.
    const std::uint32_t first = static_cast<std::uint32_t>(std::time(nullptr)) & 0x3fffffffu;
    std::uint32_t last = 0;
    const std::vector<char> batch = siteSetsBatch(ipv4, ipv6, first, &last);
    if (batch.empty())
        return setError(error, "a site address is no address of its family");

    const Fd socket(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_NETFILTER));
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    if (!socket || bind(socket.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        return setError(error, std::string("no netlink socket: ") + std::strerror(errno));
    // The kernel takes a batch in one message: the send buffer must hold all of it.
    const int size = static_cast<int>(batch.size()) + 65536;
    if (setsockopt(socket.get(), SOL_SOCKET, SO_SNDBUFFORCE, &size, sizeof size) != 0)
        setsockopt(socket.get(), SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    const int on = 1; // an error answer carries the header of the refused message only
    setsockopt(socket.get(), SOL_NETLINK, NETLINK_CAP_ACK, &on, sizeof on);

    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (sendto(socket.get(), batch.data(), batch.size(), 0, reinterpret_cast<sockaddr*>(&kernel),
               sizeof kernel) != static_cast<ssize_t>(batch.size()))
        return setError(error, std::string("the site addresses could not be sent: ") +
                                   std::strerror(errno));

    const auto deadline = std::chrono::steady_clock::now() + AnswerTime;
    std::uint32_t heard = first; // the begin message is not answered
    alignas(nlmsghdr) char buffer[16384];
    while (heard < last) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd waiting{socket.get(), POLLIN, 0};
        if (left.count() <= 0 || poll(&waiting, 1, static_cast<int>(left.count())) == 0)
            return setError(error, "the kernel did not answer the site addresses in time");
        const ssize_t received = recv(socket.get(), buffer, sizeof buffer, 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received <= 0)
            return setError(error, std::string("no answer from the kernel: ") +
                                       std::strerror(received == 0 ? EPIPE : errno));
        int length = static_cast<int>(received);
        for (auto* header = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(header, length);
             header = NLMSG_NEXT(header, length)) {
            if (header->nlmsg_type != NLMSG_ERROR || header->nlmsg_seq <= first ||
                header->nlmsg_seq > last)
                continue;
            const auto* answer = static_cast<const nlmsgerr*>(NLMSG_DATA(header));
            if (answer->error != 0)
                return setError(error, std::string("the kernel refused the site addresses: ") +
                                           std::strerror(-answer->error));
            heard = std::max(heard, header->nlmsg_seq);
        }
    }
    return true;
}

} // namespace orvanel::netd
