// The port search, the identity read and the two downloads over real pseudo-terminals against
// handheld-sim.

#include "bootlink/boot_identity.h"
#include "bootlink/boot_port.h"
#include "bootlink/download.h"
#include "bootlink/link_commands.h"
#include "sim_link_rig.h"
#include "unit/image_test_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

namespace orvo::simtest {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

constexpr std::size_t kBlock = 0x20000;

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

// The slots of a region from its first address on.
std::vector<std::uint32_t> Slots(std::uint32_t first, int count) {
    std::vector<std::uint32_t> slots;
    for (int i = 0; i < count; ++i) slots.push_back(first + static_cast<std::uint32_t>(i) * 0x34);
    return slots;
}

// Appends to `controls` the flash writes that put `text` into each of `slots`.
void WriteSlots(std::vector<std::string>& controls, const std::vector<std::uint32_t>& slots,
                const std::string& text) {
    for (std::uint32_t a : slots) controls.push_back("flash write " + Hex(a) + " " + HexOf(text));
}

struct IdentityCase {
    const char* name;
    std::vector<std::string> controls;  // what is done to the flash first
    int result;
    std::vector<std::uint32_t> reads;  // readdata addresses asked for, in order
    const char* identity;              // model, ROM type, language and version found
};

// The factory record in region 2; a record written to region 1; one at the last slot of region 3;
// records that nearly are one in every slot of every region (each region read to its last slot).
TEST(SimIdentity, FoundInEachRegionAndNotFound) {
    std::vector<std::string> region_3 = {"flash erase A2FC0000 40"};
    WriteSlots(region_3, Slots(0xA1FC0000, 10), "Arvo 4700WBTGER2.04");
    WriteSlots(region_3, {0xA1FC0208}, "Orvo 4700NBTITA3001");
    std::vector<std::uint32_t> region_3_reads = Slots(0xA1FC0000, 11);
    region_3_reads.insert(region_3_reads.begin(), {0xA0040100, 0xA2FC0000});
    // Near misses: no known language, a language in lower case, a ROM type that is none.
    std::vector<std::string> everywhere;
    WriteSlots(everywhere, Slots(0xA0040100, 73), "Orvo 4700NBTXYZ2.04");
    WriteSlots(everywhere, Slots(0xA2FC0000, 11), "Orvo 4700WBTger2.04");
    WriteSlots(everywhere, Slots(0xA1FC0000, 11), "Orvo 4700XXXGER2.04");
    std::vector<std::uint32_t> all_slots = Slots(0xA0040100, 73);
    for (std::uint32_t first : {0xA2FC0000u, 0xA1FC0000u}) {
        for (std::uint32_t a : Slots(first, 11)) all_slots.push_back(a);
    }
    const IdentityCase cases[] = {
        {"region 2", {}, 1, {0xA0040100, 0xA2FC0000}, "Orvo 4700 NBT GER 2.04"},
        {"region 1",
         {"flash write a0040100 " + HexOf("Orvo 4700WBTFRE2100")},
         1,
         {0xA0040100},
         "Orvo 4700 WBT FRE 2100"},
        {"region 3", region_3, 1, region_3_reads, "Orvo 4700 NBT ITA 3001"},
        {"no record anywhere", everywhere, 0, all_slots, "   "},
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
        const DeviceIdentity& device = rig.state.Device;
        EXPECT_EQ(
            device.ModelID + " " + device.RomTypeCode + " " + device.Lang + " " + device.Version,
            c.identity)
            << c.name;
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

// A silent boot loader: with a progress page its watchdog stops the link after 10 s; without one
// the read gives up by itself. Neither shows a page.
TEST(SimIdentity, SilenceEndsTheReadWithoutAPage) {
    for (bool page : {true, false}) {
        SimLinkRig rig({"--mode", "bootloader"});
        ASSERT_EQ(OpenBootPort(rig.link), 1);
        ASSERT_EQ(rig.sim.Control("silent on"), "ok");
        if (!page) rig.ui.EndWatchdog();
        const auto start = rig.clock.Now();
        EXPECT_EQ(ReadBootIdentity(rig.link), 0) << page;
        const auto waited = rig.clock.Now() - start;
        EXPECT_GE(waited, Millis(9000)) << page;
        EXPECT_LE(waited, Millis(30000)) << page;
        EXPECT_EQ(rig.link.LinkStop, 1) << page;
        EXPECT_TRUE(rig.ui.Opened().empty()) << page;
        EXPECT_EQ(page ? rig.ui.WaitProgressEnd(std::chrono::seconds(5)) : rig.ui.ProgressEnd(),
                  page ? std::optional(2) : std::nullopt);
    }
}

// The link on COM1 with an image of `payload_size` bytes beside it.
struct DownloadRig : SimLinkRig {
    explicit DownloadRig(std::size_t payload_size)
        : SimLinkRig({"--mode", "bootloader"}), payload(testing::Payload(payload_size)) {
        state.ImagePath = files.Write("update.nbf", testing::MakeImage({.payload = payload}));
    }
    // Finds the port, runs FlashSequence and waits for the page to end; then ends the reader and
    // the download thread it started, so that a test looks at what they did once they are done.
    std::optional<int> Run() {
        if (OpenBootPort(link) != 1) return std::nullopt;
        FlashSequence(link);
        const std::optional<int> end = ui.WaitProgressEnd(std::chrono::seconds(60));
        link.Stop();
        link.JoinReader();
        if (link.Download.thread.joinable()) link.Download.thread.join();
        return end;
    }
    std::vector<int> Percents() const {
        std::vector<int> percents;
        for (const auto& call : ui.ProgressCalls()) {
            if (call.kind == FakeUi::ProgressCall::Percent) percents.push_back(call.value);
        }
        return percents;
    }

    testing::TempDir files;
    std::vector<std::uint8_t> payload;
};

// Full blocks only, a short last block, an image smaller than one block: the flash holds the
// image from 0xA0040000 on; the first download's percentages truncate; the second counts as 100.
TEST(SimDownload, BothDownloadsByteForByteWithProgress) {
    struct Case {
        std::size_t tail;
        std::vector<int> percents;
    };
    for (const Case& c : {Case{3 * kBlock, {0, 0, 33, 66, 100}},
                          Case{kBlock + 0x1234, {0, 0, 96, 100}}, Case{0x100, {0, 0, 100}}}) {
        DownloadRig rig(0x80000 + c.tail);
        EXPECT_EQ(rig.Run(), 1) << c.tail;
        EXPECT_EQ(Rom(rig.sim, 0x40000, 0x40000 + c.tail),
                  std::vector(rig.payload.begin() + 0x40000, rig.payload.end()))
            << c.tail;
        EXPECT_EQ(rig.state.DownloadStatus, 3) << c.tail;
        EXPECT_EQ(rig.link.CompletedDownloads, 2) << c.tail;
        EXPECT_EQ(rig.settings_cleared, 1) << c.tail;
        EXPECT_EQ(rig.Percents(), c.percents) << c.tail;
    }
}

// Every failure ends the page with 2 well before the 200-second record wait, is not counted,
// keeps the settings record, and a failed first download never sends the second load command.
// A load command that cannot be sent also shows the Update error page and ends the wizard.
// (Writes 0 and 1 are the port test's.)
TEST(SimDownload, FailuresNeverCountAsCompleted) {
    struct Case {
        const char* what;
        std::size_t payload;
        int fail_write_at;
        int status;
        int completed;
        bool update_error;
        const char* log;
    };
    const Case cases[] = {
        {"first load command", 0x80000 + kBlock, 2, 0, 0, true,
         "\r\n Line 202:Write file Error! \r\n"},
        {"write in the first block", 0x80000 + 2 * kBlock, 62, 1, 0, false,
         "\n line 522 : Send string Error!\n"},
        {"write in the last block", 0x80000 + 0x800, 62, 1, 0, false,
         "\nLine 581: Send String fial!\n"},
        {"no record request", 0x80000 + kBlock, -1, 1, 0, false,
         "\n Line 496: Request record 60 seconds time out\n"},
        {"second load command", 0x80000 + 0x800, 135, 2, 1, true,
         "\r\n Line 202:Write file Error! \r\n"},
        {"write in the second download", 0x80000 + 0x800, 142, 3, 1, false,
         "\n line 522 : Send string Error!\n"},
    };
    for (const Case& c : cases) {
        DownloadRig rig(c.payload);
        rig.ports.fail_write_at = c.fail_write_at;
        rig.ports.drop_record_requests = c.fail_write_at < 0;
        rig.ui.Script(Page::UpdateError, 0);
        const auto start = rig.clock.Now();
        EXPECT_EQ(rig.Run(), 2) << c.what;
        EXPECT_LT(rig.clock.Now() - start, Millis(150000)) << c.what;
        EXPECT_TRUE(rig.log.Has(c.log)) << c.what;
        EXPECT_EQ(rig.state.DownloadStatus, c.status) << c.what;
        EXPECT_EQ(rig.link.CompletedDownloads, c.completed) << c.what;
        EXPECT_EQ(rig.sim.State().find("lnb c:\\\\test.nbf A0000000 80000") != std::string::npos,
                  c.status == 3)
            << c.what;
        EXPECT_EQ(rig.settings_cleared, 0) << c.what;
        EXPECT_EQ(rig.ui.Opened(),
                  c.update_error ? std::vector{Page::UpdateError} : std::vector<Page>{})
            << c.what;
        EXPECT_EQ(rig.ui.CloseRequested(), c.update_error) << c.what;
    }
}

}  // namespace
}  // namespace orvo::simtest
