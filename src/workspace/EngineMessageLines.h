#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <optional>

namespace orvanel {

// The lines the engines write on the local socket Orvanel.sock: the message number and its
// first parameter in decimal, separated by blanks ("2997 2997").
struct EngineMessageLine
{
    int number = 0;
    int firstParameter = 0;
};

// One line without its line end; nothing for a line of another shape.
std::optional<EngineMessageLine> parseEngineMessageLine(QByteArrayView line);

// Cuts one client's bytes into lines as they arrive, bounded so that no client can make
// the panel hold much of it: a line longer than any message is passed over, and a client
// that sends too many lines or too long a pending line is to be dropped.
class EngineMessageFraming final
{
public:
    // No message is near this long; a longer line drops its client.
    static constexpr qsizetype LineLimit = 64;
    // Lines one connection may send; an engine sends one.
    static constexpr int LinesPerClient = 16;

    // Adds the bytes that came and gives every whole line of at most LineLimit bytes to
    // `line`, without its LF or CR LF. Answers false once the client is to be dropped;
    // nothing more is given after that.
    bool feed(QByteArrayView bytes, const std::function<void(QByteArrayView)>& line);

private:
    QByteArray m_pending;
    int m_lines = 0;
    bool m_dropped = false;
};

} // namespace orvanel
