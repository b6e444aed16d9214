#include "platform/linux/UserDirs.h"

#include <QList>

using namespace Qt::StringLiterals;

namespace orvanel::platform {

namespace {

// "…" with \" and \\ (and any \x) standing for the character; an unquoted value as it is.
std::optional<QString> shellValue(QStringView value)
{
    value = value.trimmed();
    if (!value.startsWith(u'"'))
        return value.toString();
    QString out;
    for (qsizetype i = 1; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'"')
            return out;
        if (c == u'\\' && i + 1 < value.size())
            out.append(value[++i]);
        else
            out.append(c);
    }
    return std::nullopt; // no closing quote
}

} // namespace

std::optional<QString> userDirFromText(QStringView text, QStringView key, const QString& home)
{
    std::optional<QString> found;
    for (QStringView line : text.split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(u'#'))
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0 || line.left(equals).trimmed() != key)
            continue;
        const auto value = shellValue(line.mid(equals + 1));
        if (!value)
            continue;
        // The file is read as a shell would: a later line of the same key wins.
        if (*value == "$HOME"_L1 || value->startsWith("$HOME/"_L1)) {
            QString path = home + value->mid(5);
            while (path.size() > 1 && path.endsWith(u'/'))
                path.chop(1);
            found = path;
        } else if (value->startsWith(u'/')) {
            found = *value;
        }
    }
    return found;
}

} // namespace orvanel::platform
