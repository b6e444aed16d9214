// Fails the build when a source file includes a header of a layer above its own, or a
// Linux implementation where only the platform's interfaces are allowed. Every folder
// under src/ is a library of its own; the include root is src/ for all of them, so the
// compiler alone would accept an include that goes the wrong way.
//
// Usage: orvanel-layer-check STAMP SOURCE_DIR  (writes STAMP when src/ and engines/ pass)

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

// What each layer may include besides itself. The platform's interfaces are the headers
// directly in src/platform/; its Linux implementation lies in linux/ and gui/.
const std::map<std::string, std::set<std::string>>& allowedLayers()
{
    static const std::map<std::string, std::set<std::string>> rules = {
        {"platform", {}},
        {"platform/linux", {"platform"}},
        {"platform/gui", {"platform", "platform/linux"}},
        {"workspace", {"platform"}},
        {"lang", {"platform", "workspace"}},
        {"events", {"platform", "workspace", "lang"}},
        {"panel", {"platform", "workspace", "lang", "events"}},
        {"pages", {"platform", "workspace", "lang", "events", "panel"}},
        {"app",
         {"platform", "platform/linux", "platform/gui", "workspace", "lang", "events", "panel",
          "pages"}},
        // The engines run without the panel: the shared files and the platform only.
        {"engines", {"platform", "platform/linux", "workspace"}},
    };
    return rules;
}

// The layer of a path below src/ ("pages/tools/X.h" → "pages"), or of an include.
std::string layerOf(const std::string& relative)
{
    const auto slash = relative.find('/');
    if (slash == std::string::npos)
        return {};
    std::string layer = relative.substr(0, slash);
    if (layer == "platform") {
        for (const char* part : {"linux/", "gui/"}) {
            if (relative.compare(slash + 1, std::char_traits<char>::length(part), part) == 0)
                return layer + '/' + std::string(part, std::char_traits<char>::length(part) - 1);
        }
    }
    return layer;
}

int checkFile(const fs::path& file, const std::string& layer)
{
    static const std::regex include(R"(^\s*#\s*include\s*"([^"]+)\")");
    const std::set<std::string>& allowed = allowedLayers().at(layer);
    std::ifstream in(file);
    std::string line;
    int number = 0;
    int faults = 0;
    while (std::getline(in, line)) {
        ++number;
        std::smatch match;
        if (!std::regex_search(line, match, include))
            continue;
        const std::string target = layerOf(match[1].str());
        if (target.empty() || !allowedLayers().contains(target) || target == layer ||
            allowed.contains(target))
            continue;
        std::cerr << file.string() << ':' << number << ": error: " << layer << " may not include "
                  << match[1].str() << " (layer " << target << ")\n";
        ++faults;
    }
    return faults;
}

int checkTree(const fs::path& root, const fs::path& base, const std::string& fixedLayer)
{
    int faults = 0;
    if (!fs::is_directory(root))
        return 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const auto extension = entry.path().extension();
        if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp"))
            continue;
        const std::string layer = fixedLayer.empty()
                                      ? layerOf(fs::relative(entry.path(), base).generic_string())
                                      : fixedLayer;
        if (allowedLayers().contains(layer))
            faults += checkFile(entry.path(), layer);
    }
    return faults;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: orvanel-layer-check STAMP SOURCE_DIR\n";
        return 2;
    }
    const fs::path source = argv[2];
    const int faults = checkTree(source / "src", source / "src", {}) +
                       checkTree(source / "engines", source / "engines", "engines");
    if (faults != 0)
        return 1;
    std::ofstream(argv[1]) << "checked\n";
    return 0;
}
