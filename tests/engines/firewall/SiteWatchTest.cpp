// The engine side of the blocked web sites as plain code: which names are looked up and
// the list handed to the service. The lookups themselves are in the namespace test.

#include "SiteWatch.h"

#include <gtest/gtest.h>

namespace orvanel::netd {
namespace {

using namespace std::chrono_literals;

TEST(SiteWatchTest, OnlyHostNamesAndAddressesAreLookedUp)
{
    const struct
    {
        std::string name;
        bool accepted;
    } cases[] = {
        {"blocked.example", true},
        {"198.51.100.7", true},
        {"2001:db8::7", true},
        {"", false},
        {"two words", false},
        {"line\nend", false},
        {"a/b", false},
        {std::string(253, 'a'), true},
        {std::string(254, 'a'), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isSiteName(c.name), c.accepted) << c.name;
}

TEST(SiteWatchTest, AnAddressNameStandsForItselfWithTheLongestLifetime)
{
    const auto v4 = resolveSiteName("198.51.100.9");
    ASSERT_TRUE(v4);
    EXPECT_EQ(v4->ipv4, std::vector<std::string>{"198.51.100.9"});
    EXPECT_TRUE(v4->ipv6.empty());
    EXPECT_EQ(v4->lifetime + 30s, std::chrono::seconds(SitesRequest::MaxSeconds));
    const auto v6 = resolveSiteName("2001:db8::9");
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->ipv6, std::vector<std::string>{"2001:db8::9"});
    EXPECT_FALSE(resolveSiteName("no name"));
}

TEST(SiteWatchTest, TheServiceGetsEachLiveAddressOnceWithItsLongestTimeLeft)
{
    const auto now = std::chrono::steady_clock::now();
    std::map<std::string, SiteEntry> sites;
    sites["a.example"] = {{}, {"198.51.100.1", "198.51.100.2"}, {"2001:db8::1"}, now, now + 40s};
    sites["b.example"] = {{}, {"198.51.100.2"}, {}, now, now + 90s};
    sites["gone.example"] = {{}, {"198.51.100.3"}, {"2001:db8::3"}, now, now - 1s};
    sites["never.example"] = {}; // not looked up yet
    const SitesRequest request = sitesRequestOf(sites, now);
    EXPECT_EQ(request.ipv4, (std::vector<SiteAddress>{{"198.51.100.1", 40}, {"198.51.100.2", 90}}));
    EXPECT_EQ(request.ipv6, (std::vector<SiteAddress>{{"2001:db8::1", 40}}));
    EXPECT_TRUE(sitesRequestOf({}, now).ipv4.empty());
}

} // namespace
} // namespace orvanel::netd
