// The port search: candidates in their order, twice over, with the test text of each kind.

#include "bootlink/boot_port.h"
#include "fake_boot_loader.h"
#include "link_test_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvo::test {
namespace {

using ::testing::ElementsAre;

const std::string kCom1 = "COM1";
const std::string kUsb1 = "\\\\.\\WCEUSBSH001";
const std::string kUsb2 = "\\\\.\\WCEUSBSH002";
const std::string kCom2 = "COM2";

// Every candidate opens; the boot loader answers on `answering` only.
struct PortSearch : LinkRig {
    explicit PortSearch(const std::string& answering) {
        for (const std::string& path : {kCom1, kUsb1, kUsb2, kCom2}) {
            auto behaviour = ports.Add(path);
            if (path == answering) behaviour->responder = std::ref(boot_loader);
            behaviours[path] = behaviour;
        }
    }
    FakeBootLoader boot_loader;
    std::map<std::string, std::shared_ptr<FakeSerialPort::Behaviour>> behaviours;
};

TEST(OpenBootPort, FirstUsbPathAnswersOnTheSecondAttempt) {
    PortSearch rig(kUsb1);
    int stops = 0;
    rig.link.services.stop_active_sync = [&] { ++stops; };
    EXPECT_EQ(OpenBootPort(rig.link), 1);
    EXPECT_EQ(stops, 1);
    EXPECT_THAT(rig.ports.Opened(), ElementsAre(kCom1, kUsb1));
    EXPECT_EQ(rig.state.SerialLink, 0);
    EXPECT_EQ(rig.link.LinkStop, 0);
    EXPECT_EQ(rig.link.ReaderReady, 1);
    EXPECT_TRUE(rig.link.hPort.IsOpen());
    EXPECT_THAT(rig.behaviours[kCom1]->Written(),
                ElementsAre("\r\r\r\r\r\r\r\r", "COM1 Port Test\r"));
    EXPECT_THAT(rig.behaviours[kUsb1]->Written(),
                ElementsAre("\r\r\r\r\r\r\r\r", "USB Port Test\r"));
}

TEST(OpenBootPort, Com2AnswersOnTheFourthAttempt) {
    PortSearch rig(kCom2);
    rig.state.SerialLink = 0;
    EXPECT_EQ(OpenBootPort(rig.link), 1);
    EXPECT_THAT(rig.ports.Opened(), ElementsAre(kCom1, kUsb1, kUsb2, kCom2));
    EXPECT_THAT(rig.behaviours[kCom2]->Written(),
                ElementsAre("\r\r\r\r\r\r\r\r", "COM2 Port Test\r"));
    EXPECT_EQ(rig.state.SerialLink, 1);
}

// Eight attempts, each port twice, then nothing open; closed, denied and silent ports alike.
TEST(OpenBootPort, NoBootLoaderAnywhere) {
    LinkRig rig;
    auto silent = rig.ports.Add(kUsb2);
    rig.ports.Add(kCom2);
    rig.ports.Deny(kCom2);
    EXPECT_EQ(OpenBootPort(rig.link), 0);
    EXPECT_THAT(rig.ports.Opened(),
                ElementsAre(kCom1, kUsb1, kUsb2, kCom2, kCom1, kUsb1, kUsb2, kCom2));
    EXPECT_EQ(silent->Written().size(), 4u);
    EXPECT_FALSE(rig.link.hPort.IsOpen());
    EXPECT_EQ(rig.link.LinkStop, 1);
    EXPECT_EQ(rig.link.ReaderReady, 0);
}

// Only the whole test text of the port tried counts, wherever it stands in the line.
TEST(OpenBootPort, AnswerMustHoldTheWholeTestText) {
    struct Case {
        std::string answer;
        int result;
    };
    for (const Case& c : {Case{"COM1 Port Test\r\n", 0}, Case{"COM2 Port Test\n", 0},
                          Case{">COM2 Port Test\r>\n", 1}}) {
        LinkRig rig;
        auto behaviour = rig.ports.Add(kCom2);
        behaviour->responder = [&c](const std::string& written) {
            return written.find("Port Test") != std::string::npos ? c.answer : std::string();
        };
        EXPECT_EQ(OpenBootPort(rig.link), c.result) << c.answer;
    }
}

// A reader that never becomes ready costs its attempt 10 s, not the whole search.
TEST(OpenBootPort, ReaderThatNeverGetsReadyIsGivenUp) {
    LinkRig rig;
    rig.ports.Add(kCom1)->settings_hang = true;
    auto behaviour = rig.ports.Add(kUsb1);
    FakeBootLoader boot_loader;
    behaviour->responder = std::ref(boot_loader);
    const Millis start = rig.clock.Now();
    EXPECT_EQ(OpenBootPort(rig.link), 1);
    EXPECT_GE(rig.clock.Now() - start, Millis(10000));
    EXPECT_THAT(rig.ports.Opened(), ElementsAre(kCom1, kUsb1));
    EXPECT_EQ(rig.state.SerialLink, 0);
}

TEST(OpenBootPort, UsbTestTextServesEitherUsbPath) {
    LinkRig rig;
    auto behaviour = rig.ports.Add(kUsb2);
    FakeBootLoader boot_loader;
    behaviour->responder = std::ref(boot_loader);
    EXPECT_EQ(OpenBootPort(rig.link), 1);
    EXPECT_EQ(rig.state.SerialLink, 0);
    EXPECT_THAT(boot_loader.Commands(), ElementsAre("USB Port Test"));
}

}  // namespace
}  // namespace orvo::test
