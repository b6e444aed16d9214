// The lines the engines write on Orvanel.sock, arriving in pieces of any size: cut into
// bounded lines, each read as a message number and its first parameter.
#include "FuzzSupport.h"

#include "workspace/EngineMessageLines.h"

using namespace orvanel;
using namespace orvanel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte sets the size of the pieces the socket hands over.
    const std::size_t piece = 1 + data[0] % 32;
    const std::string_view bytes = bytesOf(data + 1, size - 1);

    EngineMessageFraming framing;
    int lines = 0;
    bool open = true;
    for (std::size_t at = 0; at < bytes.size() && open; at += piece) {
        const std::string_view part = bytes.substr(at, piece);
        open = framing.feed(QByteArrayView(part.data(), qsizetype(part.size())),
                            [&](QByteArrayView line) {
                                ++lines;
                                FUZZ_CHECK(line.size() <= EngineMessageFraming::LineLimit);
                                FUZZ_CHECK(!line.contains('\n'));
                                (void)parseEngineMessageLine(line);
                            });
    }
    FUZZ_CHECK(lines <= EngineMessageFraming::LinesPerClient);
    // Once dropped, a client is given nothing more.
    if (!open)
        FUZZ_CHECK(!framing.feed("2997 2997\n", [](QByteArrayView) { FUZZ_CHECK(false); }));

    // The whole input as one line.
    if (const auto message =
            parseEngineMessageLine(QByteArrayView(bytes.data(), qsizetype(bytes.size()))))
        FUZZ_CHECK(bytes.find_first_of("0123456789") != std::string_view::npos);
    return 0;
}
