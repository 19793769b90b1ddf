// The port search: candidates in their order, twice over, with the test text of each kind. (Each
// kind of port against the simulated handheld: the roads and romflash_test.sh.)

#include "bootlink/boot_port.h"
#include "unit/test_support.h"

#include <gtest/gtest.h>

namespace orvo::testing {
namespace {

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

}  // namespace
}  // namespace orvo::testing
