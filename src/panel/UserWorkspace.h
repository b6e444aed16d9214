#pragma once

#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <optional>

// Where the panel keeps its workspace.
//
// Run from the build tree, the workspace is the folder of the program file: the panel,
// the engine programs and the language and link files lie side by side there.
//
// An installed panel finds a layout file beside itself, written by the install step. It
// never writes its own folder: each user's workspace is $XDG_DATA_HOME/orvanel/. The
// start copies the engine programs and the shipped language, link and signature files
// into it, so that the engines, which work in the folder of their own program file, work
// in the user's workspace too. Those copies are the program's and are replaced whenever
// the installed files change; every other file of the workspace is the user's and is
// never touched here.
namespace orvanel::install {

using namespace Qt::StringLiterals;

inline constexpr auto LayoutFileName = "orvanel.layout"_L1;
inline constexpr auto WorkspaceFolderName = "orvanel"_L1;

// The parts of an installed program.
struct Layout
{
    QString programDir; // the panel and the engine programs, with a trailing "/"
    QString dataDir;    // language, link and signature files, with a trailing "/"
    QString launcher;   // the command that the session's autostart entry names
};

// A layout file's text: "key=value" lines, "#" comments. "launcher" and "data" are paths
// relative to the program folder (or absolute). Nothing, with the reason in `error`, when
// a key is missing.
std::optional<Layout> parseLayout(const QString& programDir, QStringView text, QString* error);

// The layout beside the program folder `programDir` (with its trailing "/"). Nothing and
// no error when there is no layout file: the program runs from the build tree.
std::optional<Layout> readLayout(const QString& programDir, QString* error);

// The workspace directory of a program file: its folder, symbolic links resolved, with
// a trailing "/".
QString workspaceDirOf(const QString& programFile);

// $XDG_DATA_HOME/orvanel/ when `xdgDataHome` is an absolute path, else
// <home>/.local/share/orvanel/; empty when neither gives an absolute folder.
QString userWorkspaceDir(const QString& xdgDataHome, const QString& home);

// Makes `workspaceDir` ready for the installed program of `layout`: the folder (mode
// 0700 when it is made here) must be the effective user's, and so must the nearest folder
// above it that exists before it is made, so that a panel started with another user's
// environment never writes into that user's home. Then every engine program and every
// file of the data folder is copied in when its copy is missing or differs in size or
// modification time from the installed one; a copy is written beside the old one and
// renamed over it, so a link in its place is replaced, never written through.
bool prepareWorkspace(const Layout& layout, const QString& workspaceDir, QString* error);

// Why the folder must not be the workspace (links resolved): no folder, another user's, or one that
// group or others can write, who could then put programs of their own under the engines' names.
// Empty when it may.
QString workspaceRefusal(const QString& dir);

// What the process start needs to know.
struct Location
{
    QString workspaceDir;     // with a trailing "/"; empty on failure
    QString autostartCommand; // what the autostart entry names
    QString error;            // why the workspace cannot be used
};

// The workspace of the program file `programFile` (symbolic links resolved), prepared
// when the program is installed; the user's folders come from the environment.
Location locateWorkspace(const QString& programFile);

} // namespace orvanel::install
