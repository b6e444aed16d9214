#include "workspace/DuplicateRecord.h"

#include <QStringList>

namespace orvanel {

using namespace Qt::StringLiterals;

QString recordText(const DuplicateRecord& record)
{
    QString text = u"folder "_s + record.folder + u'\n';
    for (const RecordedFile& file : record.files) {
        if (file.path.contains(u'\n') || file.path.contains(u'\r'))
            continue;
        text += u"%1 %2 %3 %4 %5\n"_s.arg(file.size)
                    .arg(QString::fromLatin1(file.hash))
                    .arg(qulonglong(file.device))
                    .arg(qulonglong(file.inode))
                    .arg(file.path);
    }
    return text;
}

std::optional<DuplicateRecord> recordFromText(const QString& text)
{
    const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    if (lines.isEmpty() || !lines.first().startsWith(u"folder "_s))
        return std::nullopt;
    DuplicateRecord record{lines.first().mid(7), {}};
    for (const QString& line : lines.mid(1)) {
        const QStringList parts = line.split(u' ');
        bool sizeOk = false, deviceOk = false, inodeOk = false;
        RecordedFile file;
        if (parts.size() < 5)
            return std::nullopt;
        file.size = parts[0].toLongLong(&sizeOk);
        file.hash = parts[1].toLatin1();
        file.device = dev_t(parts[2].toULongLong(&deviceOk));
        file.inode = ino_t(parts[3].toULongLong(&inodeOk));
        file.path = parts.mid(4).join(u' ');
        if (!sizeOk || !deviceOk || !inodeOk || file.hash.size() != 64)
            return std::nullopt;
        record.files.push_back(std::move(file));
    }
    return record;
}

} // namespace orvanel
