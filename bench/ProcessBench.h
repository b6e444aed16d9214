#pragma once

// Helpers of the benchmarks that run the engine programs: an engine's environment with a
// home of its own, and programs started or run to their end with their output discarded.

#include <QFile>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace orvanel::bench {

using namespace Qt::StringLiterals;

// The environment of an engine with its own home and no ClamAV system folder (only the
// databases the benchmark names are loaded).
inline QProcessEnvironment engineEnvironment(const QString& home, const QString& systemDatabases)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, home);
    environment.insert(u"XDG_DATA_HOME"_s, home + u"/.local/share"_s);
    environment.insert(u"XDG_CONFIG_HOME"_s, home + u"/.config"_s);
    environment.insert(u"ORVANEL_CLAMAV_SYSTEM_DIR"_s, systemDatabases);
    return environment;
}

// Starts a program, output to /dev/null; its process id, or -1.
inline pid_t spawnQuiet(const QString& program, const QStringList& arguments,
                        const QProcessEnvironment& environment)
{
    std::vector<std::string> strings{QFile::encodeName(program).toStdString()};
    for (const QString& argument : arguments)
        strings.push_back(argument.toStdString());
    std::vector<std::string> envStrings;
    for (const QString& entry : environment.toStringList())
        envStrings.push_back(entry.toStdString());
    std::vector<char*> argv, envp;
    for (std::string& s : strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    for (std::string& s : envStrings)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

// Runs a program to its end; the seconds it took, or a negative number on failure.
inline double runTimed(const QString& program, const QStringList& arguments,
                       const QProcessEnvironment& environment)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = spawnQuiet(program, arguments, environment);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs a program to its end: whether it ended normally with exit code 0.
inline bool
runQuiet(const QString& program, const QStringList& arguments,
         const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    const pid_t pid = spawnQuiet(program, arguments, environment);
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

} // namespace orvanel::bench
