// The port search and the identity read over real pseudo-terminals against handheld-sim.

#include "bootlink/boot_identity.h"
#include "bootlink/boot_port.h"
#include "bootlink/link_commands.h"
#include "sim_link_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

namespace orvo::simtest {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

// Each kind of port answers with its own test text, after the ports before it in the order.
TEST(SimPortSearch, OrderAndTestTextOnEachKindOfPort) {
    struct Case {
        const char* link;
        std::size_t attempts;
        int serial;
        const char* test_text;
    };
    for (const Case& c : {Case{"com1", 1, 1, "COM1 Port Test"}, Case{"usb1", 2, 0, "USB Port Test"},
                          Case{"com2", 4, 1, "COM2 Port Test"}}) {
        SimLinkRig rig({"--mode", "bootloader", "--link", c.link});
        ASSERT_TRUE(rig.sim.running());
        rig.state.SerialLink = 1 - c.serial;
        EXPECT_EQ(OpenBootPort(rig.link), 1) << c.link;
        const PortCandidates ports = SimPorts(rig.sim);
        std::vector<std::string> expected;
        for (std::size_t i = 0; i < c.attempts; ++i) expected.push_back(ports[i].path);
        EXPECT_THAT(rig.ports.Opened(), ElementsAreArray(expected)) << c.link;
        EXPECT_EQ(rig.state.SerialLink, c.serial) << c.link;
        EXPECT_THAT(rig.sim.State(),
                    HasSubstr(std::string("\"commands\":[\"") + c.test_text + "\"]"))
            << c.link;
    }
}

// A boot loader that takes bytes and answers nothing: each port twice, then no port open.
TEST(SimPortSearch, SilentBootLoader) {
    SimLinkRig rig({"--mode", "bootloader"});
    ASSERT_EQ(rig.sim.Control("silent on"), "ok");
    EXPECT_EQ(OpenBootPort(rig.link), 0);
    EXPECT_EQ(rig.ports.Opened().size(), 8u);
    EXPECT_FALSE(rig.link.hPort.IsOpen());
    EXPECT_EQ(rig.link.ReaderReady, 0);
}

std::string HexOf(const std::string& text) {
    std::string hex;
    for (unsigned char c : text) hex += Hex(c).size() == 1 ? "0" + Hex(c) : Hex(c);
    return hex + "00";
}

std::string AddressList(const std::vector<std::uint32_t>& addresses) {
    std::string list = "\"readdata\":[";
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        char text[16];
        std::snprintf(text, sizeof text, "\"0x%08X\"", addresses[i]);
        list += (i ? "," : "") + std::string(text);
    }
    return list + "]";
}

struct IdentityCase {
    const char* name;
    std::vector<std::string> controls;  // what is done to the flash first
    int result;
    std::vector<std::uint32_t> reads;  // readdata addresses asked for, in order
    const char* lang;
};

// The factory record in region 2; a record written to the reserve area; one at the last slot of
// region 3 (the slots before it hold other data); none at all.
TEST(SimIdentity, FoundInEachRegionAndNotFound) {
    std::vector<std::string> region_3 = {"flash erase A2FC0000 40"};
    std::vector<std::uint32_t> region_3_reads = {0xA0040100, 0xA2FC0000};
    for (std::uint32_t a = 0xA1FC0000; a <= 0xA1FC0208; a += 0x34) {
        region_3.push_back("flash write " + Hex(a) + " " + HexOf("not an identity record"));
        region_3_reads.push_back(a);
    }
    region_3.push_back("flash write a1fc0208 " + HexOf("Orvo 4700NBTITA3001"));
    const IdentityCase cases[] = {
        {"region 2", {}, 1, {0xA0040100, 0xA2FC0000}, "GER"},
        {"region 1",
         {"flash write a0040100 " + HexOf("Orvo 4700NBTFRE2100")},
         1,
         {0xA0040100},
         "FRE"},
        {"region 3", region_3, 1, region_3_reads, "ITA"},
        {"nowhere",
         {"flash erase A2FC0000 40", "flash erase A1FC0000 40"},
         0,
         {0xA0040100, 0xA2FC0000, 0xA1FC0000},
         ""},
    };
    for (const IdentityCase& c : cases) {
        SimLinkRig rig({"--mode", "bootloader"});
        for (const std::string& control : c.controls) {
            ASSERT_EQ(rig.sim.Control(control), "ok") << c.name << ": " << control;
        }
        ASSERT_EQ(OpenBootPort(rig.link), 1) << c.name;
        rig.ui.Script(Page::IdentificationError, 0);
        EnterFramedMode(rig.link);
        EXPECT_EQ(ReadBootIdentity(rig.link), c.result) << c.name;
        LeaveFramedMode(rig.link);
        EXPECT_EQ(rig.state.Device.Lang, c.lang) << c.name;
        // The simulator takes the framed command that leaves framed mode a moment later.
        std::string state = rig.sim.State();
        for (int i = 0; i < 100 && state.find("\"framed\":false") == std::string::npos; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            state = rig.sim.State();
        }
        EXPECT_THAT(state, HasSubstr(AddressList(c.reads))) << c.name;
        EXPECT_THAT(state, HasSubstr("\"framed\":false")) << c.name;
        EXPECT_THAT(state, HasSubstr("\"errors\":[]")) << c.name;
        EXPECT_EQ(rig.ui.Opened().size(), c.result ? 0u : 1u) << c.name;
    }
}

}  // namespace
}  // namespace orvo::simtest
