// What the PC sends to the boot loader: the key values, the read-data command, the only writer
// and its failures, and the framing modes. (The download's records: download_test.)

#include "bootlink/link_commands.h"
#include "link_test_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvo::test {
namespace {

using ::testing::ElementsAre;

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
        auto behaviour = rig.ports.Add("p");
        behaviour->fail_write_at = 0;
        behaviour->short_write = short_write;
        rig.Connect(behaviour);
        EXPECT_EQ(SendString(rig.link, "COM1 Port Test\r"), 0) << short_write;
        EXPECT_EQ(rig.link.LinkStop, 1);
        EXPECT_FALSE(rig.link.hPort.IsOpen());
        EXPECT_EQ(rig.ui.WaitProgressEnd(std::chrono::seconds(5)), 2);
        EXPECT_FALSE(rig.log.Has("\nReady write file but disconnect\n"));
        EXPECT_EQ(SendString(rig.link, "x\r"), 0);
        EXPECT_TRUE(rig.log.Has("\nReady write file but disconnect\n"));
        EXPECT_TRUE(behaviour->Written().empty());
    }
}

// Entering framed mode again flushes the line first. (The version box, drawn in plain mode, is
// on the roads' screen.)
TEST(FramedMode, FlushedBeforeItIsEnteredAgain) {
    LinkRig rig;
    auto behaviour = rig.ports.Add("p");
    rig.Connect(behaviour);
    EnterFramedMode(rig.link);
    EXPECT_EQ(rig.link.FramedMode, 1);
    EnterFramedMode(rig.link);
    EXPECT_EQ(LeaveFramedMode(rig.link), 1);
    EXPECT_EQ(rig.link.FramedMode, 0);
    EXPECT_THAT(behaviour->Written(),
                ElementsAre("$ZIB$\r", "\r\r\r\r\r\r\r\r", "$ZIB$\r", "QARS$ZIB$\rQARE"));
}

}  // namespace
}  // namespace orvo::test
