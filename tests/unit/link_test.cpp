// The boot-loader line both ways. What the PC sends: the key values, the read-data command, the
// only writer and its failures, and the framing modes (the download's records: download_test).
// What the reader takes: keys, stored answers at their rooms' edges, request bytes, and a USB
// device that goes away (every byte stream keeping to the rooms: the reader's fuzz target). The
// port search, twice over the candidates (each kind of port against the simulated handheld: the
// roads and romflash_test.sh), and the identity read over an in-memory flash of records. The link's
// events and the watchdog timer, on a clock 100 times faster than the wall clock.

#include "bootlink/boot_identity.h"
#include "bootlink/boot_port.h"
#include "bootlink/link_commands.h"
#include "platform/event.h"
#include "platform/watchdog_timer.h"
#include "unit/test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvo::testing {
namespace {

using namespace std::chrono_literals;

// Keys convert up to the first other character; too many digits give the largest value.
TEST(LinkCommands, HexKeysAndTheReadDataCommand) {
    EXPECT_EQ(HexPrefixValue("80000\n"), 0x80000u);
    EXPECT_EQ(HexPrefixValue("1g0"), 1u);
    EXPECT_EQ(HexPrefixValue(""), 0u);
    EXPECT_EQ(HexPrefixValue("123456789"), 0xFFFFFFFFu);
    EXPECT_EQ(ReadDataCommand(0xA0040100), "QARSreaddata a0040100 28\rQARE");
}

// A failed or short write closes the port, stops the link and ends the page within 10 ms; the
// next send is refused without writing.
TEST(SendString, FailedAndShortWritesStopTheLink) {
    for (bool short_write : {false, true}) {
        LinkRig rig;
        rig.line->fail_write_at = 0;
        rig.line->short_write = short_write;
        rig.Connect();
        EXPECT_EQ(SendString(rig.link, "COM1 Port Test\r"), 0) << short_write;
        EXPECT_EQ(rig.link.LinkStop, 1);
        EXPECT_FALSE(rig.link.hPort.IsOpen());
        EXPECT_EQ(rig.ui.WaitProgressEnd(5s), 2);
        EXPECT_FALSE(rig.log.Has("\nReady write file but disconnect\n"));
        EXPECT_EQ(SendString(rig.link, "x\r"), 0);
        EXPECT_TRUE(rig.log.Has("\nReady write file but disconnect\n"));
        EXPECT_TRUE(rig.line->Written().empty());
    }
}

// Entering framed mode again flushes the line first. (The version box, drawn in plain mode, is
// on the roads' screen.)
TEST(FramedMode, FlushedBeforeItIsEnteredAgain) {
    LinkRig rig;
    rig.Connect();
    EnterFramedMode(rig.link);
    EXPECT_EQ(rig.link.FramedMode, 1);
    EnterFramedMode(rig.link);
    EXPECT_EQ(LeaveFramedMode(rig.link), 1);
    EXPECT_EQ(rig.link.FramedMode, 0);
    EXPECT_THAT(rig.line->Written(), ::testing::ElementsAre("$ZIB$\r", "\r\r\r\r\r\r\r\r",
                                                            "$ZIB$\r", "QARS$ZIB$\rQARE"));
}

// A key's value ends at a carriage return or backspace. An answer that fits its room with the
// terminating zero is whole, one byte more is not; a port test answer keeps its test text.
TEST(LineRules, KeysEndAndAnswersAtTheirRoomsEdge) {
    LinkRig rig;
    ApplyLineRules(rig.link, "x:L=1000000\b7 :O=00080000\r\n");
    EXPECT_EQ(rig.link.Download.LengthText.Load(), "1000000");
    EXPECT_EQ(rig.link.Download.OffsetText.Load(), "00080000");
    ApplyLineRules(rig.link, "QARS" + std::string(kAnswerLineRoom - 9, 'a') + "QARE");
    EXPECT_EQ(rig.link.AnswerTooLong, 0);
    ApplyLineRules(rig.link, "QARS" + std::string(kAnswerLineRoom - 8, 'a') + "QARE");
    EXPECT_EQ(rig.link.AnswerTooLong, 1);
    ApplyLineRules(rig.link, std::string(100, 'j') + "COM2 Port Test\r\n");
    EXPECT_EQ(rig.link.PortTestAnswer.Load(), "COM2 Port Test\r\n");
}

// A framed answer ends a line without a line feed; a request byte is text while no download
// runs, and during one sets its event, drops the pending text, and lines are not acted on. Bytes
// alone never restart the watchdog (an echo or keep-alive would hold it off for ever); a stop
// with a line half received ends the reader rather than wait for the line's end.
TEST(Reader, LinesAndRequestBytes) {
    LinkRig rig;
    auto port = rig.Connect();
    port->Receive("QARS\x02QARE\r\nCOM1 Port Test\r\n");
    ASSERT_TRUE(Eventually([&] { return !rig.link.PortTestAnswer.Load().empty(); }));
    EXPECT_EQ(rig.link.AnswerLine.Load(), "QARS\x02QARE");
    EXPECT_FALSE(rig.link.Download.NotifyRecordEvent.Wait(rig.clock, 0ms));

    rig.link.Download.DownloadActive = 1;
    rig.link.AnswerLine.Clear();
    port->Receive("QARS\x02");
    EXPECT_TRUE(rig.link.Download.NotifyRecordEvent.Wait(rig.clock, 100000ms));
    port->Receive("\x01");
    EXPECT_TRUE(rig.link.Download.NotifyHeaderEvent.Wait(rig.clock, 100000ms));
    port->Receive("QARS late QARE\r\nstart NB image download\r\n");
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(rig.link.AnswerLine.Load(), "");
    EXPECT_FALSE(rig.link.Download.thread.joinable());
    EXPECT_EQ(std::ranges::count(rig.ui.ProgressCalls(),
                                 FakeUi::ProgressCall{FakeUi::ProgressCall::Watchdog, 150000}),
              2);
    port->Receive("QARS half a line");
    std::this_thread::sleep_for(50ms);
    rig.link.Stop();
    EXPECT_TRUE(Eventually([&] { return rig.link.ReaderReady == 0; }));
}

// On a serial line a failing read is retried; on USB the presence probe decides.
TEST(Reader, FailingReadsEndOnlyAVanishedUsbLink) {
    for (const auto& [serial, present] : {std::pair{1, false}, {0, true}, {0, false}}) {
        LinkRig rig;
        rig.line->reads_fail = true;
        rig.line->present = present;
        rig.Connect(serial);
        const bool ends = serial == 0 && !present;
        if (ends) {
            EXPECT_EQ(rig.ui.WaitProgressEnd(5s), 2);
            EXPECT_TRUE(Eventually([&] { return rig.link.ReaderReady == 0; }));
        } else {
            std::this_thread::sleep_for(100ms);
        }
        EXPECT_EQ(rig.link.LinkStop, ends) << serial << present;
        EXPECT_EQ(rig.link.hPort.IsOpen(), !ends) << serial << present;
    }
}

const std::string kCom1 = "COM1", kUsb1 = "\\\\.\\WCEUSBSH001", kUsb2 = "\\\\.\\WCEUSBSH002",
                  kCom2 = "COM2";
const std::vector<std::string> kTwiceOver = {kCom1, kUsb1, kUsb2, kCom2,
                                             kCom1, kUsb1, kUsb2, kCom2};

// COM1 whose writes fail and one port that answers its test text with `answer`, or echoes it when
// that is empty; the rest missing. Only the whole test text of the port tried counts, wherever it
// stands in the line, and the cause of a failed attempt is not kept.
TEST(OpenBootPort, TakesOnlyAPortThatAnswersItsOwnTestText) {
    struct Case {
        std::string path, answer, test_text;
        int result, serial;
    };
    for (const Case& c : {Case{kUsb2, "", "USB Port Test\r", 1, 0},
                          Case{kCom2, ">COM2 Port Test\r>\n", "COM2 Port Test\r", 1, 1},
                          Case{kCom2, "COM1 Port Test\r\n", "COM2 Port Test\r", 0, -1},
                          Case{kCom2, "COM2 Port Test\n", "COM2 Port Test\r", 0, -1}}) {
        LinkRig rig;
        int stops = 0;
        rig.link.services.stop_active_sync = [&] { ++stops; };
        rig.state.SerialLink = -1;
        rig.ports.Add(kCom1)->fail_write_at = 0;
        auto port = rig.ports.Add(c.path);
        port->responder = [&c](const std::string& written) {
            if (written.find("Port Test") == std::string::npos) return std::string();
            return c.answer.empty() ? written + "\n" : c.answer;
        };
        SCOPED_TRACE(c.path + " answering " + c.answer);
        EXPECT_EQ(OpenBootPort(rig.link), c.result);
        EXPECT_EQ(stops, 1);
        const std::size_t tried = !c.result ? 8 : c.path == kUsb2 ? 3 : 4;
        EXPECT_EQ(rig.ports.Opened(), std::vector(kTwiceOver.begin(), kTwiceOver.begin() + tried));
        // The line cleared, then the test text: once, or on each of the two rounds.
        std::vector<std::string> sent = {"\r\r\r\r\r\r\r\r", c.test_text};
        if (!c.result) sent.insert(sent.end(), {sent[0], sent[1]});
        EXPECT_EQ(port->Written(), sent);
        EXPECT_EQ(std::tuple(rig.state.SerialLink.load(), rig.link.hPort.IsOpen(),
                             rig.link.ReaderReady.load(), rig.link.LinkStop.load(),
                             rig.link.FailureCause()),
                  std::tuple(c.serial, c.result == 1, c.result, 1 - c.result, std::string()));
    }
}

// A reader that never becomes ready costs its attempt 10 s, not the whole search.
TEST(OpenBootPort, ReaderThatNeverGetsReadyIsGivenUp) {
    LinkRig rig;
    rig.ports.Add(kCom1)->settings_hang = true;
    rig.ports.Add(kUsb1)->responder = [](const std::string& written) { return written + "\n"; };
    const Millis start = rig.clock.Now();
    EXPECT_EQ(OpenBootPort(rig.link), 1);
    EXPECT_GE(rig.clock.Now() - start, Millis(10000));
    EXPECT_EQ(rig.ports.Opened(), std::vector(kTwiceOver.begin(), kTwiceOver.begin() + 2));
}

TEST(BootIdentity, RegionsInOrderEachReadToItsLastSlot) {
    // What each slot of regions 1, 2 and 3 holds (none: erased) but the one `at`, which holds
    // `record`; how many slots of each region are read, in order, each to its last slot.
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

// A set is taken once; a pulse wakes a waiter and with nobody waiting it is lost.
TEST(Event, SetIsTakenOncePulseReachesOnlyAWaiter) {
    const ScaledClock clock(100);
    Event event(Event::Reset::Auto);
    event.Set();
    EXPECT_TRUE(event.Wait(clock, 0ms));
    EXPECT_FALSE(event.Wait(clock, 100ms));
    event.Pulse();
    EXPECT_FALSE(event.Wait(clock, 100ms));
    std::atomic<bool> woken{false};
    std::thread waiter([&] { woken = event.Wait(clock, 500000ms); });
    for (int i = 0; i < 500 && !woken; ++i) {
        event.Pulse();
        std::this_thread::sleep_for(10ms);
    }
    waiter.join();
    EXPECT_TRUE(woken);
    EXPECT_FALSE(event.Wait(clock, 0ms));
}

TEST(WatchdogTimer, FiresOncePerArmingAndRearmingPostponesIt) {
    const ScaledClock clock(100);
    std::atomic<int> fired{0};
    WatchdogTimer timer(clock, [&] { ++fired; });
    timer.Arm(30000);  // 300 ms of wall time
    for (int i = 0; i < 8; ++i) {
        std::this_thread::sleep_for(50ms);
        timer.Arm(30000);
    }
    EXPECT_EQ(fired, 0);
    for (int i = 0; i < 200 && fired == 0; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(fired, 1);
    timer.Arm(10000);
    timer.Stop();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(fired, 1);
}

}  // namespace
}  // namespace orvo::testing
