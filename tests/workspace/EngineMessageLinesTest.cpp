// The engines' lines on Orvanel.sock, cut from the bytes as they arrive.
#include "workspace/EngineMessageLines.h"

#include <QByteArrayList>

#include <gtest/gtest.h>

#include <vector>

namespace orvanel {
namespace {

TEST(EngineMessageLines, LinesAreCutBoundedAndRead)
{
    struct Case
    {
        std::vector<QByteArray> pieces;
        QList<QByteArray> lines; // given to the panel, in order
        bool kept;               // the client stays connected
    };
    const QByteArray longLine(EngineMessageFraming::LineLimit + 1, '7');
    QByteArray many;
    for (int i = 0; i < EngineMessageFraming::LinesPerClient + 2; ++i)
        many += "2997 2997\n";
    const Case cases[] = {
        {{"2997 2997\n"}, {"2997 2997"}, true},
        {{"2997 2997\r\n2997 1\n2997 29", "97\n"}, {"2997 2997", "2997 1", "2997 2997"}, true},
        {{"29", "97 ", "2997", "\r", "\n"}, {"2997 2997"}, true},
        {{longLine + QByteArray("\n2997 2997\n")}, {"2997 2997"}, true},
        {{longLine}, {}, false},
        {{many}, QList<QByteArray>(EngineMessageFraming::LinesPerClient, "2997 2997"), false},
        {{"\n\n"}, {"", ""}, true},
    };
    for (const Case& c : cases) {
        EngineMessageFraming framing;
        QList<QByteArray> lines;
        bool kept = true;
        for (const QByteArray& piece : c.pieces)
            kept =
                framing.feed(piece, [&](QByteArrayView line) { lines.append(line.toByteArray()); });
        EXPECT_EQ(lines, c.lines) << c.pieces.front().left(20).constData();
        EXPECT_EQ(kept, c.kept) << c.pieces.front().left(20).constData();
        if (!kept) // a dropped client is given nothing more
            EXPECT_FALSE(framing.feed("2997 2997\n", [](QByteArrayView) { ADD_FAILURE(); }));
    }
}

TEST(EngineMessageLines, NumberAndFirstParameter)
{
    struct Case
    {
        const char* line;
        std::optional<std::pair<int, int>> message;
    };
    const Case cases[] = {
        {"2997 2997", std::pair{2997, 2997}},
        {" 2997\t 5 ", std::pair{2997, 5}},
        {"-1 0", std::pair{-1, 0}},
        {"2997", std::nullopt},
        {"2997 2997 1", std::nullopt},
        {"0xBB5 0xBB5", std::nullopt},
        {"2997 29970000000000", std::nullopt},
        {"+2997 2997", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto message = parseEngineMessageLine(c.line);
        ASSERT_EQ(message.has_value(), c.message.has_value()) << c.line;
        if (message)
            EXPECT_EQ(std::pair(message->number, message->firstParameter), *c.message) << c.line;
    }
}

} // namespace
} // namespace orvanel
