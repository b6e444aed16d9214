#include "pages/tools/MemoryPage.h"

#include "lang/Languages.h"
#include "pages/PanelContext.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QTreeWidget>

#include <algorithm>

namespace orvanel {

using namespace Qt::StringLiterals;

namespace {

constexpr int kProcessNameMax = 260;
constexpr int kLineMinWidth = 38;
const QString kUnit = u" KByte"_s;

QString memoryWordOf(const QString& languageCode)
{
    const LanguageInfo* language = findLanguage(languageCode);
    return language ? language->memoryWord : QString();
}

// The memory lines grow with their text from their left edge.
void setLineText(QLabel* label, const QString& text)
{
    label->setText(text);
    label->resize(std::max(label->sizeHint().width(), kLineMinWidth), label->height());
}

} // namespace

void MemoryPage::build(QWidget* panel)
{
    const platform::ProcessTable* processes = context().services().processes;
    const qint64 ownPid = QCoreApplication::applicationPid();
    const qint64 ownBefore = processes ? processes->residentBytes(ownPid).value_or(-1) : qint64(-1);

    QTreeWidget* view = buildProcessView(panel);
    m_totalLine = addLine(panel, u"TotalMemoryLine"_s, 322);
    m_freeLine = addLine(panel, u"FreeMemoryLine"_s, 302);
    m_processLine = addLine(panel, u"ProcessMemoryLine"_s, 282);
    m_lossLine = addLine(panel, u"MemoryLossLine"_s, 262);

    // A failed snapshot gives an empty list and no message.
    const std::vector<ProcessRecord> records =
        processes ? processRecords(*processes) : std::vector<ProcessRecord>{};
    view->clear();
    for (const QStringList& row : shownRows(records)) {
        auto* item = new QTreeWidgetItem(view, row);
        for (int column = 0; column < row.size(); ++column)
            item->setToolTip(column, row[column]);
    }
    fillMemoryLines(ownBefore);
}

QTreeWidget* MemoryPage::buildProcessView(QWidget* panel)
{
    const TextTable& texts = context().texts();
    auto* view = new QTreeWidget(panel);
    view->setObjectName(u"process memory view"_s);
    view->setGeometry(8, 24, 585, 220);
    view->setRootIsDecorated(false);
    view->setColumnCount(3);
    view->setHeaderLabels(
        {texts.text(9), texts.text(10), memoryWordOf(context().state().languageCode)});
    // The headers look clickable but sort nothing.
    view->header()->setSectionsClickable(true);
    view->setSortingEnabled(false);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setAllColumnsShowFocus(true);
    view->setColumnWidth(0, 60);
    view->setColumnWidth(1, 360);
    view->show();
    return view;
}

QLabel* MemoryPage::addLine(QWidget* panel, const QString& name, int top)
{
    auto* label = new QLabel(panel);
    label->setObjectName(name);
    label->setGeometry(56, top, 38, 13);
    setLineText(label, context().texts().text(75));
    label->show();
    return label;
}

void MemoryPage::fillMemoryLines(qint64 ownBytesBefore)
{
    const QStringList lines = lineTexts(context().state().languageCode);
    const platform::Services& services = context().services();
    if (lines.size() != 4 || !services.memory)
        return;
    const QLocale locale;
    const platform::MemorySnapshot memory = services.memory->read();
    const auto show = [&](QLabel* label, int line, quint64 bytes) {
        setLineText(label, lines[line] + memoryFigure(bytes, locale) + kUnit);
    };
    show(m_totalLine, 0, memory.totalPhysical);
    show(m_freeLine, 1, memory.availablePhysical);

    const std::optional<qint64> own =
        services.processes ? services.processes->residentBytes(QCoreApplication::applicationPid())
                           : std::nullopt;
    if (!own)
        return; // both lines keep their first caption
    show(m_processLine, 2, quint64(*own));
    // The loss: what the panel's own resident memory grew by while this page gathered
    // its figures.
    show(m_lossLine, 3, quint64(std::max<qint64>(*own - std::max<qint64>(ownBytesBefore, 0), 0)));
}

std::vector<MemoryPage::ProcessRecord>
MemoryPage::processRecords(const platform::ProcessTable& processes)
{
    std::vector<ProcessRecord> records;
    for (const platform::ProcessInfo& process : processes.snapshot()) {
        // A process whose memory cannot be read (gone, or not open to us) is skipped.
        const std::optional<qint64> bytes = processes.residentBytes(process.pid);
        if (!bytes)
            continue;
        records.push_back({process.name.left(kProcessNameMax),
                           QString::number(std::max<qint64>(*bytes, 0) / 1024)});
    }
    return records;
}

std::vector<QStringList> MemoryPage::shownRows(const std::vector<ProcessRecord>& records)
{
    std::vector<QStringList> rows;
    for (std::size_t i = 1; i + 1 < records.size(); ++i)
        rows.push_back({QString::number(i), records[i].name, records[i].kilobytes});
    return rows;
}

QString MemoryPage::memoryFigure(quint64 bytes, const QLocale& locale)
{
    // 64-bit throughout: machines with more than 4 GiB must not wrap.
    const quint64 kilobytes = bytes / 1024 + (bytes % 1024 >= 512 ? 1 : 0);
    if (kilobytes == 0)
        return {};
    const QString digits = QString::number(kilobytes);
    QString grouped;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += locale.groupSeparator();
        grouped += digits[i];
    }
    return grouped;
}

QStringList MemoryPage::lineTexts(const QString& languageCode)
{
    if (languageCode == "FR"_L1)
        return {u"la mémoire totale du système: "_s, u"mémoire physique libre:"_s,
                u"Processus mémoire:"_s, u"Perte de mémoire:"_s};
    if (languageCode == "GB"_L1)
        return {u" Total system memory: "_s, u" Free physical memory: "_s, u" Process-Memory: "_s,
                u" Memory Loss: "_s};
    if (languageCode == "DE"_L1)
        return {u"Gesamtsystemspeicher:"_s, u"Free physischen Speicher:"_s, u"Prozess-Memory"_s,
                u"Gedächtnisverlust"_s};
    if (languageCode == "ESP"_L1)
        return {u"la memoria total del sistema:"_s, u"memoria física libre:"_s,
                u"Proceso de memoria"_s, u"Pérdida de la memoria"_s};
    if (languageCode == "ITA"_L1)
        return {u"memoria totale del sistema:"_s, u"memoria fisica libera:"_s,
                u"Processo-memoria"_s, u"perdita di memoria"_s};
    return {};
}

} // namespace orvanel
