#include "SubstituteArguments.h"

#include <algorithm>
#include <string_view>

namespace orvanel::substitutes {

std::string joined(const Args& args, std::size_t from)
{
    std::string text;
    for (std::size_t i = from; i < args.size(); ++i) {
        if (i > from)
            text += ' ';
        text += args[i];
    }
    return text;
}

std::string oneLine(std::string text, std::size_t maxLength)
{
    if (text.size() > maxLength)
        text.resize(maxLength);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    return text;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string statusFlagsRecord(const Args& args)
{
    std::string flags;
    for (std::size_t i = 0; i < args.size() && i < 32; ++i)
        flags += ' ' + oneLine(args[i], 8);
    return flags;
}

std::optional<std::string> resolverHost(const Args& args)
{
    constexpr std::string_view Allowed =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_.";
    std::string host = trimmed(joined(args));
    if (host.empty() || host.size() > 253 || host.find_first_not_of(Allowed) != std::string::npos)
        return std::nullopt;
    return host;
}

std::string notificationText(const Args& args)
{
    std::string text = joined(args);
    std::replace(text.begin(), text.end(), ';', ' ');
    return trimmed(oneLine(text, 500));
}

} // namespace orvanel::substitutes
