// The image file operations on the Windows C runtime (under Wine here): missing and locked files
// told apart, read sharing with other programs, sizes and the checksum pass.

#include "fakes/fake_ui.h"
#include "image/image_operations.h"
#include "unit/image_test_files.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace orvo {
namespace {

using testing::MakeImage;
using testing::Payload;

class ImageFileWin32Test : public ::testing::Test {
  protected:
    std::string WriteImage(const std::string& name, std::size_t payload_size) {
        return dir_.Write(name, MakeImage({.payload = Payload(payload_size)}));
    }
    HANDLE OpenWithOthers(const std::string& path, DWORD share) {
        return CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    }

    testing::TempDir dir_;
};

TEST_F(ImageFileWin32Test, TellsAMissingFileFromALockedOneAndSharesReading) {
    ImageFile file;
    EXPECT_EQ(file.Open(dir_.Path("missing.nbf")), ImageFile::OpenResult::NotFound);
    const std::string path = WriteImage("locked.nbf", 10);
    HANDLE exclusive = OpenWithOthers(path, 0);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_EQ(file.Open(path), ImageFile::OpenResult::Failed);
    CloseHandle(exclusive);
    ASSERT_EQ(file.Open(path), ImageFile::OpenResult::Opened);
    HANDLE reader = OpenWithOthers(path, FILE_SHARE_READ);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "another program may read the open image";
    if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
}

TEST_F(ImageFileWin32Test, MeasuresReadsAndSeeks) {
    const std::string path = WriteImage("m.nbf", 300'000);
    const std::vector<std::uint8_t> bytes = dir_.Read("m.nbf");
    ImageFile file;
    ASSERT_EQ(file.Open(path), ImageFile::OpenResult::Opened);
    EXPECT_EQ(file.Size(), 300'032u);
    std::vector<std::uint8_t> block(262'144);
    EXPECT_EQ(file.Read(block), 262'144u);
    EXPECT_EQ(file.Read(block), 300'032u - 262'144u);
    EXPECT_EQ(file.Read(block), 0u);
    ASSERT_TRUE(file.Seek(33));
    std::vector<std::uint8_t> one(1);
    ASSERT_EQ(file.Read(one), 1u);
    EXPECT_EQ(one[0], bytes[33]);
}

TEST_F(ImageFileWin32Test, TheChecksumPassAndTheDownloadOpenWork) {
    WizardState state;
    FakeUi ui;
    state.ImagePath = WriteImage("v.nbf", 600'000);
    ASSERT_EQ(ReadImageHeader(state.ImagePath, state, ui), 1);
    EXPECT_EQ(VerifyImageChecksum(state, ui), 1);
    EXPECT_EQ(OpenImageForDownload(state, ui), 600'000u);
    EXPECT_TRUE(ui.Opened().empty());
    state.ImageFileHandle.Close();

    state.ImagePath = dir_.Write("short.nbf", Payload(20));
    EXPECT_EQ(ReadImageHeader(state.ImagePath, state, ui), 0);
    EXPECT_EQ(ui.Opened(), std::vector<Page>{Page::ImageOpenError});
}

}  // namespace
}  // namespace orvo
