#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

#include <optional>
#include <vector>

namespace orvanel {

// The record of the folder search's step 1 (scandisk-record.txt): the files of the chosen
// folder by size and content hash (SHA-256). The engine writes it; the page reads it
// again before deleting a copy, to compare the copy with its original.
struct RecordedFile
{
    long long size = 0;
    QByteArray hash; // hexadecimal
    dev_t device = 0;
    ino_t inode = 0;
    QString path;
};

struct DuplicateRecord
{
    QString folder;
    std::vector<RecordedFile> files;
};

// The record file's text and back: "folder <path>" and then one line per file,
// "<size> <hash> <device> <inode> <path>". Nothing for a text that is no record.
QString recordText(const DuplicateRecord& record);
std::optional<DuplicateRecord> recordFromText(const QString& text);

} // namespace orvanel
