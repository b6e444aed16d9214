#pragma once

#include "workspace/DateTimeOrder.h"
#include "workspace/PacketSlices.h"
#include "workspace/TableFiles.h"
#include "workspace/WorkspaceFile.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QTreeView>

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvanel {

// The rows of a report list: per row, its row number (the first column) and the texts
// of the other columns. The texts of all rows lie in one block, so that a list of the
// largest tables the engines write costs little more than its texts.
class ReportRows final : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit ReportRows(QObject* parent = nullptr);

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

    QStringList m_captions;
    int m_dateColumn = -1;
    DateTimeOrder m_dates;
    std::string m_text;
    std::vector<Row> m_rows;
    std::vector<qint64> m_dateKeys; // read once, as the row is added
};

// Which fields of a table file a report list shows, after the row number. A field that
// holds exactly "?" in the column questionColumn (counted like cells) shows questionText.
struct ReportFields
{
    TableId table = TableId::Rules;
    QStringList fields;
    int questionColumn = -1;
    QString questionText;
};

// A report list view over ReportRows: one line per row, column headers that can be
// clicked, whole rows selected, nothing edited in place. Column clicks are the page's
// to handle: the view itself never sorts.
//
// A list costs more to make than to fill: its view and header connect some sixty signals
// by name. So the list of a page that closes is kept by the window, emptied, and the
// next page with a report list takes it (onPanel, keepFrom).
class ReportList final : public QTreeView
{
    Q_OBJECT

public:
    explicit ReportList(QWidget* parent);
    ~ReportList() override;

    // A list on `panel`: the one the window of `panel` keeps, if any, or a new one. A kept
    // list comes as a new one does: no rows, columns, name, selection, handlers or reading,
    // scrolled to the top; it is hidden until shown.
    static ReportList* onPanel(QWidget* panel);
    // Keeps a list of `panel`, a page's panel about to be freed, in the window of `panel`
    // for the next page. The handlers connected to its clicks and its column clicks with
    // the list as context go with the page.
    static void keepFrom(QWidget* panel);

    ReportRows& rows() const { return *m_rows; }

    // The rows of the table file at `path`: the first screen at once, so that the list
    // paints straight away, and the rest from the event loop a slice at a time; a large
    // file is read a piece at a time as well. A click that needs every row (a sort)
    // finishes the reading first. Answers false with the reason when the file is not a
    // regular file or its first rows cannot be read.
    bool showTable(const QString& path, const ReportFields& fields, QString* error = nullptr);
    // Reads every row not read yet.
    void finishReading();
    bool isReading() const { return m_slices != nullptr; }
    // The bytes of the file read so far.
    qint64 bytesRead() const;
    // Told when a later part of the file cannot be read; the rows read so far stay.
    void setReadErrorHandler(std::function<void(const QString&)> handler)
    {
        m_readError = std::move(handler);
    }

    // The selected row, or nothing.
    std::optional<int> selectedRow() const;

    // Sorts by the date column with updates suspended.
    void sortByDate();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool startSlices(const QString& path, QString* error);
    bool readSlice(int rows, QString* error);
    void readLater();
    void endReading();
    void forgetPage();

    ReportRows* m_rows;
    std::unique_ptr<files::RegularFile> m_file; // open while a large file is read in pieces
    std::unique_ptr<PacketSlices> m_slices;
    std::unique_ptr<Table> m_table;
    ReportFields m_fields;
    std::vector<int> m_fieldIndexes;
    int m_nextNumber = 1;
    bool m_laterScheduled = false;
    // Counts the tables shown: a turn of reading meant for an earlier one does nothing.
    quint32 m_reading = 0;
    std::function<void(const QString&)> m_readError;
};

} // namespace orvanel

namespace orvanel {

class PanelContext;

// The list of a table's rows as the rules and alerts pages show it, at left 8, top 24,
// width 585, height 320 on `panel`: row number, Champ1, Champ2 (the date column),
// Champ3, Champ4 ("?" shown as entry 42) and Champ8, under entries 9, 10, 11, 31, 33
// and 30. A file that cannot be read leaves it empty and shows why in the error box.
ReportList* makeTableList(PanelContext& context, QWidget* panel, const QString& name, TableId id);

} // namespace orvanel
