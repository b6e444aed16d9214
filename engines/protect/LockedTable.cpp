#include "protect/LockedTable.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace orvanel::engines {

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kMaxTableBytes = qint64(256) << 20;

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

bool readLockedFile(int fd, const QString& path, Table& table, QString* error)
{
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        setError(error, u"%1 cannot be read"_s.arg(path));
        return false;
    }
    if (file.size() > kMaxTableBytes) {
        setError(error, u"%1 is too large"_s.arg(path));
        return false;
    }
    const QByteArray bytes = file.read(kMaxTableBytes);
    QString why;
    if (!table.loadFromBytes(bytes, &why)) {
        setError(error, u"%1: %2"_s.arg(path, why));
        return false;
    }
    return true;
}

// A missing table file is made with its fields and no row. The new file is linked into
// place, which fails when another engine made it meanwhile (and perhaps already added
// its rows): a file that exists is never replaced by an empty one.
bool createEmptyTable(const QString& path, TableId id, QString* error)
{
    Table empty;
    defineFields(empty, id);
    empty.createEmpty();
    const QString temp = path + u".new-"_s + QString::number(::getpid());
    if (!empty.save(temp, error))
        return false;
    const bool linked =
        ::link(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) == 0 ||
        errno == EEXIST;
    ::unlink(QFile::encodeName(temp).constData());
    if (!linked)
        setError(error, u"%1 cannot be made"_s.arg(path));
    return linked;
}

} // namespace

bool changeTableLocked(const QString& workspaceDir, TableId id,
                       const std::function<bool(Table&)>& change, QString* error)
{
    const QString path = workspaceDir + tableDefinition(id).fileName;
    if (!QFile::exists(path) && !createEmptyTable(path, id, error))
        return false;
    const HeldFile held(path, HeldFile::Mode::Exclusive);
    if (!held.isHeld()) {
        setError(error, held.error());
        return false;
    }
    Table table;
    defineFields(table, id);
    if (!readLockedFile(held.descriptor(), path, table, error))
        return false;
    return !change(table) || table.save(path, error);
}

bool readTableLocked(const QString& workspaceDir, TableId id, Table& table, QString* error)
{
    const QString path = workspaceDir + tableDefinition(id).fileName;
    const HeldFile held(path, HeldFile::Mode::Shared);
    if (!held.isHeld()) {
        setError(error, held.error());
        return false;
    }
    defineFields(table, id);
    return readLockedFile(held.descriptor(), path, table, error);
}

} // namespace orvanel::engines
