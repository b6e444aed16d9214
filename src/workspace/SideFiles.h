#pragma once

#include "workspace/WorkspaceFile.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace orvanel::sidefiles {

// The small text files shared with the engines: one value or one entry per line, read
// and written whole. Writes end every line with CR LF (the engines expect it) and are
// atomic; reads accept LF or CR LF and decode text that is not UTF-8 as Windows-1252.

// The file's lines and how the reading went. Only a plain file of at most maxBytes (16 MB
// unless told) is read: a named pipe, a device, a folder or a longer file is not (status
// tells which).
struct ReadLines
{
    files::ReadStatus status = files::ReadStatus::Failed;
    QStringList lines;
    QString error; // why, with the path; empty when read
};
ReadLines read(const QString& path, qint64 maxBytes = files::TextReadLimit);

// The file's lines, or nothing when it does not exist, is no plain file, is longer than
// maxBytes or cannot be read. An empty file has no lines.
std::optional<QStringList> readLines(const QString& path, QString* error = nullptr,
                                     qint64 maxBytes = files::TextReadLimit);

// The first line, or nothing when the file is missing or has no line.
std::optional<QString> firstLine(const QString& path);

// Writes the lines whole, replacing a link of that name instead of writing through it.
// Answers false with the reason; the old file is then untouched.
// With files::Flush::None, for defaults the start makes again, the write does not wait
// for the disk (files::replaceWhole).
bool writeLines(const QString& path, const QStringList& lines, QString* error = nullptr,
                files::Flush flush = files::Flush::ToDisk);

// Writes a file holding exactly one line.
bool writeValue(const QString& path, const QString& value, QString* error = nullptr,
                files::Flush flush = files::Flush::ToDisk);

// Writes an empty file.
bool writeEmpty(const QString& path, QString* error = nullptr);

// Decodes bytes read from a side file or a language file (UTF-8, else Windows-1252) and
// splits them into lines (LF or CR LF; a last line without an end counts).
QStringList decodeLines(const QByteArray& bytes);

} // namespace orvanel::sidefiles
