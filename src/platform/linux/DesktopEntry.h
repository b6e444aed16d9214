#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace orvanel::platform {

// Desktop entry files (*.desktop) as the freedesktop desktop entry rules describe them:
// only what the autostart list and the desktop clean-up need.

// The keys of the [Desktop Entry] group that Orvanel reads. Other groups, comments,
// blank lines and localised keys ("Name[fr]") are passed over; a key given twice keeps its
// first value, as the desktops read it.
struct DesktopEntryKeys
{
    bool hasMainGroup = false;
    std::optional<QString> type;
    std::optional<QString> name;
    std::optional<QString> tryExec;
    std::optional<QString> exec; // as written: string escapes and quoting still in place
    std::optional<QString> url;
};

DesktopEntryKeys parseDesktopEntry(QStringView text);

// The string escapes of a value: \s \n \t \r \\ .
QString unescapeValue(QStringView value);
QString escapeValue(QStringView value);

// An Exec value (already string-unescaped) split into its arguments: blanks separate,
// double quotes group, and inside quotes \" \` \$ \\ stand for the character. Field codes
// (%f %u …) stand for files the desktop would pass; with none passed they vanish, and %%
// is a single %. Answers nothing for an unterminated quote.
std::optional<QStringList> splitExec(QStringView exec);

// One argument written for an Exec value: quoted when it holds a reserved character,
// with % doubled. Still needs escapeValue for the file.
QString quoteExecArgument(const QString& argument);

// The command an autostart entry runs, as one line: a single argument stands alone
// (a program path with blanks stays a plain path, so that it compares equal to the
// path written), several arguments are joined by blanks, those with blanks or double
// quotes in double quotes. An Exec with an unclosed quote is given as written. Nothing
// when Exec is missing.
std::optional<QString> commandOfEntry(const DesktopEntryKeys& entry);

// A complete autostart entry that starts programPath with no argument.
QByteArray autostartEntryText(const QString& name, const QString& programPath);

} // namespace orvanel::platform
