#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

#include <optional>
#include <vector>

namespace orvanel::engines {

// A file of the folder chosen in step 1, by size and content hash (SHA-256).
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

} // namespace orvanel::engines
