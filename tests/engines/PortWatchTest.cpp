// netstat.exe: portappli.txt lists the listening ports with their programs, regles.xml
// gets one rule per program seen with a socket, alertes.xml an alert when that program's
// file changes. Sockets are opened on the loopback address only.

#include "EngineFixture.h"

#include "protect/PortWatch.h"
#include "protect/ProcNet.h"
#include "workspace/ProgramChecksum.h"

#include <QCoreApplication>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace orvanel;
using namespace orvanel::testing;

// A socket of this test's own process on 127.0.0.1, port chosen by the system.
class LoopbackSocket
{
public:
    explicit LoopbackSocket(int type) : m_fd(::socket(AF_INET, type | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        if (type == SOCK_STREAM)
            ::listen(m_fd, 1);
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~LoopbackSocket() { ::close(m_fd); }
    unsigned port() const { return m_port; }

private:
    int m_fd;
    unsigned m_port = 0;
};

class PortWatchEngine : public EngineFixture
{
protected:
    QStringList ports() const { return lines(QString(names::AppPortsFile)); }

    QList<QStringList> rowsFor(TableId id, const QString& program) const
    {
        QList<QStringList> found;
        for (const QStringList& row : rows(id)) {
            if (row[7] == program)
                found.append(row);
        }
        return found;
    }
};

TEST_F(PortWatchEngine, ListsThePortsThisTestOpensWithItsProgram)
{
    const LoopbackSocket tcp(SOCK_STREAM);
    const LoopbackSocket udp(SOCK_DGRAM);
    auto engine = startResident(u"netstat.exe"_s);
    const QString program = QCoreApplication::applicationFilePath();
    const QString name = QFileInfo(program).fileName();
    const QString tcpLine = u"TCP %1 %2 %3"_s.arg(tcp.port()).arg(name, program);
    const QString udpLine = u"UDP %1 %2 %3"_s.arg(udp.port()).arg(name, program);
    EXPECT_TRUE(waitFor([&] { return ports().contains(tcpLine) && ports().contains(udpLine); }))
        << ports().join(u'\n').toStdString();
    EXPECT_EQ(ports().last(), QString::number(ports().size() - 1)) << "the count comes last";

    // The rule follows the port list.
    EXPECT_TRUE(waitFor([&] { return !rowsFor(TableId::Rules, program).isEmpty(); }));
    const QList<QStringList> rules = rowsFor(TableId::Rules, program);
    ASSERT_EQ(rules.size(), 1) << "one rule per program";
    EXPECT_EQ(rules[0][0], name);
    EXPECT_EQ(rules[0][8], QString::number(*programChecksum(program)));
}

TEST_F(PortWatchEngine, RecordsARuleAndAlertsWhenTheProgramChanges)
{
    const QString program = workspace.path(u"listener"_s);
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANEL_TEST_LISTENER), program));
    auto engine = startResident(u"netstat.exe"_s);
    auto listen = [&] {
        auto process = std::make_unique<QProcess>();
        process->start(program, {});
        EXPECT_TRUE(process->waitForReadyRead(10000));
        const QByteArray port = process->readAllStandardOutput().trimmed();
        return std::pair(std::move(process), port);
    };

    auto [first, port] = listen();
    ASSERT_TRUE(waitFor([&] { return !rowsFor(TableId::Rules, program).isEmpty(); }));
    const QStringList rule = rowsFor(TableId::Rules, program).first();
    EXPECT_EQ(rule[0], u"listener"_s);
    EXPECT_EQ(rule[2], u"TCP "_s + QString::fromLatin1(port));
    EXPECT_EQ(rule[3], u"?"_s);
    EXPECT_EQ(rule[8], QString::number(*programChecksum(program)));
    first.reset(); // ended

    // A program file with more bytes has its middle words elsewhere.
    {
        QFile file(program);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(QByteArray(8192, '\x5a'));
    }
    const QString changed = QString::number(*programChecksum(program));
    ASSERT_NE(changed, rule[8]);
    auto second = listen();
    ASSERT_TRUE(waitFor([&] { return !rowsFor(TableId::Alerts, program).isEmpty(); }));
    const QStringList alert = rowsFor(TableId::Alerts, program).first();
    EXPECT_EQ(alert[0], u"listener"_s);
    EXPECT_EQ(alert[2], u"program changed"_s);
    EXPECT_EQ(alert[8], changed);
    EXPECT_EQ(rowsFor(TableId::Rules, program).size(), 1) << "the rule is kept, not doubled";
    EXPECT_EQ(notifications(1), QStringList{u"program;changed:;listener"_s});
}

TEST(ProcNetText, ReadsTheSocketsOfEachKind)
{
    const std::string tcp = "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when "
                            "retrnsmt   uid  timeout inode\n"
                            "   0: 0100007F:1F90 00000000:0000 0A 00000000:00000000 00:00000000 "
                            "00000000  1000        0 4242 1 0 100 0 0 10 0\n"
                            "   1: 0F02000A:C350 2E1A7D8E:01BB 01 00000000:00000000 02:0000008D "
                            "00000000  1000        0 4343 2 0 20 4 30 10 -1\n"
                            "   2: garbage line\n";
    const auto entries = engines::parseProcNet(tcp, "TCP", false);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].localAddress, "127.0.0.1");
    EXPECT_EQ(entries[0].localPort, 8080u);
    EXPECT_TRUE(entries[0].isListening());
    EXPECT_EQ(entries[0].inode, 4242u);
    EXPECT_EQ(entries[1].remoteAddress, "142.125.26.46");
    EXPECT_EQ(entries[1].remotePort, 443u);
    EXPECT_TRUE(entries[1].isConnected());
    EXPECT_FALSE(entries[1].isListening());

    const std::string udp6 =
        "  sl  local_address                         remote_address                        st "
        "tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode ref pointer drops\n"
        "  1: 00000000000000000000000001000000:0035 00000000000000000000000000000000:0000 07 "
        "00000000:00000000 00:00000000 00000000   101        0 5151 2 0 0\n";
    const auto udp = engines::parseProcNet(udp6, "UDP", true);
    ASSERT_EQ(udp.size(), 1u);
    EXPECT_EQ(udp[0].localAddress, "::1");
    EXPECT_EQ(udp[0].localPort, 53u);
    EXPECT_TRUE(udp[0].isListening());
}

TEST(SocketCounts, OnlyTheTcpAndUdpCountsWithoutMemory)
{
    const std::string_view sockstat = "sockets: used 16\n"
                                      "TCP: inuse 1 orphan 0 tw 0 alloc 1 mem 163\n"
                                      "UDP: inuse 0 mem 0\nUDPLITE: inuse 0\nRAW: inuse 0\n";
    EXPECT_EQ(engines::socketCountsOf(sockstat),
              "TCP: inuse 1 orphan 0 tw 0 alloc 1\nUDP: inuse 0\n");
    EXPECT_EQ(engines::socketCountsOf("TCP6: inuse 2\nUDP6: inuse 1\nRAW6: inuse 0"),
              "TCP6: inuse 2\nUDP6: inuse 1\n");
}

TEST(PortLines, OneLinePerPortAndTheCountLast)
{
    auto socket = [](const char* protocol, unsigned port, unsigned state,
                     unsigned long long inode) {
        engines::SocketEntry entry;
        entry.protocol = protocol;
        entry.localPort = port;
        entry.state = state;
        entry.inode = inode;
        return entry;
    };
    const std::vector<engines::SocketEntry> sockets = {
        socket("TCP", 8080, 0x0A, 1),  socket("TCP", 8080, 0x0A, 2), // IPv4 and IPv6
        socket("UDP", 53, 0x07, 3),    socket("TCP", 22, 0x0A, 4),
        socket("TCP", 40000, 0x01, 5), // connected, not listening
    };
    std::map<unsigned long long, engines::SocketOwner> owners;
    owners[2] = {u"web"_s, u"/opt/web bin/web"_s, 10};
    EXPECT_EQ(engines::portLines(sockets, owners),
              (QStringList{u"TCP 22 ? ?"_s, u"TCP 8080 web /opt/web bin/web"_s, u"UDP 53 ? ?"_s,
                           u"3"_s}));
    EXPECT_EQ(engines::portLines({}, {}), QStringList{u"0"_s});
}

} // namespace
