// The download thread's refusals before any block: keys it cannot follow and a download the PC
// did not ask for end the link with their own cause, no error page, nothing counted. (Whole
// downloads and the verdict over real ports: integration/link.)

#include "bootlink/download.h"
#include "image_test_files.h"
#include "link_test_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace orvo::test {
namespace {

using namespace std::chrono_literals;

TEST(Download, KeysItCannotFollowEndTheLinkWithTheirCause) {
    struct Case {
        const char* keys;  // the boot loader's answer to the first load command
        bool unasked;      // it starts the download before any load command
        const char* cause;
    };
    const Case cases[] = {
        {":A=A0000000\r\n:L=a0000\r\n:O=00080000\r\n", false, "no :F= key"},
        {":F=x\r\n:A=A0000000\r\n:L=0\r\n:O=00080000\r\n", false,
         "length 0x00000000 is not above offset 0x00080000"},
        {":F=x\r\n:A=A0000000\r\n:L=7FFFFFFF\r\n:O=00080000\r\n", false,
         "length key 0x7FFFFFFF reaches beyond the image's 786432 bytes"},
        {":F=x\r\n:A=A0000000\r\n:L=a0000\r\n:O=00080000\r\n", true, "had not asked for"},
    };
    for (const Case& c : cases) {
        LinkRig rig;
        testing::TempDir files;
        rig.state.ImagePath = files.Write(
            "update.nbf", testing::MakeImage({.payload = testing::Payload(0x80000 + 0x40000)}));
        auto behaviour = rig.ports.Add("p");
        const std::string answer = std::string(c.keys) + "start NB image download\r\n";
        behaviour->responder = [&](const std::string& written) {
            if (written.rfind("lnb ", 0) == 0) return answer;
            return written == "B000FF\n" ? std::string("\x01") : std::string();
        };
        auto port = rig.Connect(behaviour);
        if (c.unasked) port->Receive(answer);
        FlashSequence(rig.link);
        EXPECT_EQ(rig.ui.WaitProgressEnd(5s), 2) << c.cause;
        rig.link.End();
        EXPECT_THAT(rig.link.FailureCause(), ::testing::HasSubstr(c.cause));
        EXPECT_TRUE(rig.ui.Opened().empty()) << c.cause;
        EXPECT_EQ(rig.link.CompletedDownloads, 0) << c.cause;
        EXPECT_EQ(rig.state.DownloadStatus, c.unasked ? 0 : 1) << c.cause;
        rig.state.ImageFileHandle.Close();
    }
}

// A payload the load command cannot address is refused before anything is sent.
TEST(Download, ImageBeyondTheLoadCommandIsNeverCommanded) {
    LinkRig rig;
    testing::TempDir files;
    rig.state.ImagePath = files.Write("huge.nbf", testing::MakeImage({.payload = {}}));
    std::filesystem::resize_file(rig.state.ImagePath, 0x60000000 + 32);
    rig.ui.Script(Page::ImageTooLarge, 0);
    auto behaviour = rig.ports.Add("p");
    rig.Connect(behaviour);
    FlashSequence(rig.link);
    EXPECT_THAT(rig.ui.Opened(), ::testing::ElementsAre(Page::ImageTooLarge));
    EXPECT_TRUE(rig.ui.CloseRequested());
    EXPECT_TRUE(behaviour->Written().empty());
    EXPECT_EQ(rig.state.DownloadStatus, 0);
    rig.state.ImageFileHandle.Close();
}

}  // namespace
}  // namespace orvo::test
