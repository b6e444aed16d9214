#include "Nft.h"

#include "NetRules.h"

#include <nftables/libnftables.h>
#include <nlohmann/json.hpp>

namespace orvanel::netd {

Nft::Nft()
{
    m_ctx = nft_ctx_new(NFT_CTX_DEFAULT);
    if (!m_ctx)
        return;
    nft_ctx_output_set_flags(m_ctx, NFT_CTX_OUTPUT_JSON);
    nft_ctx_buffer_output(m_ctx);
    nft_ctx_buffer_error(m_ctx);
}

Nft::~Nft()
{
    if (m_ctx)
        nft_ctx_free(m_ctx);
}

bool Nft::run(const nlohmann::json& commands, std::string* error)
{
    return runText(commands.dump(), error);
}

bool Nft::runText(const std::string& text, std::string* error)
{
    if (!m_ctx) {
        if (error)
            *error = "libnftables could not be started";
        return false;
    }
    const bool done = nft_run_cmd_from_buffer(m_ctx, text.c_str()) == 0;
    const char* message = nft_ctx_get_error_buffer(m_ctx);
    if (!done && error)
        *error = message && *message ? message : "nft refused the transaction";
    nft_ctx_get_output_buffer(m_ctx); // empties it for the next command
    return done;
}

std::string Nft::listed(const std::string& command)
{
    if (!m_ctx)
        return {};
    const bool done = nft_run_cmd_from_buffer(m_ctx, command.c_str()) == 0;
    const char* output = nft_ctx_get_output_buffer(m_ctx);
    nft_ctx_get_error_buffer(m_ctx); // empties it for the next command
    return done && output ? std::string(output) : std::string();
}

std::string Nft::listTable()
{
    return listed(R"({"nftables":[{"list":{"table":{"family":"inet","name":"orvanel"}}}]})");
}

std::vector<std::string> Nft::setElements(const std::string& set)
{
    std::vector<std::string> elements;
    const nlohmann::json request = {
        {"nftables",
         {{{"list", {{"set", {{"family", TableFamily}, {"table", TableName}, {"name", set}}}}}}}}};
    const nlohmann::json listing = nlohmann::json::parse(listed(request.dump()), nullptr, false);
    if (!listing.is_object() || !listing.contains("nftables") || !listing["nftables"].is_array())
        return elements;
    for (const nlohmann::json& item : listing["nftables"]) {
        if (!item.is_object() || !item.contains("set") || !item["set"].is_object())
            continue;
        for (const nlohmann::json& element : item["set"].value("elem", nlohmann::json::array())) {
            // An element with attributes of its own is an object: {"elem":{"val":…}}.
            const nlohmann::json& value =
                element.is_object() && element.contains("elem") && element["elem"].is_object()
                    ? element["elem"].value("val", nlohmann::json())
                    : element;
            if (value.is_string())
                elements.push_back(value.get<std::string>());
        }
    }
    return elements;
}

bool Nft::tableExists()
{
    // Our table always holds its chains, and listing the chains reads neither rules nor set
    // elements, whereas "list tables" makes libnftables fetch the whole ruleset: with
    // 10,000 closed ports every check cost the idle service milliseconds of processor.
    const nlohmann::json chains = nlohmann::json::parse(
        listed(R"({"nftables":[{"list":{"chains":{"family":"inet"}}}]})"), nullptr, false);
    if (!chains.is_object() || !chains.contains("nftables") || !chains["nftables"].is_array())
        return false;
    for (const nlohmann::json& item : chains["nftables"])
        if (item.contains("chain") && item["chain"].value("family", "") == TableFamily &&
            item["chain"].value("table", "") == TableName)
            return true;
    return false;
}

} // namespace orvanel::netd
