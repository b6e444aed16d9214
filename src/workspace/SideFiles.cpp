#include "workspace/SideFiles.h"

#include "workspace/TextEncoding.h"

#include <QIODevice>

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

ReadLines read(const QString& path, qint64 maxBytes)
{
    files::ReadResult file = files::readWhole(path, maxBytes);
    if (!file.ok())
        return {file.status, {}, u"cannot read %1"_s.arg(file.error)};
    return {files::ReadStatus::Read, decodeLines(file.bytes), {}};
}

std::optional<QStringList> readLines(const QString& path, QString* error, qint64 maxBytes)
{
    ReadLines result = read(path, maxBytes);
    if (result.status != files::ReadStatus::Read) {
        setError(error, result.error);
        return std::nullopt;
    }
    return std::move(result.lines);
}

std::optional<QString> firstLine(const QString& path)
{
    const std::optional<QStringList> lines = readLines(path);
    if (!lines || lines->isEmpty())
        return std::nullopt;
    return lines->first();
}

bool writeLines(const QString& path, const QStringList& lines, QString* error, files::Flush flush)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    // Written beside the file and renamed over it: an engine reading at the same moment
    // sees the old content or the new one, a failed write leaves the old one, and a link
    // in the file's place is replaced rather than written through.
    return files::replaceWhole(
        path, [&bytes](QIODevice& file) { return file.write(bytes) == bytes.size(); }, error,
        flush);
}

bool writeValue(const QString& path, const QString& value, QString* error, files::Flush flush)
{
    return writeLines(path, QStringList{value}, error, flush);
}

bool writeEmpty(const QString& path, QString* error)
{
    return writeLines(path, QStringList(), error);
}

} // namespace orvanel::sidefiles
