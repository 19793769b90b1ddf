// The image file operations on the Windows C runtime (under Wine here): missing and locked files
// told apart, read sharing with other programs, sizes and the checksum pass.

#include "fakes/fake_ui.h"
#include "image/image_checksum.h"
#include "image/image_operations.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace orvo {
namespace {

class ImageFileWin32Test : public ::testing::Test {
  protected:
    ImageFileWin32Test() {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        dir_ = std::string(temp) + "romimage-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir_.c_str(), nullptr);
    }
    ~ImageFileWin32Test() override {
        for (const std::string& file : files_) DeleteFileA(file.c_str());
        RemoveDirectoryA(dir_.c_str());
    }

    // An image of `payload_size` bytes of payload with its right checksum.
    std::string WriteImage(const std::string& name, std::size_t payload_size) {
        std::string fields = "Orvo 4700-NBT-GER-2.04";
        std::vector<std::uint8_t> payload(payload_size);
        for (std::size_t i = 0; i < payload.size(); ++i)
            payload[i] = static_cast<std::uint8_t>(i * 7);
        std::uint32_t sum = 0;
        for (char c : fields) sum += static_cast<std::uint8_t>(c);
        for (std::uint8_t b : payload) sum += b;
        std::string header = fields + "-" + ChecksumText(static_cast<std::uint16_t>(sum));
        header.resize(32, '-');
        std::vector<std::uint8_t> bytes(header.begin(), header.end());
        bytes.insert(bytes.end(), payload.begin(), payload.end());
        return Write(name, bytes);
    }
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = dir_ + "\\" + name;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        files_.push_back(path);
        return path;
    }

    std::string dir_;
    std::vector<std::string> files_;
};

TEST_F(ImageFileWin32Test, TellsAMissingFileFromOneThatCannotBeOpened) {
    ImageFile file;
    EXPECT_EQ(file.Open(dir_ + "\\missing.nbf"), ImageFile::OpenResult::NotFound);
    const std::string path = WriteImage("locked.nbf", 10);
    HANDLE exclusive =
        CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_EQ(file.Open(path), ImageFile::OpenResult::Failed);
    CloseHandle(exclusive);
    EXPECT_EQ(file.Open(path), ImageFile::OpenResult::Opened);
}

TEST_F(ImageFileWin32Test, SharesReadingWithOtherPrograms) {
    const std::string path = WriteImage("shared.nbf", 100);
    ImageFile file;
    ASSERT_EQ(file.Open(path), ImageFile::OpenResult::Opened);
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
}

TEST_F(ImageFileWin32Test, MeasuresReadsAndSeeks) {
    ImageFile file;
    ASSERT_EQ(file.Open(WriteImage("m.nbf", 300'000)), ImageFile::OpenResult::Opened);
    EXPECT_EQ(file.Size(), 300'032u);
    std::vector<std::uint8_t> block(262'144);
    EXPECT_EQ(file.Read(block), 262'144u);
    EXPECT_EQ(file.Read(block), 300'032u - 262'144u);
    EXPECT_EQ(file.Read(block), 0u);
    ASSERT_TRUE(file.Seek(33));
    std::vector<std::uint8_t> one(1);
    ASSERT_EQ(file.Read(one), 1u);
    EXPECT_EQ(one[0], 7) << "payload byte 1";
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

    std::vector<std::uint8_t> shortfile(20, 'x');
    state.ImagePath = Write("short.nbf", shortfile);
    EXPECT_EQ(ReadImageHeader(state.ImagePath, state, ui), 0);
    EXPECT_EQ(ui.Opened(), std::vector<Page>{Page::ImageOpenError});
}

}  // namespace
}  // namespace orvo
