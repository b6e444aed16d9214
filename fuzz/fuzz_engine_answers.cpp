// The engines' answer files the panel shows: ipcp.txt (a name and its address, the
// address last), portappli.txt (one line per listening port, the count last) and
// portsfermes.txt (one closed port per line).
#include "FuzzSupport.h"

#include "workspace/EngineAnswers.h"
#include "workspace/SideFiles.h"

using namespace orvanel;
using namespace orvanel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QStringList lines = sidefiles::decodeLines(rawBytes(data, size));

    const std::optional<QString> address = sidefiles::resolvedAddress(lines);
    FUZZ_CHECK(address.has_value() == !lines.isEmpty());
    if (address) {
        for (const QChar c : *address)
            FUZZ_CHECK(c == u'.' || (c >= u'0' && c <= u'9'));
        FUZZ_CHECK(address->size() <= lines.last().size());
    }

    const QStringList ports = sidefiles::applicationPorts(lines);
    FUZZ_CHECK(ports.size() == std::max<qsizetype>(0, lines.size() - 1));
    FUZZ_CHECK(ports == lines.mid(0, ports.size()));
    return 0;
}
