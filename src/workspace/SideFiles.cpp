#include "workspace/SideFiles.h"

#include "workspace/TextEncoding.h"

#include <QFile>
#include <QSaveFile>

namespace orvanel::sidefiles {

using namespace Qt::StringLiterals;

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

} // namespace

QStringList decodeLines(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    const QString text = encoding::isValidUtf8(view.data(), std::size_t(view.size()))
                             ? QString::fromUtf8(view)
                             : encoding::fromWindows1252(view.data(), std::size_t(view.size()));
    QStringList lines = text.split(u'\n');
    // The end of the last line leaves an empty piece behind, and so does an empty file.
    if (lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return lines;
}

std::optional<QStringList> readLines(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, u"cannot read %1: %2"_s.arg(path, file.errorString()));
        return std::nullopt;
    }
    return decodeLines(file.readAll());
}

std::optional<QString> firstLine(const QString& path)
{
    const std::optional<QStringList> lines = readLines(path);
    if (!lines || lines->isEmpty())
        return std::nullopt;
    return lines->first();
}

bool writeLines(const QString& path, const QStringList& lines, QString* error)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    // Written beside the file and renamed over it: an engine reading at the same moment
    // sees the old content or the new one, and a failed write leaves the old one.
    // Unbuffered: a write that fails on the disk (full, over quota) must fail here and
    // not in a buffer flushed at commit, where the failure would go unnoticed.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        setError(error, u"cannot write %1: %2"_s.arg(path, file.errorString()));
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        setError(error, u"cannot write %1: %2"_s.arg(path, file.errorString()));
        file.cancelWriting();
        return false;
    }
    return true;
}

bool writeValue(const QString& path, const QString& value, QString* error)
{
    return writeLines(path, QStringList{value}, error);
}

bool writeEmpty(const QString& path, QString* error)
{
    return writeLines(path, QStringList(), error);
}

} // namespace orvanel::sidefiles
