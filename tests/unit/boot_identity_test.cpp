// The identity read through the boot loader over an in-memory flash of records: the regions in
// their order, each read to its last slot, and the read's own bound.

#include "bootlink/boot_identity.h"
#include "unit/test_support.h"

#include <gtest/gtest.h>

namespace orvo::testing {
namespace {

TEST(BootIdentity, RegionsInOrderEachReadToItsLastSlot) {
    // What each slot of regions 1, 2 and 3 holds (none: erased) but the one `at`, which holds
    // `record`; how many slots of each region are read.
    struct Case {
        const char *name, *region_1, *region_2, *region_3;
        std::uint32_t at;
        const char* record;
        int result, reads_1, reads_2, reads_3;
        const char* identity;
    };
    const Case cases[] = {
        {"region 2 behind an erased region 1", nullptr, nullptr, nullptr, 0xA2FC0000,
         "Orvo 4700NBTGER2.04", 1, 1, 1, 0, "Orvo 4700 NBT GER 2.04"},
        {"region 1", nullptr, nullptr, nullptr, 0xA0040100, "Orvo 4700WBTFRE2100", 1, 1, 0, 0,
         "Orvo 4700 WBT FRE 2100"},
        {"the last slot of region 3 behind near misses", nullptr, nullptr, "Arvo 4700WBTGER2.04",
         0xA1FC0208, "Orvo 4700NBTITA3001", 1, 1, 1, 11, "Orvo 4700 NBT ITA 3001"},
        {"near misses everywhere", "Orvo 4700NBTXYZ2.04", "Orvo 4700WBTger2.04",
         "Orvo 4700XXXGER2.04", 0, nullptr, 0, 73, 11, 11, "   "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A clock only 20 times faster: on a loaded machine a pause between two of the many reads
        // must not pass for the boot loader's silence.
        LinkRig rig(20);
        rig.ui.Script(Page::IdentificationError, 0);
        auto reads = std::make_shared<std::vector<std::uint32_t>>();
        rig.line->responder = [reads, &c](const std::string& written) -> std::string {
            unsigned address = 0;
            if (std::sscanf(written.c_str(), "QARSreaddata %x 28\rQARE", &address) != 1) return {};
            reads->push_back(address);
            const char* text = address == c.at        ? c.record
                               : address < 0xA1FC0000 ? c.region_1
                               : address < 0xA2FC0000 ? c.region_3
                                                      : c.region_2;
            return "QARS " + (text ? text + std::string(7, ' ') : std::string(24, '\xFF')) + "QARE";
        };
        rig.Connect();
        EXPECT_EQ(ReadBootIdentity(rig.link), c.result);
        const DeviceIdentity& d = rig.state.Device;
        EXPECT_EQ(d.ModelID + " " + d.RomTypeCode + " " + d.Lang + " " + d.Version, c.identity);
        std::vector<std::uint32_t> expected;
        for (const auto& [first, count] : {std::pair{0xA0040100u, c.reads_1},
                                           {0xA2FC0000u, c.reads_2},
                                           {0xA1FC0000u, c.reads_3}}) {
            for (int i = 0; i < count; ++i) expected.push_back(first + 0x34 * i);
        }
        EXPECT_EQ(*reads, expected);
        EXPECT_EQ(rig.ui.Opened().size(), c.result ? 0u : 1u);
    }
}

// Without a progress page no watchdog ends a silent identity read: it gives up by itself.
TEST(BootIdentity, SilenceWithoutAPageEndsTheRead) {
    LinkRig rig;
    rig.ui.EndWatchdog();
    rig.Connect();
    const Millis start = rig.clock.Now();
    EXPECT_EQ(ReadBootIdentity(rig.link), 0);
    EXPECT_GE(rig.clock.Now() - start, Millis(10000));
    EXPECT_EQ(rig.link.LinkStop, 1);
    EXPECT_TRUE(rig.ui.Opened().empty());
}

}  // namespace
}  // namespace orvo::testing
