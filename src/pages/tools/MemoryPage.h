#pragma once

#include "pages/Page.h"

#include <QString>
#include <QStringList>

#include <vector>

class QLabel;
class QLocale;
class QTreeWidget;

namespace orvanel {

namespace platform {
class ProcessTable;
}

// The memory page: the running processes with their resident memory, and the machine's
// total and free memory with the panel's own use. The figures are taken once, when the
// page is built; choosing the category again takes new ones.
class MemoryPage final : public Page
{
public:
    using Page::Page;

    void build(QWidget* panel) override;

    // One process as the page lists it: its executable name and its resident memory in
    // KiB (rounded down), as decimal text.
    struct ProcessRecord
    {
        QString name;
        QString kilobytes;
    };
    // The processes that could be read, in snapshot order.
    static std::vector<ProcessRecord> processRecords(const platform::ProcessTable& processes);
    // The records shown: the first and the last are left out, so fewer than three give
    // none. Each row is its index in the records, the name and the KiB.
    static std::vector<QStringList> shownRows(const std::vector<ProcessRecord>& records);

    // A byte count as the memory lines show it: KiB rounded to the nearest whole number,
    // digits grouped in threes with the locale's group separator, nothing at all for 0.
    static QString memoryFigure(quint64 bytes, const QLocale& locale);

    // The four line texts of a language: total, free, process, loss (empty for a code
    // that is none of the five).
    static QStringList lineTexts(const QString& languageCode);

private:
    QTreeWidget* buildProcessView(QWidget* panel);
    QLabel* addLine(QWidget* panel, const QString& name, int top);
    void fillMemoryLines(qint64 ownBytesBefore);

    QLabel* m_totalLine = nullptr;
    QLabel* m_freeLine = nullptr;
    QLabel* m_processLine = nullptr;
    QLabel* m_lossLine = nullptr;
};

} // namespace orvanel
