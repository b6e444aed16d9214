#include "pages/settings/ProgramCheckPage.h"

#include "pages/PanelContext.h"
#include "pages/ReportList.h"
#include "workspace/ProgramChecksum.h"
#include "workspace/Table.h"

#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

// Day zero of the date scale, shown for a program file that cannot be found.
const QDate DayZero(1899, 12, 30);
// The longest type description shown.
constexpr qsizetype MaxTypeLength = 80;

QStringList captions(const TextTable& texts)
{
    return {texts.text(9),
            texts.text(10),
            texts.text(11),
            texts.text(92) + u" (a)"_s,
            texts.text(92) + u" (b)"_s,
            texts.text(93),
            texts.text(30) + u" (a)"_s,
            texts.text(30) + u" (b)"_s,
            texts.text(94),
            texts.text(95)};
}

} // namespace

QStringList programCheckCells(const CheckedRule& rule, const TextTable& texts,
                              const QMimeDatabase& types)
{
    const QString none = texts.text(42);
    const QString stored = rule.stored == u"?"_s ? none : rule.stored;
    if (rule.path.isEmpty())
        return {rule.program, rule.date, none, stored, none, none, QString(), none, none};
    const QFileInfo file(rule.path);
    const bool exists = file.exists();
    const QDate written = exists ? file.lastModified().date() : DayZero;
    const QString type =
        exists ? types.mimeTypeForFile(file).comment().left(MaxTypeLength) : QString();
    const std::optional<quint32> sum = programChecksum(rule.path);
    return {rule.program,
            rule.date,
            QLocale::system().toString(written, QLocale::ShortFormat),
            stored,
            type,
            exists ? rule.path : none,
            rule.path,
            sum ? QString::number(*sum) : none,
            rule.sum};
}

void ProgramCheckPage::build(QWidget* panel)
{
    const TextTable& texts = context().texts();
    auto* list = ReportList::onPanel(panel);
    list->setObjectName(u"ProgramCheckList"_s);
    list->setGeometry(8, 24, 585, 320);
    list->rows().setCaptions(captions(texts));
    list->show();

    const QMimeDatabase types;
    std::vector<std::pair<int, QStringList>> rows;
    QString error;
    const bool read = context().tables().use(
        TableId::Rules,
        [&](Table& table) {
            const int champ1 = table.fieldIndexOf(u"Champ1"),
                      champ2 = table.fieldIndexOf(u"Champ2");
            const int champ4 = table.fieldIndexOf(u"Champ4"),
                      champ8 = table.fieldIndexOf(u"Champ8");
            const int champ9 = table.fieldIndexOf(u"Champ9");
            rows.reserve(std::size_t(table.recordCount()));
            for (int record = 0; record < table.recordCount(); ++record) {
                const CheckedRule rule{table.valueAt(record, champ1), table.valueAt(record, champ2),
                                       table.valueAt(record, champ4), table.valueAt(record, champ8),
                                       table.valueAt(record, champ9)};
                rows.emplace_back(record + 1, programCheckCells(rule, texts, types));
            }
            return false;
        },
        &error);
    if (!read)
        context().services().prompt->showError(error);
    list->rows().appendMany(rows);
}

} // namespace orvanel
