// The reader's line rules and its thread: lines and request bytes, stored answers, bounded
// buffers, and a USB device that goes away.

#include "bootlink/reader.h"
#include "link_test_rig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace orvo::test {
namespace {

using namespace std::chrono_literals;

// Polls `done` for up to five seconds of wall time.
template <typename Done>
bool Eventually(Done done) {
    for (int i = 0; i < 500; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(10ms);
    }
    return done();
}

// A key's value ends at a carriage return or backspace. Longer lines than the stored answers'
// rooms are cut, never overflow; a port test answer keeps the part where its test text stands.
TEST(LineRules, KeysEndAndLongLinesAreCutToTheirRoom) {
    LinkRig rig;
    ApplyLineRules(rig.link, "x:L=1000000\b7 :O=00080000\r\n");
    EXPECT_EQ(rig.link.Download.LengthText.Load(), "1000000");
    EXPECT_EQ(rig.link.Download.OffsetText.Load(), "00080000");
    const std::string long_answer = "QARS" + std::string(400, 'x') + "QARE";
    ApplyLineRules(rig.link, long_answer);
    EXPECT_EQ(rig.link.AnswerLine.Load(), long_answer.substr(0, 127));
    // A line that fits the room with its terminating zero is whole; one byte more is not.
    ApplyLineRules(rig.link, "QARS" + std::string(kAnswerLineRoom - 9, 'a') + "QARE");
    EXPECT_EQ(rig.link.AnswerTooLong, 0);
    ApplyLineRules(rig.link, "QARS" + std::string(kAnswerLineRoom - 8, 'a') + "QARE");
    EXPECT_EQ(rig.link.AnswerTooLong, 1);
    ApplyLineRules(rig.link, "USB Port Test" + std::string(100, 'y') + "\n");
    EXPECT_EQ(rig.link.PortTestAnswer.Load().size(), 31u);
    ApplyLineRules(rig.link, std::string(100, 'j') + "COM2 Port Test\r\n");
    EXPECT_EQ(rig.link.PortTestAnswer.Load(), "COM2 Port Test\r\n");
    ApplyLineRules(rig.link, ":A=" + std::string(500, '1') + "\r\n");
    EXPECT_EQ(rig.link.Download.AddressText.Load().size(), 259u);
}

// A framed answer ends a line without a line feed; bytes alone never restart the watchdog (an
// echo or keep-alive would hold it off for ever); a stop with a line half received ends the
// reader rather than wait for the line's end.
TEST(Reader, CutsLinesAndEndsWhenStopped) {
    LinkRig rig;
    auto port = rig.Connect(rig.ports.Add("p"));
    const std::string received = "QARS abcQARE\r\nCOM1 Port Test\r\n";
    port->Receive(received);
    ASSERT_TRUE(Eventually([&] { return !rig.link.PortTestAnswer.Load().empty(); }));
    EXPECT_EQ(rig.link.AnswerLine.Load(), "QARS abcQARE");
    EXPECT_EQ(rig.link.PortTestAnswer.Load(), "COM1 Port Test\r\n");
    const auto calls = rig.ui.ProgressCalls();
    // Twice as the reader starts, never again.
    EXPECT_EQ(std::count(calls.begin(), calls.end(),
                         FakeUi::ProgressCall{FakeUi::ProgressCall::Watchdog, 150000}),
              2);
    port->Receive("QARS half a line");
    std::this_thread::sleep_for(50ms);
    rig.link.Stop();
    EXPECT_TRUE(Eventually([&] { return rig.link.ReaderReady == 0; }));
    EXPECT_EQ(rig.link.AnswerLine.Load(), "QARS abcQARE");
    EXPECT_FALSE(rig.link.hPort.IsOpen());
}

// A request byte is text while no download runs; during one it sets its event and drops the
// pending text, and lines are not acted on.
TEST(Reader, RequestBytesOnlyDuringADownload) {
    LinkRig rig;
    auto port = rig.Connect(rig.ports.Add("p"));
    port->Receive("QARS\x02QARE\r\n");
    ASSERT_TRUE(Eventually([&] { return !rig.link.AnswerLine.Load().empty(); }));
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
}

// A run of text without a line end fills the pending text: it is cut there and reading goes on.
TEST(Reader, RunWithoutLineEndIsCutAndReadingGoesOn) {
    LinkRig rig(100);
    auto port = rig.Connect(rig.ports.Add("p"));
    port->Receive(std::string(1200, 'z') + "COM2 Port Test\r\n");
    ASSERT_TRUE(Eventually([&] { return !rig.link.PortTestAnswer.Load().empty(); }));
    EXPECT_EQ(rig.link.PortTestAnswer.Load(), "COM2 Port Test\r\n");
}

// On a serial line a failing read is retried; on USB the presence probe decides.
TEST(Reader, FailingReadsEndOnlyAVanishedUsbLink) {
    struct Case {
        int serial;
        bool present;
    };
    for (const Case& c : {Case{1, false}, Case{0, true}, Case{0, false}}) {
        LinkRig rig;
        auto behaviour = rig.ports.Add("p");
        behaviour->reads_fail = true;
        behaviour->present = c.present;
        rig.Connect(behaviour, c.serial);
        const bool ends = c.serial == 0 && !c.present;
        if (ends) {
            EXPECT_EQ(rig.ui.WaitProgressEnd(5s), 2);
            EXPECT_TRUE(Eventually([&] { return rig.link.ReaderReady == 0; }));
        } else {
            std::this_thread::sleep_for(100ms);
        }
        EXPECT_EQ(rig.link.LinkStop, ends) << c.serial << c.present;
        EXPECT_EQ(rig.link.hPort.IsOpen(), !ends) << c.serial << c.present;
    }
}

}  // namespace
}  // namespace orvo::test
