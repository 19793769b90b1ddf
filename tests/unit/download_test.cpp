// The download's refusal of an image beyond the load command. (Whole downloads, the verdict and
// the boot loader's misbehaviours over real ports: integration/link.)

#include "bootlink/download.h"
#include "image_test_files.h"
#include "link_test_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace orvo::test {
namespace {

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
