// The identity read through the boot loader over an in-memory flash of records: the regions in
// their order, each read to its last slot, and the read's own bound.

#include "bootlink/boot_identity.h"
#include "link_test_rig.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace orvo::test {
namespace {

// The record region 1, 2 or 3 holds in every slot (none: erased), and one record at `at`.
struct Flash {
    std::array<const char*, 3> regions;
    std::uint32_t at;
    const char* record;

    std::string Slot(std::uint32_t address) const {
        const char* text = regions[address < 0xA1FC0000 ? 0 : address < 0xA2FC0000 ? 2 : 1];
        if (address == at) text = record;
        return text ? std::string(text) + "       " : std::string(24, '\xFF');
    }
};

TEST(BootIdentity, RegionsInOrderEachReadToItsLastSlot) {
    struct Case {
        const char* name;
        Flash flash;
        int result;
        std::vector<std::pair<std::uint32_t, int>> reads;  // slots read from each first address
        const char* identity;
    };
    const Case cases[] = {
        {"region 2 behind an erased region 1",
         {{}, 0xA2FC0000, "Orvo 4700NBTGER2.04"},
         1,
         {{0xA0040100, 1}, {0xA2FC0000, 1}},
         "Orvo 4700 NBT GER 2.04"},
        {"region 1",
         {{}, 0xA0040100, "Orvo 4700WBTFRE2100"},
         1,
         {{0xA0040100, 1}},
         "Orvo 4700 WBT FRE 2100"},
        {"the last slot of region 3 behind near misses",
         {{nullptr, nullptr, "Arvo 4700WBTGER2.04"}, 0xA1FC0208, "Orvo 4700NBTITA3001"},
         1,
         {{0xA0040100, 1}, {0xA2FC0000, 1}, {0xA1FC0000, 11}},
         "Orvo 4700 NBT ITA 3001"},
        {"near misses everywhere",
         {{"Orvo 4700NBTXYZ2.04", "Orvo 4700WBTger2.04", "Orvo 4700XXXGER2.04"}, 0, nullptr},
         0,
         {{0xA0040100, 73}, {0xA2FC0000, 11}, {0xA1FC0000, 11}},
         "   "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinkRig rig;
        rig.ui.Script(Page::IdentificationError, 0);
        auto reads = std::make_shared<std::vector<std::uint32_t>>();
        auto port = rig.ports.Add("p");
        port->responder = [reads, flash = c.flash](const std::string& written) {
            unsigned address = 0;
            if (std::sscanf(written.c_str(), "QARSreaddata %x 28\rQARE", &address) != 1)
                return std::string();
            reads->push_back(address);
            return "QARS " + flash.Slot(address) + "QARE";
        };
        rig.Connect(port);
        EXPECT_EQ(ReadBootIdentity(rig.link), c.result);
        const DeviceIdentity& device = rig.state.Device;
        EXPECT_EQ(
            device.ModelID + " " + device.RomTypeCode + " " + device.Lang + " " + device.Version,
            c.identity);
        std::vector<std::uint32_t> expected;
        for (const auto& [first, count] : c.reads) {
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
    rig.Connect(rig.ports.Add("p"));
    const Millis start = rig.clock.Now();
    EXPECT_EQ(ReadBootIdentity(rig.link), 0);
    EXPECT_GE(rig.clock.Now() - start, Millis(10000));
    EXPECT_EQ(rig.link.LinkStop, 1);
    EXPECT_TRUE(rig.ui.Opened().empty());
}

}  // namespace
}  // namespace orvo::test
