#include "platform/linux/XdgAutostartEntries.h"

#include "platform/linux/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace orvanel::platform {

namespace {

const QString kSuffix = u".desktop"_s;

// A value name becomes one file name of the folder; names that would reach outside it
// are not values.
bool isPlainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(u'/') && name != "."_L1 && name != ".."_L1 &&
           !name.contains(QChar(0));
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
        config = QDir::homePath() + u"/.config"_s;
    return config + u"/autostart"_s;
}

QString XdgAutostartEntries::fileOf(const QString& name) const
{
    return m_folder + u'/' + name + kSuffix;
}

QStringList XdgAutostartEntries::valueNames() const
{
    QStringList names;
    const QDir dir(m_folder);
    const auto files =
        dir.entryList({u'*' + kSuffix}, QDir::Files | QDir::Hidden | QDir::Readable, QDir::Name);
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
        return fail(u"Invalid entry name: "_s + name);
    if (!QDir().mkpath(m_folder))
        return fail(u"Cannot create the folder "_s + m_folder);
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
