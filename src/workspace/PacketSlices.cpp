#include "workspace/PacketSlices.h"

#include <cstring>
#include <strings.h>

namespace orvanel {

namespace {

bool startsTag(const QByteArray& bytes, qsizetype at, const char* name)
{
    const auto length = qsizetype(std::strlen(name));
    if (at + 1 + length >= bytes.size() || bytes[at] != '<')
        return false;
    if (strncasecmp(bytes.constData() + at + 1, name, std::size_t(length)) != 0)
        return false;
    const char after = bytes[at + 1 + length];
    return after == '>' || after == '/' || after == ' ' || after == '\t' || after == '\r' ||
           after == '\n';
}

qsizetype findTag(const QByteArray& bytes, qsizetype from, const char* name)
{
    for (qsizetype at = bytes.indexOf('<', from); at >= 0; at = bytes.indexOf('<', at + 1)) {
        if (startsTag(bytes, at, name))
            return at;
    }
    return -1;
}

// The last such tag: the end of the row data lies near the end of the file.
qsizetype findLastTag(const QByteArray& bytes, qsizetype from, const char* name)
{
    for (qsizetype at = bytes.lastIndexOf('<'); at >= from; at = bytes.lastIndexOf('<', at - 1)) {
        if (startsTag(bytes, at, name))
            return at;
        if (at == 0)
            break;
    }
    return -1;
}

bool wideEncoding(const QByteArray& bytes)
{
    if (bytes.size() < 2)
        return false;
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    const auto b1 = static_cast<unsigned char>(bytes[1]);
    return b0 == 0 || b1 == 0 || (b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF);
}

} // namespace

PacketSlices::PacketSlices(QByteArray bytes) : m_bytes(std::move(bytes))
{
    if (wideEncoding(m_bytes))
        return;
    const qsizetype open = findTag(m_bytes, 0, "ROWDATA");
    const qsizetype openEnd = open < 0 ? -1 : m_bytes.indexOf('>', open);
    if (openEnd < 0 || m_bytes[openEnd - 1] == '/')
        return;
    const qsizetype close = findLastTag(m_bytes, openEnd, "/ROWDATA");
    if (close < 0)
        return;
    m_headEnd = openEnd + 1;
    m_bodyEnd = close;
    m_position = m_headEnd;
}

qsizetype PacketSlices::rowStart(qsizetype from) const
{
    const qsizetype at = findTag(m_bytes, from, "ROW");
    return at < 0 || at > m_bodyEnd ? m_bodyEnd : at;
}

QByteArray PacketSlices::next(int rows)
{
    if (m_done)
        return {};
    if (m_headEnd < 0) {
        m_done = true;
        return m_bytes;
    }
    qsizetype end = rowStart(m_position);
    for (int i = 0; i < rows && end < m_bodyEnd; ++i)
        end = rowStart(end + 1);
    QByteArray slice;
    slice.reserve(m_headEnd + (end - m_position) + (m_bytes.size() - m_bodyEnd));
    slice.append(m_bytes.constData(), m_headEnd);
    slice.append(m_bytes.constData() + m_position, end - m_position);
    slice.append(m_bytes.constData() + m_bodyEnd, m_bytes.size() - m_bodyEnd);
    m_position = end;
    m_done = end >= m_bodyEnd;
    return slice;
}

} // namespace orvanel
