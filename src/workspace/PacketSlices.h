#pragma once

#include <QByteArray>

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

    bool atEnd() const { return m_done; }
    // The data packet of the next `rows` rows (at least one slice is always given).
    QByteArray next(int rows);

private:
    qsizetype rowStart(qsizetype from) const;

    QByteArray m_bytes;
    qsizetype m_headEnd = -1; // end of the ROWDATA start tag
    qsizetype m_bodyEnd = -1; // start of the ROWDATA end tag
    qsizetype m_position = 0;
    bool m_done = false;
};

} // namespace orvanel
