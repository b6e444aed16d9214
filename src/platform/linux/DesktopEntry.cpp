#include "platform/linux/DesktopEntry.h"

#include <QList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace orvanel::platform {

namespace {

const QString kMainGroup = u"[Desktop Entry]"_s;

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t';
}

// "Key = value" → key and value; false for anything else.
bool splitKeyLine(QStringView line, QStringView* key, QStringView* value)
{
    const qsizetype equals = line.indexOf(u'=');
    if (equals <= 0)
        return false;
    QStringView k = line.left(equals);
    while (!k.isEmpty() && isSpace(k.back()))
        k.chop(1);
    QStringView v = line.mid(equals + 1);
    while (!v.isEmpty() && isSpace(v.front()))
        v = v.mid(1);
    *key = k;
    *value = v;
    return !k.isEmpty();
}

void keepFirst(std::optional<QString>& slot, QStringView value)
{
    if (!slot)
        slot = value.toString();
}

bool isFieldCode(QChar c)
{
    return QStringView(u"fFuUickdDnNvm").contains(c);
}

bool isReservedInExec(QChar c)
{
    return QStringView(u" \t\n\"'\\><~|&;$*?#()`").contains(c);
}

} // namespace

DesktopEntryKeys parseDesktopEntry(QStringView text)
{
    DesktopEntryKeys keys;
    bool inMain = false;
    for (QStringView line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        while (!line.isEmpty() && isSpace(line.front()))
            line = line.mid(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            // Only the first main group counts; a repeated one is not read.
            inMain = !keys.hasMainGroup && line == kMainGroup;
            keys.hasMainGroup = keys.hasMainGroup || inMain;
            continue;
        }
        QStringView key;
        QStringView value;
        if (!inMain || !splitKeyLine(line, &key, &value))
            continue;
        if (key == u"Type")
            keepFirst(keys.type, value);
        else if (key == u"Name")
            keepFirst(keys.name, value);
        else if (key == u"TryExec")
            keepFirst(keys.tryExec, value);
        else if (key == u"Exec")
            keepFirst(keys.exec, value);
        else if (key == u"URL")
            keepFirst(keys.url, value);
    }
    return keys;
}

QString unescapeValue(QStringView value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            out.append(c);
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's':
            out.append(u' ');
            break;
        case 'n':
            out.append(u'\n');
            break;
        case 't':
            out.append(u'\t');
            break;
        case 'r':
            out.append(u'\r');
            break;
        case '\\':
            out.append(u'\\');
            break;
        default: // not an escape the format knows: kept as written
            out.append(c);
            out.append(next);
        }
    }
    return out;
}

QString escapeValue(QStringView value)
{
    QString out;
    out.reserve(value.size() + 8);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        switch (c.unicode()) {
        case '\\':
            out.append("\\\\"_L1);
            break;
        case '\n':
            out.append("\\n"_L1);
            break;
        case '\t':
            out.append("\\t"_L1);
            break;
        case '\r':
            out.append("\\r"_L1);
            break;
        case ' ': // a leading blank would be taken for the space around "="
            out.append(i == 0 ? u"\\s"_s : u" "_s);
            break;
        default:
            out.append(c);
        }
    }
    return out;
}

std::optional<QStringList> splitExec(QStringView exec)
{
    QStringList args;
    QString current;
    bool inWord = false; // something (even "") was written for this argument
    bool quoted = false;
    bool onlyCodes = true; // the argument holds field codes and nothing else
    const auto finish = [&] {
        if (inWord && !(onlyCodes && current.isEmpty()))
            args.append(current);
        current.clear();
        inWord = false;
        onlyCodes = true;
    };
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < exec.size() &&
                       QStringView(u"\"`$\\").contains(exec[i + 1])) {
                current.append(exec[++i]);
            } else if (c == u'%' && i + 1 < exec.size()) {
                if (exec[i + 1] == u'%')
                    current.append(u'%');
                else if (!isFieldCode(exec[i + 1]))
                    current.append(c).append(exec[i + 1]);
                ++i;
            } else {
                current.append(c);
            }
            continue;
        }
        if (isSpace(c) || c == u'\n') {
            finish();
        } else if (c == u'"') {
            quoted = true;
            inWord = true;
            onlyCodes = false;
        } else if (c == u'%' && i + 1 < exec.size() && isFieldCode(exec[i + 1])) {
            inWord = true;
            ++i;
        } else if (c == u'%' && i + 1 < exec.size() && exec[i + 1] == u'%') {
            current.append(u'%');
            inWord = true;
            onlyCodes = false;
            ++i;
        } else {
            current.append(c);
            inWord = true;
            onlyCodes = false;
        }
    }
    if (quoted)
        return std::nullopt;
    finish();
    return args;
}

QString quoteExecArgument(const QString& argument)
{
    QString doubled = argument;
    doubled.replace(u'%', "%%"_L1);
    const bool needsQuotes =
        argument.isEmpty() || std::any_of(argument.begin(), argument.end(), isReservedInExec);
    if (!needsQuotes)
        return doubled;
    QString out = u"\""_s;
    for (const QChar c : doubled) {
        if (QStringView(u"\"`$\\").contains(c))
            out.append(u'\\');
        out.append(c);
    }
    out.append(u'"');
    return out;
}

std::optional<QString> commandOfEntry(const DesktopEntryKeys& entry)
{
    if (!entry.exec)
        return std::nullopt;
    const QString exec = unescapeValue(*entry.exec);
    const auto args = splitExec(exec);
    if (!args)
        return exec; // a broken quote: the line as written is the best account of it
    if (args->size() == 1)
        return args->front();
    QStringList words;
    for (const QString& arg : *args) {
        const bool group =
            arg.isEmpty() || arg.contains(u' ') || arg.contains(u'\t') || arg.contains(u'"');
        words.append(group ? u'"' + arg + u'"' : arg);
    }
    return words.join(u' ');
}

QByteArray autostartEntryText(const QString& name, const QString& programPath)
{
    // TryExec: once the program is removed, the session skips the entry it left behind
    // instead of failing to start it at every login.
    const QString text = kMainGroup + u"\nType=Application\nName="_s + escapeValue(name) +
                         u"\nExec="_s + escapeValue(quoteExecArgument(programPath)) +
                         u"\nTryExec="_s + escapeValue(programPath) +
                         u"\nX-GNOME-Autostart-enabled=true\n"_s;
    return text.toUtf8();
}

} // namespace orvanel::platform
