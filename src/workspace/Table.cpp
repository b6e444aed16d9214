#include "workspace/Table.h"

#include "workspace/TextEncoding.h"
#include "workspace/WorkspaceFile.h"

#include <QIODevice>

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <strings.h>

namespace orvanel {

using namespace Qt::StringLiterals;

namespace {

bool sameName(const char* a, const char* b)
{
    return strcasecmp(a, b) == 0;
}

pugi::xml_node childNamed(pugi::xml_node parent, const char* name)
{
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && sameName(child.name(), name))
            return child;
    }
    return {};
}

pugi::xml_attribute attributeNamed(pugi::xml_node node, const char* name)
{
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        if (sameName(a.name(), name))
            return a;
    }
    return {};
}

pugi::xml_node documentElement(const pugi::xml_document& doc)
{
    for (pugi::xml_node child = doc.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element)
            return child;
    }
    return {};
}

// Whether a row can hold the name as an attribute: a letter, "_", ":" or any character
// outside ASCII first, then also digits, "-" and ".".
bool isAttributeName(std::string_view name)
{
    const auto allowed = [](unsigned char c, bool first) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool digit = c >= '0' && c <= '9';
        return letter || c == '_' || c == ':' || c >= 0x80 ||
               (!first && (digit || c == '-' || c == '.'));
    };
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (!allowed(static_cast<unsigned char>(name[i]), i == 0))
            return false;
    }
    return !name.empty();
}

// The fields a file lists. A name no row could hold as an attribute, or one listed again
// (in any letter case), never held a value: keeping it would write rows that cannot be
// read back, or a second column that takes the first one's values on the next reading.
std::vector<FieldDef> fieldsOfPacket(pugi::xml_node metadata)
{
    std::vector<FieldDef> fields;
    const pugi::xml_node list = childNamed(metadata, "FIELDS");
    for (pugi::xml_node f = list.first_child(); f; f = f.next_sibling()) {
        if (f.type() != pugi::node_element || !sameName(f.name(), "FIELD"))
            continue;
        const char* utf8 = attributeNamed(f, "attrname").value();
        if (!isAttributeName(utf8))
            continue;
        const QString name = QString::fromUtf8(utf8);
        const bool listed = std::any_of(fields.begin(), fields.end(), [&](const FieldDef& d) {
            return name.compare(d.name, Qt::CaseInsensitive) == 0;
        });
        if (!listed)
            fields.push_back({name, attributeNamed(f, "WIDTH").as_int(0)});
    }
    return fields;
}

// Cuts UTF-8 text to a field's size in characters.
std::size_t keptBytes(const char* text, std::size_t bytes, int size)
{
    // A character takes at least one byte, so short texts need no count.
    if (size <= 0 || bytes <= std::size_t(size))
        return bytes;
    return encoding::utf8PrefixBytes(text, bytes, std::size_t(size));
}

bool looksLikeUtf16Or32(const char* data, std::size_t size)
{
    const auto* u = reinterpret_cast<const unsigned char*>(data);
    if (size < 2)
        return false;
    return (u[0] == 0xFF && u[1] == 0xFE) || (u[0] == 0xFE && u[1] == 0xFF) || u[0] == 0 ||
           u[1] == 0;
}

// Bytes that cannot stand as they are inside a double-quoted attribute value.
constexpr std::array<bool, 256> kNeedsEscape = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 0x20; ++c)
        table[c] = true;
    table['&'] = table['<'] = table['>'] = table['"'] = true;
    return table;
}();

} // namespace

// Writes a data packet in pieces: to a file through a buffer of about a megabyte, so
// that saving a large table neither holds a second copy of it nor waits on many small
// writes; or whole into memory when no file is given.
class PacketWriter final
{
public:
    explicit PacketWriter(QIODevice* device = nullptr) : m_device(device)
    {
        // A packet made in memory grows as it needs: most tables are a few rows.
        if (m_device)
            m_buffer.reserve(kChunk + kChunk / 4);
    }

    void append(const char* text, std::size_t size)
    {
        m_buffer.append(text, size);
        if (m_device && m_buffer.size() >= kChunk)
            flush();
    }
    void append(std::string_view text) { append(text.data(), text.size()); }

    void appendEscaped(const std::string& value)
    {
        const char* p = value.data();
        const char* end = p + value.size();
        while (p < end) {
            const char* run = p;
            while (p < end && !kNeedsEscape[static_cast<unsigned char>(*p)])
                ++p;
            if (p > run)
                m_buffer.append(run, std::size_t(p - run));
            if (p == end)
                break;
            m_buffer.append(escaped(*p++));
        }
        if (m_device && m_buffer.size() >= kChunk)
            flush();
    }

    // Writes what is left; false when any write failed.
    bool finish()
    {
        if (m_device)
            flush();
        return m_ok;
    }
    const std::string& text() const { return m_buffer; }

private:
    static constexpr std::size_t kChunk = std::size_t(1) << 20;

    static std::string_view escaped(char c)
    {
        switch (c) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '"':
            return "&quot;";
        // Line ends and tabs are written as references: literal ones would come back
        // as blanks from any conforming XML reader.
        case '\t':
            return "&#9;";
        case '\n':
            return "&#10;";
        case '\r':
            return "&#13;";
        default:
            // Other control characters cannot appear in an XML 1.0 document at all,
            // not even as references; the engines' readers would refuse the whole
            // file, so they are left out.
            return {};
        }
    }

    void flush()
    {
        if (m_ok && !m_buffer.empty())
            m_ok = m_device->write(m_buffer.data(), qint64(m_buffer.size())) ==
                   qint64(m_buffer.size());
        m_buffer.clear();
    }

    QIODevice* m_device;
    std::string m_buffer;
    bool m_ok = true;
};

void Table::clearFields()
{
    m_fields.clear();
    m_fieldNames.clear();
}

void Table::addField(const QString& name, int size)
{
    m_fields.push_back({name, size});
    m_fieldNames.push_back(name.toStdString());
}

const std::vector<FieldDef>& Table::fields() const
{
    return m_fields;
}

void Table::rememberFieldNames()
{
    m_fieldNames.clear();
    for (const FieldDef& f : m_fields)
        m_fieldNames.push_back(f.name.toStdString());
}

void Table::createEmpty()
{
    m_cells.clear();
    m_pending.clear();
    m_rows = 0;
    m_current = 0;
    m_inserting = false;
    m_open = true;
}

bool Table::open(const QString& path, QString* error, files::ReadStatus* status)
{
    close();
    files::ReadResult read = files::readWhole(path, files::TableReadLimit);
    if (status)
        *status = read.status;
    if (!read.ok()) {
        if (error)
            *error = u"cannot read the table file %1"_s.arg(read.error);
        return false;
    }
    QString why;
    if (!loadInPlace(read.bytes.data(), std::size_t(read.bytes.size()), &why)) {
        if (error)
            *error = u"%1: %2"_s.arg(path, why);
        return false;
    }
    return true;
}

bool Table::loadFromBytes(const QByteArray& xml, QString* error)
{
    close();
    QByteArray copy(xml.constData(), xml.size());
    return loadInPlace(copy.data(), std::size_t(copy.size()), error);
}

bool Table::loadInPlace(char* data, std::size_t size, QString* error)
{
    // Files of older installations hold their text in the ANSI code page without
    // saying so; they are read as Windows-1252.
    std::string converted;
    pugi::xml_encoding encoding = pugi::encoding_auto;
    if (!looksLikeUtf16Or32(data, size) && !encoding::isValidUtf8(data, size)) {
        converted = encoding::windows1252ToUtf8(data, size);
        data = converted.data();
        size = converted.size();
        encoding = pugi::encoding_utf8;
    }
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed =
        doc.load_buffer_inplace(data, size, pugi::parse_escapes, encoding);
    if (!parsed) {
        if (error)
            *error =
                u"not an XML file (%1 at byte %2)"_s.arg(QString::fromUtf8(parsed.description()))
                    .arg(parsed.offset);
        return false;
    }
    const pugi::xml_node packet = documentElement(doc);
    if (!sameName(packet.name(), "DATAPACKET")) {
        if (error)
            *error = u"not a table file (no DATAPACKET element)"_s;
        return false;
    }
    if (m_fields.empty()) {
        m_fields = fieldsOfPacket(childNamed(packet, "METADATA"));
        rememberFieldNames();
    }
    createEmpty();

    const pugi::xml_node rowData = childNamed(packet, "ROWDATA");
    std::size_t rows = 0;
    for (pugi::xml_node row = rowData.first_child(); row; row = row.next_sibling())
        rows += row.type() == pugi::node_element && sameName(row.name(), "ROW");
    const std::size_t width = m_fields.size();
    m_cells.reserve(rows * width);

    // Rows usually spell their attributes in the same order: the field found at each
    // position is remembered and tried first for the next row.
    struct Slot
    {
        std::string name;
        int field = -1;
    };
    std::vector<Slot> positions;
    for (pugi::xml_node row = rowData.first_child(); row; row = row.next_sibling()) {
        if (row.type() != pugi::node_element || !sameName(row.name(), "ROW"))
            continue;
        const std::size_t base = m_cells.size();
        m_cells.resize(base + width);
        std::size_t position = 0;
        for (pugi::xml_attribute a = row.first_attribute(); a; a = a.next_attribute()) {
            const char* name = a.name();
            if (position == positions.size())
                positions.push_back({});
            Slot& slot = positions[position++];
            if (slot.name != name) {
                slot.name = name;
                slot.field = fieldIndexUtf8(name);
            }
            const int field = slot.field;
            if (field < 0)
                continue; // RowState and other attributes of the table component
            const char* value = a.value();
            const std::size_t bytes = std::strlen(value);
            std::string& cell = m_cells[base + std::size_t(field)];
            const int size = m_fields[std::size_t(field)].size;
            // A character reference past the last code point leaves bytes that are no
            // UTF-8. A cell cut to its width keeps what they read as, so that it is cut,
            // shown and written back alike; any other is made readable when written.
            if (size > 0 && bytes > std::size_t(size) && !encoding::isValidUtf8(value, bytes)) {
                const QByteArray readable = QString::fromUtf8(value, qsizetype(bytes)).toUtf8();
                cell.assign(readable.constData(),
                            keptBytes(readable.constData(), std::size_t(readable.size()), size));
                continue;
            }
            cell.assign(value, keptBytes(value, bytes, size));
        }
        ++m_rows;
    }
    return true;
}

int Table::fieldIndexUtf8(const char* name) const
{
    for (std::size_t i = 0; i < m_fieldNames.size(); ++i) {
        if (sameName(m_fieldNames[i].c_str(), name))
            return int(i);
    }
    // Names outside ASCII compare through Unicode case folding.
    const QString wide = QString::fromUtf8(name);
    return fieldIndex(wide);
}

int Table::fieldIndex(QStringView name) const
{
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (name.compare(m_fields[i].name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

void Table::close()
{
    m_open = false;
    m_inserting = false;
    m_rows = 0;
    m_current = 0;
    std::vector<std::string>().swap(m_cells);
    m_pending.clear();
}

bool Table::isOpen() const
{
    return m_open;
}

void Table::first()
{
    m_current = 0;
}

void Table::next()
{
    if (m_current < m_rows)
        ++m_current;
}

bool Table::atEnd() const
{
    return m_current >= m_rows;
}

int Table::recordCount() const
{
    return m_rows;
}

int Table::currentIndex() const
{
    return m_current;
}

QString Table::value(QStringView field) const
{
    const int index = fieldIndex(field);
    if (!m_open || index < 0)
        return {};
    if (m_inserting)
        return QString::fromStdString(m_pending[std::size_t(index)]);
    return valueAt(m_current, index);
}

QString Table::valueAt(int record, int field) const
{
    if (record < 0 || record >= m_rows || field < 0 || std::size_t(field) >= m_fields.size())
        return {};
    return QString::fromStdString(
        m_cells[std::size_t(record) * m_fields.size() + std::size_t(field)]);
}

void Table::removeAt(int record)
{
    if (record < 0 || record >= m_rows)
        return;
    const auto width = std::ptrdiff_t(m_fields.size());
    const auto begin = m_cells.begin() + std::ptrdiff_t(record) * width;
    m_cells.erase(begin, begin + width);
    --m_rows;
    // The records after it move up by one, the current one among them.
    if (record < m_current)
        --m_current;
}

void Table::insert()
{
    if (!m_open)
        return;
    m_pending.assign(m_fields.size(), std::string());
    m_inserting = true;
}

std::string* Table::editedCell(QStringView field)
{
    const int index = fieldIndex(field);
    if (!m_open || index < 0)
        return nullptr;
    if (m_inserting)
        return &m_pending[std::size_t(index)];
    if (atEnd())
        return nullptr;
    return &m_cells[std::size_t(m_current) * m_fields.size() + std::size_t(index)];
}

bool Table::setValue(QStringView field, const QString& value)
{
    std::string* cell = editedCell(field);
    if (!cell)
        return false;
    const QByteArray utf8 = value.toUtf8();
    const int size = m_fields[std::size_t(fieldIndex(field))].size;
    *cell =
        std::string(utf8.constData(), keptBytes(utf8.constData(), std::size_t(utf8.size()), size));
    return true;
}

// An inserted record always goes at the end of the table, whatever the current record:
// a table rewritten by a series of inserts keeps the order in which they were made.
void Table::post()
{
    if (!m_inserting)
        return;
    for (std::string& cell : m_pending)
        m_cells.push_back(std::move(cell));
    m_pending.clear();
    m_inserting = false;
    m_current = m_rows++;
}

void Table::emptyTable()
{
    m_cells.clear();
    m_pending.clear();
    m_inserting = false;
    m_rows = 0;
    m_current = 0;
}

// A cell as it reads: a character reference past the last code point leaves bytes that
// are no UTF-8, and written as they are they would make the whole file read back as
// Windows-1252.
void Table::appendCell(PacketWriter& out, const std::string& cell)
{
    if (encoding::isValidUtf8(cell.data(), cell.size())) {
        out.appendEscaped(cell);
        return;
    }
    out.appendEscaped(QString::fromStdString(cell).toStdString());
}

void Table::writePacket(PacketWriter& out) const
{
    out.append(R"(<?xml version="1.0" standalone="yes"?><DATAPACKET Version="2.0">)"
               "<METADATA><FIELDS>");
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        out.append(R"(<FIELD attrname=")");
        out.appendEscaped(m_fieldNames[i]);
        out.append(R"(" fieldtype="string" WIDTH=")");
        out.append(std::to_string(m_fields[i].size));
        out.append(R"("/>)");
    }
    out.append("</FIELDS><PARAMS/></METADATA><ROWDATA>");
    const std::size_t width = m_fields.size();
    for (std::size_t row = 0; row < std::size_t(m_rows); ++row) {
        out.append("<ROW");
        for (std::size_t i = 0; i < width; ++i) {
            out.append(" ");
            out.append(m_fieldNames[i]);
            out.append("=\"");
            appendCell(out, m_cells[row * width + i]);
            out.append("\"");
        }
        out.append("/>");
    }
    out.append("</ROWDATA></DATAPACKET>");
}

QByteArray Table::toBytes() const
{
    PacketWriter out;
    writePacket(out);
    return QByteArray(out.text().data(), qsizetype(out.text().size()));
}

bool Table::save(const QString& path, QString* error, files::Flush flush) const
{
    // Written beside the file and renamed over it: the engines see either the old table
    // or the new one, never a half-written file, and a link in its place is replaced.
    QString why;
    const bool saved = files::replaceWhole(
        path,
        [this](QIODevice& device) {
            PacketWriter out(&device);
            writePacket(out);
            return out.finish();
        },
        &why, flush);
    if (!saved && error)
        *error = why;
    return saved;
}

} // namespace orvanel
