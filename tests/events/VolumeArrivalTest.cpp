#include "events/VolumeArrival.h"

#include "lang/TextTable.h"
#include "workspace/EngineControl.h"

#include "support/Doubles.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

class VolumeArrivalTest : public ::testing::Test
{
protected:
    VolumeArrivalTest() : services(fake.services())
    {
        texts.setLines({u"entry 1"_s});
        QStringList lines;
        for (int entry = 1; entry <= TextTable::Size; ++entry)
            lines.append(u"entry %1"_s.arg(entry));
        texts.setLines(lines);
    }

    std::vector<QStringList> scans() const
    {
        std::vector<QStringList> starts;
        for (const auto& call : fake.spawner.calls) {
            EXPECT_EQ(call.program, u"/ws/scanwapper.exe"_s);
            starts.push_back(call.arguments);
        }
        return starts;
    }

    FakePlatform fake;
    platform::Services services;
    TextTable texts;
    EngineControl engines{u"/ws/"_s, fake.processes, fake.spawner, fake.probe};
};

TEST_F(VolumeArrivalTest, OnlyANewLocalVolumeIsOfferedAndScannedOnYes)
{
    using platform::MountArrival;
    const QString usb = u"/media/ann/USB KEY"_s;
    const struct
    {
        const char* name;
        int flags;
        bool ready;
        bool answer;
        int listResult;
        bool asked;
        bool started;
    } cases[] = {
        {"yes", 0, true, true, 42, true, true},
        {"no", 0, true, false, 42, true, false},
        {"network mount", MountArrival::Network, true, true, 42, false, false},
        {"mount over a mount point", MountArrival::MediaChange, true, true, 42, false, false},
        {"volume not ready", 0, false, true, 42, false, false},
        {"listing fails", 0, true, true, 2, true, false},
    };
    for (const auto& c : cases) {
        fake.prompt.questions.clear();
        fake.volumes.listed.clear();
        fake.spawner.calls.clear();
        VolumeArrival arrival(texts, engines, services);
        fake.prompt.answers = {c.answer};
        fake.volumes.notReady = c.ready ? QStringList() : QStringList{usb};
        fake.volumes.listResult = c.listResult;
        fake.mountWatcher.arrive(usb, c.flags);

        EXPECT_EQ(fake.prompt.questions,
                  c.asked ? QStringList{u"entry 91/media/ann/USB KEY ?"_s} : QStringList())
            << c.name;
        // No answers Yes only: nothing listed, nothing started.
        EXPECT_EQ(fake.volumes.listed.isEmpty(), !(c.asked && c.answer)) << c.name;
        const std::vector<QStringList> expected =
            c.started ? std::vector<QStringList>{{u"3"_s, usb}} : std::vector<QStringList>{};
        EXPECT_EQ(scans(), expected) << c.name;
    }
}

TEST_F(VolumeArrivalTest, SeveralVolumesEachAskTheirOwnQuestion)
{
    VolumeArrival arrival(texts, engines, services);
    fake.prompt.answers = {false, true};
    fake.mountWatcher.arrive(u"/media/a"_s);
    fake.mountWatcher.arrive(u"/media/b"_s);
    EXPECT_EQ(fake.prompt.questions,
              QStringList({u"entry 91/media/a ?"_s, u"entry 91/media/b ?"_s}));
    EXPECT_EQ(scans(), std::vector<QStringList>{QStringList({u"3"_s, u"/media/b"_s})});
}

TEST_F(VolumeArrivalTest, StopsListeningWhenGone)
{
    {
        VolumeArrival arrival(texts, engines, services);
        EXPECT_TRUE(bool(fake.mountWatcher.handler));
    }
    EXPECT_FALSE(bool(fake.mountWatcher.handler));
}

} // namespace
} // namespace orvanel::testing
