#pragma once

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <vector>

struct nft_ctx;

namespace orvanel::netd {

// The service's libnftables context. Input is JSON only (Debian 12's libnftables reads
// JSON input once JSON output is on); output and errors are kept in buffers, never
// printed.
class Nft final
{
public:
    Nft();
    ~Nft();
    Nft(const Nft&) = delete;
    Nft& operator=(const Nft&) = delete;

    bool valid() const { return m_ctx != nullptr; }

    // Runs the commands as one transaction: all of them or none. False with nft's
    // message in `error`.
    bool run(const nlohmann::json& commands, std::string* error);

    // Runs commands in nft's own syntax as one transaction, for what libnftables 1.0.6
    // reads in no JSON form. Only text made of fixed names and numbers is ever passed.
    bool runText(const std::string& commands, std::string* error);

    // Whether the service's table exists now.
    bool tableExists();

    // The elements of one of the table's sets, as nft names them (a cgroup's path below
    // /sys/fs/cgroup, an address); none when the set does not exist.
    std::vector<std::string> setElements(const std::string& set);

    // The table as nft lists it, in JSON; empty when it does not exist.
    std::string listTable();

private:
    // What a listing command printed, in JSON; empty when it failed.
    std::string listed(const std::string& command);

    nft_ctx* m_ctx = nullptr;
};

} // namespace orvanel::netd
