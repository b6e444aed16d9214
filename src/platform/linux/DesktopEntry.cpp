#include "platform/linux/DesktopEntry.h"

#include <QList>

#include <algorithm>

namespace orvanel::platform {

namespace {

const QString kMainGroup = QStringLiteral("[Desktop Entry]");

bool isSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// "Key = value" → key and value; false for anything else.
bool splitKeyLine(QStringView line, QStringView* key, QStringView* value)
{
    const qsizetype equals = line.indexOf(QLatin1Char('='));
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
    for (QStringView line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        while (!line.isEmpty() && isSpace(line.front()))
            line = line.mid(1);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
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
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out.append(c);
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's':
            out.append(QLatin1Char(' '));
            break;
        case 'n':
            out.append(QLatin1Char('\n'));
            break;
        case 't':
            out.append(QLatin1Char('\t'));
            break;
        case 'r':
            out.append(QLatin1Char('\r'));
            break;
        case '\\':
            out.append(QLatin1Char('\\'));
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
            out.append(QLatin1String("\\\\"));
            break;
        case '\n':
            out.append(QLatin1String("\\n"));
            break;
        case '\t':
            out.append(QLatin1String("\\t"));
            break;
        case '\r':
            out.append(QLatin1String("\\r"));
            break;
        case ' ': // a leading blank would be taken for the space around "="
            out.append(i == 0 ? QStringLiteral("\\s") : QStringLiteral(" "));
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
            if (c == QLatin1Char('"')) {
                quoted = false;
            } else if (c == QLatin1Char('\\') && i + 1 < exec.size() &&
                       QStringView(u"\"`$\\").contains(exec[i + 1])) {
                current.append(exec[++i]);
            } else if (c == QLatin1Char('%') && i + 1 < exec.size()) {
                if (exec[i + 1] == QLatin1Char('%'))
                    current.append(QLatin1Char('%'));
                else if (!isFieldCode(exec[i + 1]))
                    current.append(c).append(exec[i + 1]);
                ++i;
            } else {
                current.append(c);
            }
            continue;
        }
        if (isSpace(c) || c == QLatin1Char('\n')) {
            finish();
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            inWord = true;
            onlyCodes = false;
        } else if (c == QLatin1Char('%') && i + 1 < exec.size() && isFieldCode(exec[i + 1])) {
            inWord = true;
            ++i;
        } else if (c == QLatin1Char('%') && i + 1 < exec.size() &&
                   exec[i + 1] == QLatin1Char('%')) {
            current.append(QLatin1Char('%'));
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
    doubled.replace(QLatin1Char('%'), QLatin1String("%%"));
    const bool needsQuotes =
        argument.isEmpty() || std::any_of(argument.begin(), argument.end(), isReservedInExec);
    if (!needsQuotes)
        return doubled;
    QString out = QStringLiteral("\"");
    for (const QChar c : doubled) {
        if (QStringView(u"\"`$\\").contains(c))
            out.append(QLatin1Char('\\'));
        out.append(c);
    }
    out.append(QLatin1Char('"'));
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
        const bool group = arg.isEmpty() || arg.contains(QLatin1Char(' ')) ||
                           arg.contains(QLatin1Char('\t')) || arg.contains(QLatin1Char('"'));
        words.append(group ? QLatin1Char('"') + arg + QLatin1Char('"') : arg);
    }
    return words.join(QLatin1Char(' '));
}

QByteArray autostartEntryText(const QString& name, const QString& programPath)
{
    // TryExec: once the program is removed, the session skips the entry it left behind
    // instead of failing to start it at every login.
    const QString text = kMainGroup + QStringLiteral("\nType=Application\nName=") +
                         escapeValue(name) + QStringLiteral("\nExec=") +
                         escapeValue(quoteExecArgument(programPath)) +
                         QStringLiteral("\nTryExec=") + escapeValue(programPath) +
                         QStringLiteral("\nX-GNOME-Autostart-enabled=true\n");
    return text.toUtf8();
}

} // namespace orvanel::platform
