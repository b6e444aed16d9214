#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace orvanel {

// A table file's data packet cut into slices of whole ROW elements, so that a large
// table can be read a piece at a time: each slice is itself a data packet, with the
// file's own header (declaration and field list) and ending, that Table reads as usual.
// Raw '<' cannot appear inside an attribute value, so every "<ROW" in the row data
// starts a row. A packet whose row data cannot be found (or that is not in a single-byte
// based encoding) comes out as one slice, the whole file, and its reading reports what
// is wrong with it.
class PacketSlices final
{
public:
    explicit PacketSlices(QByteArray bytes);
    // A file read a piece at a time: its first bytes, its last bytes and its size. The rest
    // comes through append(), in order, until complete(). When the first bytes do not hold
    // the start of the row data, or the last ones its end, the answer is nothing: such a
    // file is read whole.
    static std::optional<PacketSlices> ofStart(QByteArray start, const QByteArray& last,
                                               qsizetype fileSize);

    // The bytes that follow those given so far.
    void append(QByteArrayView more);
    bool complete() const { return m_bytes.size() >= m_fileSize; }
    qsizetype bytesGiven() const { return m_bytes.size(); }

    bool atEnd() const { return m_done; }
    // The data packet of the next `rows` rows (at least one slice is always given from a
    // whole file). Of a file given in part, only rows whose end has arrived are cut: when
    // none has, the answer is nothing.
    std::optional<QByteArray> next(int rows);

private:
    PacketSlices() = default;
    // The start of the first row at or after `from`; the end of the row data when there is
    // none, or -1 when the bytes given so far cannot tell.
    qsizetype rowStart(qsizetype from) const;

    QByteArray m_bytes;
    QByteArray m_ending;  // from the end tag of the row data on
    qsizetype m_fileSize = 0;
    qsizetype m_headEnd = -1; // end of the ROWDATA start tag
    qsizetype m_bodyEnd = -1; // start of the ROWDATA end tag
    qsizetype m_position = 0;
    bool m_done = false;
};

} // namespace orvanel
