// The download thread when the image named by the boot loader's keys cannot be opened. (The
// downloads themselves, and their failures, over real ports: integration/link/link_sim_test.)

#include "bootlink/download.h"
#include "image_test_files.h"
#include "link_test_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvo::test {
namespace {

// A boot loader that names no file: the image cannot be opened, the Image-open error page ends
// the wizard, the link stops and the sequence returns without a block sent.
TEST(Download, NoFileKeyEndsWithTheImageOpenPage) {
    LinkRig rig;
    testing::TempDir files;
    rig.state.ImagePath = files.Write(
        "update.nbf", testing::MakeImage({.payload = testing::Payload(0x80000 + 0x20000)}));
    auto behaviour = rig.ports.Add("p");
    behaviour->responder = [](const std::string& written) {
        return written.rfind("lnb ", 0) == 0
                   ? ":A=A0000000\r\n:L=a0000\r\n:O=00080000\r\nstart NB image download\r\n"
                   : std::string();
    };
    rig.Connect(behaviour);
    rig.ui.Script(Page::ImageOpenError, 0);
    FlashSequence(rig.link);
    rig.link.Stop();
    rig.link.JoinReader();
    if (rig.link.Download.thread.joinable()) rig.link.Download.thread.join();
    EXPECT_THAT(rig.ui.Opened(), ::testing::ElementsAre(Page::ImageOpenError));
    EXPECT_TRUE(rig.ui.CloseRequested());
    EXPECT_FALSE(rig.link.hPort.IsOpen());
    EXPECT_EQ(rig.link.CompletedDownloads, 0);
    EXPECT_EQ(behaviour->Written().size(), 1u);
    rig.state.ImageFileHandle.Close();
}

}  // namespace
}  // namespace orvo::test
