#include "platform/linux/XdgAutostartEntries.h"

#include "platform/linux/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace orvanel::platform {

namespace {

const QString kSuffix = QStringLiteral(".desktop");

// A value name becomes one file name of the folder; names that would reach outside it
// are not values.
bool isPlainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".") &&
           name != QLatin1String("..") && !name.contains(QChar(0));
}

} // namespace

XdgAutostartEntries::XdgAutostartEntries(QString folder)
    : m_folder(folder.isEmpty() ? defaultFolder() : std::move(folder))
{
}

QString XdgAutostartEntries::defaultFolder()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart");
}

QString XdgAutostartEntries::fileOf(const QString& name) const
{
    return m_folder + QLatin1Char('/') + name + kSuffix;
}

QStringList XdgAutostartEntries::valueNames() const
{
    QStringList names;
    const QDir dir(m_folder);
    const auto files = dir.entryList({QLatin1Char('*') + kSuffix},
                                     QDir::Files | QDir::Hidden | QDir::Readable, QDir::Name);
    for (const QString& file : files)
        names.append(file.chopped(kSuffix.size()));
    return names;
}

AutostartEntries::Value XdgAutostartEntries::value(const QString& name) const
{
    Value result;
    if (!isPlainName(name))
        return result;
    QFile file(fileOf(name));
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const auto command = commandOfEntry(parseDesktopEntry(QString::fromUtf8(file.readAll())));
    result.kind = command ? Value::Kind::String : Value::Kind::NotString;
    result.data = command.value_or(QString());
    return result;
}

bool XdgAutostartEntries::setValue(const QString& name, const QString& data, QString* error)
{
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (!isPlainName(name))
        return fail(QStringLiteral("Invalid entry name: ") + name);
    if (!QDir().mkpath(m_folder))
        return fail(QStringLiteral("Cannot create the folder ") + m_folder);
    QSaveFile file(fileOf(name));
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    file.write(autostartEntryText(name, data));
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

bool XdgAutostartEntries::removeValue(const QString& name)
{
    return isPlainName(name) && QFile::remove(fileOf(name));
}

bool XdgAutostartEntries::moveValueToTrash(const QString& name, Trash& trash)
{
    return isPlainName(name) && trash.moveToTrash(fileOf(name));
}

} // namespace orvanel::platform
