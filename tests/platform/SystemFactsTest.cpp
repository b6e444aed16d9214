// The host lookup, the memory figures, the heap and the clock of the machine the tests run
// on.
#include "platform/linux/FreeHeap.h"
#include "platform/linux/ProcMemoryStatus.h"
#include "platform/linux/SocketHostLookup.h"
#include "platform/linux/SystemClock.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <vector>

using namespace orvanel::platform;

namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

bool isDottedQuad(const QString& address)
{
    static const QRegularExpression quad(q("^\\d{1,3}(\\.\\d{1,3}){3}$"));
    return quad.match(address).hasMatch();
}

TEST(HostLookup, NameAndFirstAddressOfThisMachine)
{
    const HostLookupResult result = SocketHostLookup().lookup();
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.hostName, QSysInfo::machineHostName());
    EXPECT_TRUE(result.error.isEmpty());
    // A machine whose name does not resolve has no address, which is still a success.
    EXPECT_TRUE(result.address.isEmpty() || isDottedQuad(result.address))
        << result.address.toStdString();
}

TEST(HostLookup, AddressOfKnownAndUnknownNames)
{
    EXPECT_EQ(SocketHostLookup::firstAddress("localhost"), q("127.0.0.1"));
    EXPECT_EQ(SocketHostLookup::firstAddress("10.1.2.3"), q("10.1.2.3"));
    EXPECT_TRUE(SocketHostLookup::firstAddress("").isEmpty());
}

TEST(HostLookup, ErrorTextsOfTheSocketsErrors)
{
    struct Case
    {
        int error;
        const char* text;
    };
    const Case cases[] = {
        {EINPROGRESS, "WSAEInProgress"},
        {EALREADY, "WSAEInProgress"},
        {EINTR, "WSAEInProgress"},
        {EAGAIN, "WSAEInProgress"},
        {ENETDOWN, "WSAENetDown"},
        {ENETUNREACH, "WSAENetDown"},
        {ENOSYS, "WSANotInitialised"},
        {ENAMETOOLONG, ""},
        {EFAULT, ""},
        {EINVAL, ""},
        {0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SocketHostLookup::errorText(c.error), q(c.text)) << c.error;
}

TEST(MemoryStatus, FiguresOfThisMachineAreSane)
{
    const MemorySnapshot m = ProcMemoryStatus().read();
    EXPECT_GT(m.totalPhysical, m.availablePhysical);
    EXPECT_GT(m.availablePhysical, 0u);
    EXPECT_GE(m.totalSwap, m.freeSwap);
    EXPECT_GE(m.loadPercent, 0);
    EXPECT_LE(m.loadPercent, 100);
}

TEST(MemoryStatus, ReadsTheGivenFile)
{
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write("MemTotal: 2000 kB\nMemAvailable: 500 kB\nSwapTotal: 0 kB\nSwapFree: 0 kB\n");
    file.flush();
    const MemorySnapshot m = ProcMemoryStatus(QFile::encodeName(file.fileName())).read();
    EXPECT_EQ(m.totalPhysical, 2000u * 1024);
    EXPECT_EQ(m.availablePhysical, 500u * 1024);
    EXPECT_EQ(m.loadPercent, 75);
    EXPECT_EQ(ProcMemoryStatus("/nonexistent/meminfo").read().totalPhysical, 0u);
}

// Pages freed below a block still in use stay with the heap until they are handed back.
TEST(FreeHeap, HandsFreedPagesBackToTheSystem)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer keeps the heap of its own";
#else
    std::vector<std::unique_ptr<char[]>> blocks;
    for (int n = 0; n < 2048; ++n) {
        blocks.push_back(std::make_unique<char[]>(4000));
        blocks.back()[0] = char(n);
    }
    blocks.erase(blocks.begin(), blocks.end() - 1);
    EXPECT_TRUE(releaseFreeHeap());
#endif
}

TEST(SystemClock, ShowsTheCurrentTimeInTheSystemsLongFormat)
{
    // Many locales put the hour or the seconds after the first ":" (fr_CH, ja_JP) or
    // write other digits: the text is for showing, never for reading the minute back.
    const SystemClock clock;
    EXPECT_LT(qAbs(clock.now().secsTo(QDateTime::currentDateTime())), 60);
    const QString text = clock.longTimeText();
    const QTime time = QLocale::system().toTime(text, QLocale::LongFormat);
    EXPECT_FALSE(text.isEmpty());
    if (time.isValid()) {
        EXPECT_LT(qAbs(time.secsTo(QTime::currentTime())), 60) << text.toStdString();
    }
}

} // namespace
