// The engines' answer files as the panel shows them.
#include "workspace/EngineAnswers.h"
#include "workspace/SideFiles.h"

#include <gtest/gtest.h>

namespace orvanel {
namespace {

using namespace Qt::StringLiterals;

TEST(EngineAnswers, ResolverAddressAndApplicationPorts)
{
    struct Case
    {
        QByteArray file;
        std::optional<QString> address; // ipcp.txt
        QStringList ports;              // portappli.txt
    };
    const Case cases[] = {
        {"", std::nullopt, {}},
        {"example.org\r\n93.184.216.34\r\n", u"93.184.216.34"_s, {u"example.org"_s}},
        {"93.184.216.34", u"93.184.216.34"_s, {}},
        {"name\r\naddress: 10.0.0.1 (v4)\r\n", u"10.0.0.14"_s, {u"name"_s}},
        {"name\r\n\r\n", QString(), {u"name"_s}},
        {"TCP 22 sshd /usr/sbin/sshd\r\nUDP 5353 ? ?\r\n2\r\n",
         u"2"_s,
         {u"TCP 22 sshd /usr/sbin/sshd"_s, u"UDP 5353 ? ?"_s}},
    };
    for (const Case& c : cases) {
        const QStringList lines = sidefiles::decodeLines(c.file);
        EXPECT_EQ(sidefiles::resolvedAddress(lines), c.address) << c.file.constData();
        EXPECT_EQ(sidefiles::applicationPorts(lines), c.ports) << c.file.constData();
    }
}

} // namespace
} // namespace orvanel
