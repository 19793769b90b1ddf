// The identity read through the boot loader: the record test, the fields, the limits of the three
// regions and a silent boot loader. (Found in each region over real ports: link_sim_test.)

#include "bootlink/boot_identity.h"
#include "fake_boot_loader.h"
#include "link_test_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvo::test {
namespace {

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

TEST(ReadBootIdentity, RecordTestAndFields) {
    EXPECT_FALSE(IsIdentityRecord("QARS Orvo 4700XXXGER2.04QARE"));
    EXPECT_FALSE(IsIdentityRecord("QARS Orvo 4700WBTger2.04QARE"));
    EXPECT_FALSE(IsIdentityRecord("QARS Arvo 4700WBTGER2.04QARE"));
    IdentityRig rig;
    rig.boot_loader.records[0xA0040100] = Record("Orvo 4700WBTFRE2.10");
    EXPECT_EQ(ReadBootIdentity(rig.link), 1);
    EXPECT_THAT(rig.boot_loader.ReadAddresses(), ::testing::ElementsAre(0xA0040100));
    EXPECT_EQ(rig.state.Device.ModelID, "Orvo 4700");
    EXPECT_EQ(rig.state.Device.RomTypeCode, "WBT");
    EXPECT_EQ(rig.state.Device.Lang, "FRE");
    EXPECT_EQ(rig.state.Device.Version, "2.10");
    EXPECT_TRUE(rig.ui.Opened().empty());
}

// Every slot of every region holds something that is no record: each region is read to its last
// slot, then the search gives up with the page.
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
    EXPECT_THAT(rig.ui.Opened(), ::testing::ElementsAre(Page::IdentificationError));
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
