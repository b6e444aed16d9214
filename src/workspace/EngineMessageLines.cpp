#include "workspace/EngineMessageLines.h"

#include <QList>

#include <charconv>

namespace orvanel {

namespace {

std::optional<int> decimal(QByteArrayView text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.isEmpty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<EngineMessageLine> parseEngineMessageLine(QByteArrayView line)
{
    const QList<QByteArray> words = line.toByteArray().simplified().split(' ');
    if (words.size() != 2)
        return std::nullopt;
    const std::optional<int> number = decimal(words[0]);
    const std::optional<int> parameter = decimal(words[1]);
    if (!number || !parameter)
        return std::nullopt;
    return EngineMessageLine{*number, *parameter};
}

bool EngineMessageFraming::feed(QByteArrayView bytes,
                                const std::function<void(QByteArrayView)>& line)
{
    if (m_dropped)
        return false;
    m_pending += bytes;
    qsizetype end = 0;
    while ((end = m_pending.indexOf('\n')) >= 0 && m_lines < LinesPerClient) {
        QByteArrayView text(m_pending.constData(), end);
        if (text.endsWith('\r'))
            text.chop(1);
        ++m_lines;
        if (text.size() <= LineLimit)
            line(text);
        m_pending.remove(0, end + 1);
    }
    if (m_pending.size() > LineLimit || m_lines >= LinesPerClient) {
        m_pending.clear();
        m_dropped = true;
    }
    return !m_dropped;
}

} // namespace orvanel
