#pragma once

#include "pages/ReportRows.h"

#include <QTreeView>

#include <functional>
#include <optional>

namespace orvanel {

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

    // The rows of the table file at `path`, as ReportRows reads them, with a first screen
    // of rows for the list's height. Answers false with the reason when the file is not a
    // regular file or its first rows cannot be read.
    bool showTable(const QString& path, const ReportFields& fields, QString* error = nullptr);
    void finishReading() { m_rows->finishReading(); }
    bool isReading() const { return m_rows->isReading(); }
    qint64 bytesRead() const { return m_rows->bytesRead(); }
    void setReadErrorHandler(std::function<void(const QString&)> handler)
    {
        m_rows->setReadErrorHandler(std::move(handler));
    }

    // The selected row, or nothing.
    std::optional<int> selectedRow() const;

    // Sorts by the date column with updates suspended.
    void sortByDate();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void forgetPage();

    ReportRows* m_rows;
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
