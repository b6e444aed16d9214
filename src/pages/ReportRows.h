#pragma once

#include "workspace/DateTimeOrder.h"
#include "workspace/PacketSlices.h"
#include "workspace/TableFiles.h"
#include "workspace/WorkspaceFile.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace orvanel {

class Table;

// Which fields of a table file a report list shows, after the row number. A field that
// holds exactly "?" in the column questionColumn (counted like cells) shows questionText.
struct ReportFields
{
    TableId table = TableId::Rules;
    QStringList fields;
    int questionColumn = -1;
    QString questionText;
};

// The rows of a report list: per row, its row number (the first column) and the texts
// of the other columns. The texts of all rows lie in one block, so that a list of the
// largest tables the engines write costs little more than its texts.
//
// The rows of a table file are read here, not by the view: the first screen at once, so
// that the list paints straight away, then more as the view asks for them (fetchMore)
// and the rest from the event loop a slice at a time; a large file is read a piece at a
// time as well. Whatever needs every row (a sort) finishes the reading first.
class ReportRows final : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit ReportRows(QObject* parent = nullptr);
    ~ReportRows() override;

    // Column captions; the first column shows the row numbers.
    void setCaptions(const QStringList& captions);
    // Which column (counted from 0, the row numbers being column 0) sorts by date.
    void setDateColumn(int column) { m_dateColumn = column; }

    // Adds one row; cells are the columns after the row number.
    void append(int number, const QStringList& cells);
    // Adds rows in one insertion.
    void appendMany(const std::vector<std::pair<int, QStringList>>& rows);

    int rowNumber(int row) const;
    // The text of a column after the row number (1 = the first of them).
    QString cell(int row, int column) const;
    void removeRowAt(int row);

    // Ascending by the date and time of the date column. Rows that hold no valid date
    // and time come first, in their present order; equal dates keep theirs too.
    void sortByDate();

    // Gives back the room kept for more rows (once every row is read).
    void squeeze();
    // No rows, no columns, no date column: as the rows were made.
    void clear();

    // The bytes the rows' structures and texts take.
    std::size_t rowBytes() const;

    // Starts reading the table file at `path`, with its first `firstRows` rows read at
    // once. Answers false with the reason when the file is not a regular file or its
    // first rows cannot be read. Unless the view asks sooner (readRestLater), the rest
    // is read after a short wait.
    bool showTable(const QString& path, const ReportFields& fields, int firstRows,
                   QString* error = nullptr);
    // Reads the rest of the rows from the event loop, a slice at a time.
    void readRestLater();
    // Reads every row not read yet.
    void finishReading();
    // Stops reading and forgets the file; the rows read so far stay.
    void stopReading();
    bool isReading() const { return m_slices != nullptr; }
    // The bytes of the file read so far.
    qint64 bytesRead() const;
    // Told when a later part of the file cannot be read; the rows read so far stay.
    void setReadErrorHandler(std::function<void(const QString&)> handler)
    {
        m_readError = std::move(handler);
    }

    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    // Rows whose date column holds no valid date sort before every valid one.
    static constexpr qint64 NoDate = std::numeric_limits<qint64>::min();

    struct Row
    {
        quint32 offset; // of the first cell in m_text; cells end with '\0'
        qint32 number;
    };

    void store(int number, const QStringList& cells);
    bool startSlices(const QString& path, QString* error);
    bool readSlice(int rows, QString* error);
    // Reads a slice and tells the handler when it fails; false once reading has ended.
    bool readSliceOrReport(int rows);
    void endReading();

    QStringList m_captions;
    int m_dateColumn = -1;
    DateTimeOrder m_dates;
    std::string m_text;
    std::vector<Row> m_rows;
    std::vector<qint64> m_dateKeys; // read once, as the row is added

    std::unique_ptr<files::RegularFile> m_file; // open while a large file is read in pieces
    std::unique_ptr<PacketSlices> m_slices;
    std::unique_ptr<Table> m_table;
    ReportFields m_fields;
    int m_nextNumber = 1;
    bool m_laterScheduled = false;
    bool m_restWanted = false; // the first screen is on show, or waited long enough
    // Counts the tables shown: a turn of reading meant for an earlier one does nothing.
    quint32 m_reading = 0;
    std::function<void(const QString&)> m_readError;
};

} // namespace orvanel
