#pragma once

#include "workspace/WorkspaceFile.h"

#include <QString>
#include <QStringView>

#include <string>
#include <vector>

namespace orvanel {

class PacketWriter;

// A field of a table file: a text field of at most `size` characters (Unicode
// characters, not bytes). A size of 0 or less sets no limit.
struct FieldDef
{
    QString name;
    int size = 0;
};

// The in-memory table behind one table file: a list of text fields and records kept in
// insertion order, loaded and saved whole as an XML data packet that the engines read
// and write too. Field names are looked up without regard to letter case ("Champ1" and
// "champ1" are the same field); a value longer than its field is cut to the field's size.
//
// Usage follows the engines' pattern: open (load the file), walk with first/next/atEnd,
// insert + setValue + post, emptyTable, save, close. A table is kept closed between
// pieces of work so that the engines can replace the file at any time.
class Table final
{
public:
    // Field definitions, used by create and kept when a file is opened.
    void clearFields();
    void addField(const QString& name, int size);
    const std::vector<FieldDef>& fields() const;

    // Creates an empty, open table with the defined fields (nothing is written).
    void createEmpty();

    // Loads the whole file. On failure the table stays closed and error says why
    // (missing file, not a plain file, too large, not XML, not a data packet …);
    // status tells whether the file could be read at all.
    bool open(const QString& path, QString* error = nullptr, files::ReadStatus* status = nullptr);
    // Loads a data packet held in memory (used by open).
    bool loadFromBytes(const QByteArray& xml, QString* error = nullptr);
    void close();
    bool isOpen() const;

    // Cursor over the records.
    void first();
    void next();
    bool atEnd() const;
    int recordCount() const;
    int currentIndex() const;

    // Value of a field in the current record (of the record being inserted, between
    // insert and post); empty for an unknown field or at the end.
    QString value(QStringView field) const;

    // Direct access by position, for views over large tables: the index of a field
    // (letter case ignored, -1 when unknown) and the value of a record's field.
    int fieldIndexOf(QStringView name) const { return fieldIndex(name); }
    QString valueAt(int record, int field) const;
    // Removes one record; the cursor stays on the record that took its place.
    void removeAt(int record);

    // Starts a new record; setValue then fills it and post appends it at the end.
    void insert();
    // Sets a field of the record being inserted, or else of the current record. Values
    // are cut to the field's size. Answers false for an unknown field.
    bool setValue(QStringView field, const QString& value);
    void post();

    // Removes every record.
    void emptyTable();

    // The XML data packet of the whole table.
    QByteArray toBytes() const;
    // Writes the data packet atomically (temporary file renamed over the old one; a link
    // in the file's place is replaced, not written through). A failed save leaves the
    // old file as it was and answers false with the reason. `flush` as for
    // files::replaceWhole.
    bool save(const QString& path, QString* error = nullptr,
              files::Flush flush = files::Flush::ToDisk) const;

private:
    int fieldIndex(QStringView name) const;
    int fieldIndexUtf8(const char* name) const;
    void rememberFieldNames();
    bool loadInPlace(char* data, size_t size, QString* error);
    std::string* editedCell(QStringView field);
    void writePacket(PacketWriter& out) const;
    static void appendCell(PacketWriter& out, const std::string& cell);

    std::vector<FieldDef> m_fields;
    // The field names in UTF-8, as the data packet's attributes spell them.
    std::vector<std::string> m_fieldNames;
    // Values are kept as UTF-8, one string per field, row after row: tables of many
    // thousand rules load and save without a QString per value.
    std::vector<std::string> m_cells;
    std::vector<std::string> m_pending;
    int m_rows = 0;
    bool m_inserting = false;
    bool m_open = false;
    int m_current = 0;
};

} // namespace orvanel
