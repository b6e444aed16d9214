#include "workspace/PacketSlices.h"

#include <algorithm>
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

// The end of the ROWDATA start tag that opens the row data, or -1.
qsizetype rowDataStart(const QByteArray& bytes)
{
    if (wideEncoding(bytes))
        return -1;
    const qsizetype open = findTag(bytes, 0, "ROWDATA");
    const qsizetype openEnd = open < 0 ? -1 : bytes.indexOf('>', open);
    if (openEnd < 0 || bytes.at(openEnd - 1) == '/')
        return -1;
    return openEnd + 1;
}

} // namespace

PacketSlices::PacketSlices(QByteArray bytes) : m_bytes(std::move(bytes))
{
    m_fileSize = m_bytes.size();
    const qsizetype headEnd = rowDataStart(m_bytes);
    const qsizetype close = headEnd < 0 ? -1 : findLastTag(m_bytes, headEnd, "/ROWDATA");
    if (close < 0)
        return;
    m_headEnd = headEnd;
    m_bodyEnd = close;
    m_position = m_headEnd;
    m_ending = m_bytes.mid(close);
}

std::optional<PacketSlices> PacketSlices::ofStart(QByteArray start, const QByteArray& last,
                                                  qsizetype fileSize)
{
    PacketSlices slices;
    slices.m_headEnd = rowDataStart(start);
    const qsizetype close = findLastTag(last, 0, "/ROWDATA");
    const qsizetype bodyEnd = fileSize - last.size() + close;
    if (slices.m_headEnd < 0 || close < 0 || bodyEnd < slices.m_headEnd ||
        start.size() > fileSize)
        return std::nullopt;
    slices.m_bytes = std::move(start);
    slices.m_bytes.reserve(fileSize);
    slices.m_fileSize = fileSize;
    slices.m_bodyEnd = bodyEnd;
    slices.m_position = slices.m_headEnd;
    slices.m_ending = last.mid(close);
    return slices;
}

void PacketSlices::append(QByteArrayView more)
{
    m_bytes.append(more.first(std::min(more.size(), m_fileSize - m_bytes.size())));
}

qsizetype PacketSlices::rowStart(qsizetype from) const
{
    // A tag cut by the end of the bytes given so far is not found yet.
    const qsizetype at = findTag(m_bytes, from, "ROW");
    if (at >= 0 && at < m_bodyEnd)
        return at;
    if (complete() || m_bytes.size() > m_bodyEnd)
        return m_bodyEnd;
    return -1;
}

std::optional<QByteArray> PacketSlices::next(int rows)
{
    if (m_done)
        return QByteArray();
    if (m_headEnd < 0) {
        m_done = true;
        return m_bytes;
    }
    // A slice ends where a row starts, so its last row is whole.
    const qsizetype first = rowStart(m_position);
    qsizetype end = first;
    for (int i = 0; i < rows && end >= 0 && end < m_bodyEnd; ++i) {
        const qsizetype after = rowStart(end + 1);
        if (after < 0)
            break;
        end = after;
    }
    if (end < 0 || (end == first && end < m_bodyEnd))
        return std::nullopt;
    QByteArray slice;
    slice.reserve(m_headEnd + (end - m_position) + m_ending.size());
    slice.append(m_bytes.constData(), m_headEnd);
    slice.append(m_bytes.constData() + m_position, end - m_position);
    slice.append(m_ending);
    m_position = end;
    m_done = end >= m_bodyEnd;
    return slice;
}

} // namespace orvanel
