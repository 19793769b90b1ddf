// The identity read through the boot loader: the three regions, the record test, the fields.

#include "bootlink/boot_identity.h"
#include "fake_boot_loader.h"
#include "link_test_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvo::test {
namespace {

using ::testing::ElementsAre;

// 40 bytes of flash as the boot loader shows them.
std::string Record(const std::string& text) { return text + std::string(40 - text.size(), '.'); }

struct IdentityRig : LinkRig {
    IdentityRig() {
        behaviour = ports.Add("p");
        behaviour->responder = std::ref(boot_loader);
        Connect(behaviour);
    }
    FakeBootLoader boot_loader;
    std::shared_ptr<FakeSerialPort::Behaviour> behaviour;
};

TEST(ReadBootIdentity, RecordInTheFirstSlot) {
    IdentityRig rig;
    rig.boot_loader.records[0xA0040100] = Record("Orvo 4700WBTFRE2.10");
    EXPECT_EQ(ReadBootIdentity(rig.link), 1);
    EXPECT_THAT(rig.boot_loader.ReadAddresses(), ElementsAre(0xA0040100));
    EXPECT_THAT(rig.behaviour->Written(), ElementsAre("QARSreaddata a0040100 28\rQARE"));
    EXPECT_EQ(rig.state.Device.ModelID, "Orvo 4700");
    EXPECT_EQ(rig.state.Device.RomTypeCode, "WBT");
    EXPECT_EQ(rig.state.Device.Lang, "FRE");
    EXPECT_EQ(rig.state.Device.Version, "2.10");
    EXPECT_TRUE(rig.ui.Opened().empty());
}

// An erased first slot skips the rest of its region; a non-record moves one record on; the last
// record of region 3 is still found.
TEST(ReadBootIdentity, SearchMovesThroughTheRegions) {
    IdentityRig rig;
    for (std::uint32_t a = 0xA2FC0000; a <= 0xA2FC0208; a += 0x34) {
        rig.boot_loader.records[a] = Record("Orvo 4700XXXGER2.04");
    }
    for (std::uint32_t a = 0xA1FC0000; a < 0xA1FC0208; a += 0x34) {
        rig.boot_loader.records[a] = Record("nothing here");
    }
    rig.boot_loader.records[0xA1FC0208] = Record("Orvo 4700NBTCHS1.01");
    EXPECT_EQ(ReadBootIdentity(rig.link), 1);
    const std::vector<std::uint32_t> asked = rig.boot_loader.ReadAddresses();
    ASSERT_EQ(asked.size(), 1u + 11u + 11u);
    EXPECT_EQ(asked[0], 0xA0040100u);
    EXPECT_EQ(asked[1], 0xA2FC0000u);
    EXPECT_EQ(asked[2], 0xA2FC0034u);
    EXPECT_EQ(asked[12], 0xA1FC0000u);
    EXPECT_EQ(asked.back(), 0xA1FC0208u);
    EXPECT_EQ(rig.state.Device.Lang, "CHS");
}

TEST(ReadBootIdentity, NotFoundClearsAllButTheRomTypeAndShowsThePage) {
    IdentityRig rig;
    rig.boot_loader.records[0xA0040100] = Record("Orvo 4700WBTXYZ2.10");
    for (std::uint32_t first : {0xA0040134u, 0xA2FC0000u, 0xA1FC0000u}) {
        for (std::uint32_t a = first; a < first + 73 * 0x34; a += 0x34) {
            rig.boot_loader.records[a] = Record("Orvo 4700 GER but no type");
        }
    }
    rig.state.Device = {"Orvo 4700", "NBT", "GER", "2.04", "German", 32};
    rig.ui.Script(Page::IdentificationError, 0);
    EXPECT_EQ(ReadBootIdentity(rig.link), 0);
    EXPECT_EQ(rig.boot_loader.ReadAddresses().size(), 73u + 11u + 11u);
    EXPECT_EQ(rig.state.Device.ModelID, "");
    EXPECT_EQ(rig.state.Device.Lang, "");
    EXPECT_EQ(rig.state.Device.Version, "");
    EXPECT_EQ(rig.state.Device.RomTypeCode, "NBT");
    EXPECT_THAT(rig.ui.Opened(), ElementsAre(Page::IdentificationError));
    EXPECT_TRUE(rig.log.Has("\r\n Line 5182: dwAddress>(0xA1FCFF00 - 0x34)"));
}

TEST(ReadBootIdentity, RecordTest) {
    EXPECT_TRUE(IsIdentityRecord("QARS Orvo 4700NBTGER2.04QARE"));
    EXPECT_FALSE(IsIdentityRecord("QARS Orvo 4700XXXGER2.04QARE"));
    EXPECT_FALSE(IsIdentityRecord("QARS Orvo 4700WBTger2.04QARE"));
    EXPECT_FALSE(IsIdentityRecord("QARS Arvo 4700WBTGER2.04QARE"));
}

// A silent boot loader: with a progress page its watchdog stops the link after 10 s; without one
// the read gives up by itself. Neither shows a page.
TEST(ReadBootIdentity, SilenceEndsTheReadWithoutAPage) {
    for (bool page : {true, false}) {
        IdentityRig rig;
        rig.behaviour->responder = nullptr;
        if (!page) rig.ui.EndWatchdog();
        const auto start = rig.clock.Now();
        EXPECT_EQ(ReadBootIdentity(rig.link), 0);
        const auto waited = rig.clock.Now() - start;
        EXPECT_GE(waited, Millis(9000));
        EXPECT_LE(waited, Millis(30000));
        EXPECT_EQ(rig.link.LinkStop, 1);
        EXPECT_TRUE(rig.ui.Opened().empty());
        if (page) {
            EXPECT_EQ(rig.ui.WaitProgressEnd(std::chrono::seconds(5)), 2);
        } else {
            EXPECT_EQ(rig.ui.ProgressEnd(), std::nullopt);
        }
    }
}

}  // namespace
}  // namespace orvo::test
