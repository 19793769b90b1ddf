// The boot-loader line both ways. What the PC sends: the key values, the read-data command, the
// only writer and its failures, and the framing modes (the download's records: download_test).
// What the reader takes: keys, stored answers at their rooms' edges, request bytes, and a USB
// device that goes away (every byte stream keeping to the rooms: the reader's fuzz target).

#include "bootlink/link_commands.h"
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

// Polls `done` for up to five seconds of wall time.
template <typename Done>
bool Eventually(Done done) {
    for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(10ms);
    return done();
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

}  // namespace
}  // namespace orvo::testing
