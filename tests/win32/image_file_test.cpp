// The image file on the Windows C runtime (under Wine here): missing and locked files told apart,
// and read sharing with other programs. (Reads, seeks and the checksum pass: every update road.)

#include "image/image_operations.h"
#include "unit/image_test_files.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace orvo {
namespace {

HANDLE OpenWithOthers(const std::string& path, DWORD share) {
    return CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST(ImageFileWin32Test, TellsAMissingFileFromALockedOneAndSharesReading) {
    testing::TempDir dir;
    ImageFile file;
    EXPECT_EQ(file.Open(dir.Path("missing.nbf")), ImageFile::OpenResult::NotFound);
    const std::string path = dir.Write("locked.nbf", testing::MakeImage({}));
    HANDLE exclusive = OpenWithOthers(path, 0);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_EQ(file.Open(path), ImageFile::OpenResult::Failed);
    CloseHandle(exclusive);
    ASSERT_EQ(file.Open(path), ImageFile::OpenResult::Opened);
    HANDLE reader = OpenWithOthers(path, FILE_SHARE_READ);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "another program may read the open image";
    if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
}

}  // namespace
}  // namespace orvo
