#include "OtherAccount.h"

#include <QFile>
#include <QProcess>

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {

namespace {

bool runTool(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    return tool.waitForFinished(30000) && tool.exitStatus() == QProcess::NormalExit &&
           tool.exitCode() == 0;
}

} // namespace

OtherAccount::OtherAccount()
{
    if (::geteuid() != 0) {
        m_whyMissing = u"a second account can only be made when the tests run as root"_s;
        return;
    }
    m_name = u"orvtest%1"_s.arg(::getpid());
    if (!runTool(u"useradd"_s, {u"-M"_s, u"-N"_s, u"-s"_s, u"/usr/sbin/nologin"_s, m_name})) {
        m_whyMissing = u"useradd could not make the account "_s + m_name;
        m_name.clear();
        return;
    }
    const struct passwd* entry = ::getpwnam(QFile::encodeName(m_name).constData());
    if (!entry) {
        m_whyMissing = u"the new account cannot be found"_s;
        return;
    }
    m_uid = entry->pw_uid;
    m_gid = entry->pw_gid;
}

OtherAccount::~OtherAccount()
{
    for (const pid_t pid : m_started) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    if (!m_name.isEmpty())
        runTool(u"userdel"_s, {m_name});
}

bool OtherAccount::give(const QString& path) const
{
    return exists() && ::lchown(QFile::encodeName(path).constData(), m_uid, m_gid) == 0;
}

pid_t OtherAccount::start(const QString& program, const QStringList& arguments)
{
    if (!exists())
        return -1;
    // Everything the child needs is made before the fork.
    std::vector<QByteArray> words{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        words.push_back(argument.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        if (::setgroups(0, nullptr) == 0 && ::setgid(m_gid) == 0 && ::setuid(m_uid) == 0)
            ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (pid > 0)
        m_started.push_back(pid);
    return pid;
}

} // namespace orvanel::testing
