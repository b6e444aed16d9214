// Engine argument strings: the panel splits its string at blanks (double quotes group)
// and each engine reads the words: scanwapper.exe and scandisk.exe, and the substitutes
// netpro.exe, ipcp.exe and msgs.exe.
#include "FuzzSupport.h"

#include "SubstituteArguments.h"
#include "platform/Spawner.h"
#include "protect/EngineArguments.h"

#include <algorithm>

using namespace orvanel;
using namespace orvanel::fuzz;

namespace {

bool hasControl(const std::string& text)
{
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

void protectEngines(const QStringList& args)
{
    if (const auto scan = engines::scanArgumentsOf(args)) {
        const bool volume = scan->kind == engines::ScanArguments::Kind::Volume;
        FUZZ_CHECK(volume == scan->mountPoint.startsWith(u'/'));
    }
    const engines::CopySearchStep step = engines::copySearchStepOf(args);
    FUZZ_CHECK(step.folder.isEmpty() || step.kind == engines::CopySearchStep::Kind::Record);
}

void substituteEngines(const QStringList& words)
{
    // The program is started with these words as its argv: each ends at its first NUL.
    substitutes::Args args;
    for (const QString& word : words) {
        const QByteArray bytes = word.toUtf8();
        args.emplace_back(bytes.constData());
    }
    FUZZ_CHECK(!hasControl(substitutes::statusFlagsRecord(args)));
    if (const auto host = substitutes::resolverHost(args)) {
        FUZZ_CHECK(!host->empty() && host->size() <= 253);
        FUZZ_CHECK(host->find_first_of(" \t\r\n;/\\\"'$`") == std::string::npos);
    }
    const std::string text = substitutes::notificationText(args);
    FUZZ_CHECK(text.size() <= 500 && !hasControl(text));
    FUZZ_CHECK(text.find(';') == std::string::npos);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ExactText text(data, size);
    const QStringList words = platform::splitArgumentString(text.string());
    protectEngines(words);
    substituteEngines(words);
    return 0;
}
