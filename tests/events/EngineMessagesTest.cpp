#include "events/EngineMessages.h"

#include "workspace/EngineControl.h"
#include "workspace/PanelState.h"

#include "support/Doubles.h"

#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

class EngineMessagesTest : public ::testing::Test
{
protected:
    QStringList notifications() const
    {
        QStringList texts;
        for (const auto& call : fake.spawner.calls) {
            EXPECT_EQ(call.name, u"msgs.exe"_s);
            texts.append(call.arguments.join(u' '));
        }
        return texts;
    }

    std::unique_ptr<QLocalSocket> connectClient()
    {
        auto client = std::make_unique<QLocalSocket>();
        client->connectToServer(messages.socketPath());
        EXPECT_TRUE(client->waitForConnected(5000));
        return client;
    }

    FakePlatform fake;
    PanelState state;
    EngineControl engines{u"/ws/"_s, fake.processes, fake.spawner, fake.probe};
    EngineMessages messages{engines, state};
    QTemporaryDir runtime;
};

TEST_F(EngineMessagesTest, RegistryChangeNotifiesAboveLevelOne)
{
    const struct
    {
        const char* line;
        int level;
        bool notified;
    } cases[] = {
        {"2997 2997", 2, true},
        {"2997 2997", 3, true},
        {"2997 2997", 1, false},
        {" 2997  2997 ", 2, true},
        {"2997 5", 2, false},
        {"5 2997", 2, false},
        {"2997", 2, false},
        {"2997 2997 1", 2, false},
        {"0xBB5 0xBB5", 2, false},
        {"garbage", 2, false},
        {"", 2, false},
        {"2997 29970000000000", 2, false},
    };
    for (const auto& c : cases) {
        fake.spawner.calls.clear();
        state.alertLevel = c.level;
        messages.handleLine(c.line);
        EXPECT_EQ(notifications(), c.notified ? QStringList{u"change;registre"_s} : QStringList())
            << '"' << c.line << "\" at level " << c.level;
    }
}

TEST_F(EngineMessagesTest, LinesArriveOnTheLocalSocket)
{
    ASSERT_TRUE(messages.listen(runtime.filePath(u"Orvanel.sock"_s)));
    state.alertLevel = 2;
    auto client = connectClient();
    client->write("2997 2997\r\n2997 1\n2997 29");
    client->flush();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !fake.spawner.calls.empty(); }, 5000));
    client->write("97\n");
    client->flush();
    EXPECT_TRUE(QTest::qWaitFor([&] { return fake.spawner.calls.size() == 2; }, 5000));
    EXPECT_EQ(notifications(), QStringList({u"change;registre"_s, u"change;registre"_s}));
}

TEST_F(EngineMessagesTest, HostileClientsAreDroppedWithoutHoldingUpOthers)
{
    ASSERT_TRUE(messages.listen(runtime.filePath(u"Orvanel.sock"_s)));
    state.alertLevel = 2;
    auto silent = connectClient();
    auto flooding = connectClient();
    flooding->write(QByteArray(1024 * 1024, 'x'));
    auto chatty = connectClient();
    QByteArray many;
    for (int i = 0; i < 100; ++i)
        many += "2997 2997\n";
    chatty->write(many);

    // The megabyte line and the flood of messages cost their senders the connection.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            flooding->flush();
            chatty->flush();
            return flooding->state() == QLocalSocket::UnconnectedState &&
                   chatty->state() == QLocalSocket::UnconnectedState;
        },
        5000));
    EXPECT_EQ(int(fake.spawner.calls.size()), EngineMessages::LinesPerClient);

    // The silent client is still connected, and a well-behaved engine is heard.
    fake.spawner.calls.clear();
    auto engine = connectClient();
    engine->write("2997 2997\n");
    engine->flush();
    EXPECT_TRUE(QTest::qWaitFor([&] { return fake.spawner.calls.size() == 1; }, 5000));
    EXPECT_EQ(silent->state(), QLocalSocket::ConnectedState);
}

TEST_F(EngineMessagesTest, SocketLeftByAnEarlierRunIsReplaced)
{
    const QString path = runtime.filePath(u"Orvanel.sock"_s);
    {
        EngineMessages earlier(engines, state);
        ASSERT_TRUE(earlier.listen(path));
    }
    QFile(path).open(QIODevice::WriteOnly); // a stale file in its place
    ASSERT_TRUE(messages.listen(path));
    state.alertLevel = 3;
    auto client = connectClient();
    client->write("2997 2997\n");
    client->flush();
    EXPECT_TRUE(QTest::qWaitFor([&] { return fake.spawner.calls.size() == 1; }, 5000));
}

} // namespace
} // namespace orvanel::testing
