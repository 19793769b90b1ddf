// What the PC sends to the boot loader: command bytes, records, the only writer and its failures,
// the framing modes and the version box.

#include "bootlink/link_commands.h"
#include "bootlink/version_box.h"
#include "link_test_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvo::test {
namespace {

using ::testing::ElementsAre;

TEST(LinkCommands, BytesOfEachCommand) {
    EXPECT_EQ(ReadDataCommand(0xA0040100), "QARSreaddata a0040100 28\rQARE");
    EXPECT_EQ(ReadDataCommand(0xA0040100).size(), 29u);
    EXPECT_EQ(LoadCommand("c:\\test.nbf", "A0000000", Hex(0xF80000), "00080000"),
              "lnb c:\\test.nbf A0000000 f80000 00080000\r");
    EXPECT_EQ(ScreenMessageCommand(0x10, 0xc, "*"), "shmsg 10 c \"*\"\r");
    EXPECT_THAT(FileHeaderRecord(0xA0080000, 0xF80000),
                ElementsAre(0x00, 0x00, 0x08, 0xA0, 0x00, 0x00, 0xF8, 0x00));
    EXPECT_THAT(BlockHeaderRecord(0xA0FE0000, 0x20000),
                ElementsAre(0x00, 0x00, 0xFE, 0xA0, 0x00, 0x00, 0x02, 0x00, 0, 0, 0, 0));
}

TEST(LinkCommands, HexKeysConvertUpToTheFirstOtherCharacter) {
    EXPECT_EQ(HexPrefixValue("A0000000"), 0xA0000000u);
    EXPECT_EQ(HexPrefixValue("80000\n"), 0x80000u);
    EXPECT_EQ(HexPrefixValue("1g0"), 1u);
    EXPECT_EQ(HexPrefixValue(""), 0u);
    EXPECT_EQ(HexPrefixValue("ffffffff"), 0xFFFFFFFFu);
    EXPECT_EQ(HexPrefixValue("123456789"), 0xFFFFFFFFu);
}

TEST(SendString, WritesWholeAndSignalsCompletion) {
    LinkRig rig;
    auto behaviour = rig.ports.Add("p");
    rig.Connect(behaviour);
    EXPECT_EQ(SendString(rig.link, "$ZIB$\r"), 1);
    EXPECT_TRUE(rig.link.SendStringCompleteEvent.Wait(rig.clock, Millis(0)));
    EXPECT_THAT(behaviour->Written(), ElementsAre("$ZIB$\r"));
    EXPECT_EQ(rig.link.LinkStop, 0);
}

TEST(SendString, StoppedLinkRefusesWithoutWriting) {
    LinkRig rig;
    auto behaviour = rig.ports.Add("p");
    rig.Connect(behaviour);
    rig.link.Stop();
    EXPECT_EQ(SendString(rig.link, "x\r"), 0);
    EXPECT_TRUE(behaviour->Written().empty());
    EXPECT_TRUE(rig.log.Has("\nReady write file but disconnect\n"));
}

// A failed or short write closes the port, stops the link and ends the page within 10 ms; the
// next send is refused at once.
TEST(SendString, FailedAndShortWritesStopTheLink) {
    for (bool short_write : {false, true}) {
        LinkRig rig;
        auto behaviour = rig.ports.Add("p");
        if (short_write) {
            behaviour->short_write_at = 1;
        } else {
            behaviour->fail_write_at = 0;
        }
        rig.Connect(behaviour);
        EXPECT_EQ(SendString(rig.link, "COM1 Port Test\r"), 0) << short_write;
        EXPECT_EQ(rig.link.LinkStop, 1);
        EXPECT_FALSE(rig.link.hPort.IsOpen());
        EXPECT_TRUE(rig.log.Has("\r\n Line 192: Write file fail !\r\n"));
        EXPECT_TRUE(rig.log.Has("\r\n Line 202:Write file Error! \r\n"));
        EXPECT_EQ(rig.ui.WaitProgressEnd(std::chrono::seconds(5)), 2);
        EXPECT_EQ(SendString(rig.link, "x\r"), 0);
        EXPECT_TRUE(rig.log.Has("\nReady write file but disconnect\n"));
    }
}

TEST(FramedMode, EnterFlushesWhenAlreadyFramedAndLeaveEndsIt) {
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

TEST(VersionBox, SixteenMessagesWithTheVersionInTheMiddleRow) {
    for (int framed : {1, 0}) {
        LinkRig rig;
        auto behaviour = rig.ports.Add("p");
        rig.Connect(behaviour);
        rig.state.Image.Version = "2.10";
        rig.link.FramedMode = framed;
        DrawVersionBox(rig.link);
        std::vector<std::string> written = behaviour->Written();
        if (framed) {
            ASSERT_FALSE(written.empty());
            EXPECT_EQ(written.front(), "\r\r\r\r\r\r\r\r");
            written.erase(written.begin());
        }
        EXPECT_EQ(rig.link.FramedMode, 0);
        EXPECT_THAT(written,
                    ElementsAre("shmsg b 1 \"************\"\r", "shmsg c 1 \"*\"\r",
                                "shmsg c c \"*\"\r", "shmsg d 1 \"*\"\r", "shmsg d c \"*\"\r",
                                "shmsg e 1 \"*\"\r", "shmsg e 5 \"2\"\r", "shmsg e 6 \".\"\r",
                                "shmsg e 7 \"1\"\r", "shmsg e 8 \"0\"\r", "shmsg e c \"*\"\r",
                                "shmsg f 1 \"*\"\r", "shmsg f c \"*\"\r", "shmsg 10 1 \"*\"\r",
                                "shmsg 10 c \"*\"\r", "shmsg 11 1 \"************\"\r"));
    }
}

}  // namespace
}  // namespace orvo::test
