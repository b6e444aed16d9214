#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <vector>

namespace orvanel::testing {

// A second login account, for what another user of the machine can do to the user's
// files and processes. It is made with useradd when the tests run as root and removed
// again with everything it started; otherwise there is none, and a test that needs it
// skips with the reason (ORVANEL_NEEDS_OTHER_ACCOUNT).
class OtherAccount final
{
public:
    OtherAccount();
    ~OtherAccount();
    OtherAccount(const OtherAccount&) = delete;
    OtherAccount& operator=(const OtherAccount&) = delete;

    bool exists() const { return m_uid != uid_t(-1); }
    const QString& whyMissing() const { return m_whyMissing; }
    uid_t uid() const { return m_uid; }
    gid_t gid() const { return m_gid; }

    // Gives the file or folder (not what a link points to) to the account.
    bool give(const QString& path) const;
    // Starts the program as the account, standard streams on /dev/null; its process id,
    // or -1. The process is ended when the account goes away.
    pid_t start(const QString& program, const QStringList& arguments);

private:
    QString m_name;
    uid_t m_uid = uid_t(-1);
    gid_t m_gid = gid_t(-1);
    QString m_whyMissing;
    std::vector<pid_t> m_started;
};

} // namespace orvanel::testing

#define ORVANEL_NEEDS_OTHER_ACCOUNT(account)                                                       \
    if (!(account).exists())                                                                       \
    GTEST_SKIP() << (account).whyMissing().toStdString()
