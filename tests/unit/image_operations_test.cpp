#include "fakes/fake_ui.h"
#include "image/backup_image_writer.h"
#include "image/image_checksum.h"
#include "image/image_operations.h"
#include "unit/image_test_files.h"

#include <gtest/gtest.h>

namespace orvo {
namespace {

using testing::ImageSpec;
using testing::MakeImage;
using testing::Payload;
using testing::TempDir;

class ImageOperationsTest : public ::testing::Test {
  protected:
    // Reads the header and runs the checksum pass on `bytes` written as the image.
    int Verify(const std::vector<std::uint8_t>& bytes) {
        state.ImagePath = dir.Write("image.nbf", bytes);
        if (!ReadImageHeader(state.ImagePath, state, ui)) return -1;
        return VerifyImageChecksum(state, ui);
    }
    std::vector<Page> Pages() const { return ui.Opened(); }

    TempDir dir;
    WizardState state;
    FakeUi ui;
};

TEST_F(ImageOperationsTest, AMissingFileFromTheSettingsFailsQuietlyOtherwiseWithThePage) {
    state.ImagePathFromSettings = 1;
    EXPECT_EQ(ReadImageHeader(dir.Path("gone.nbf"), state, ui), 0);
    EXPECT_TRUE(Pages().empty());
    EXPECT_FALSE(ui.CloseRequested());

    state.ImagePathFromSettings = 0;
    int collapsed = 0;
    ui.Script(Page::ImageOpenError, [&] { return collapsed == 1 ? 1 : 99; });
    EXPECT_EQ(ReadImageHeader(dir.Path("gone.nbf"), state, ui, [&] { ++collapsed; }), 0);
    EXPECT_EQ(Pages(), std::vector<Page>{Page::ImageOpenError});
    EXPECT_EQ(collapsed, 1) << "the progress page is collapsed before the error page";
    EXPECT_TRUE(ui.CloseRequested());
}

TEST_F(ImageOperationsTest, AShortHeaderOrAFailedReadIsAnOpenErrorNeverGarbage) {
    state.Image.ModelID = "before";
    std::vector<std::uint8_t> image = MakeImage({});
    image.resize(31);
    EXPECT_EQ(ReadImageHeader(dir.Write("short.nbf", image), state, ui), 0);
    EXPECT_EQ(state.Image.ModelID, "before");
    EXPECT_EQ(Pages(), std::vector<Page>{Page::ImageOpenError});
    EXPECT_TRUE(ui.CloseRequested());

    // A folder opens for reading here, but reading it fails; that is no header either.
    FakeUi other;
    state.ImagePathFromSettings = 1;
    EXPECT_EQ(ReadImageHeader(dir.Path(""), state, other), 0);
    EXPECT_EQ(other.Opened(), std::vector<Page>{Page::ImageOpenError});
    EXPECT_EQ(state.Image.ModelID, "before");
    ImageFile folder;
    ASSERT_EQ(folder.Open(dir.Path("")), ImageFile::OpenResult::Opened);
    std::vector<std::uint8_t> buffer(64);
    EXPECT_EQ(folder.Read(buffer), std::nullopt) << "a failed read is not the end of the file";
}

TEST_F(ImageOperationsTest, VerifyAcceptsIntactImagesOfAnySizeWithTheNoticeShown) {
    EXPECT_EQ(Verify(MakeImage({.payload = Payload(1000)})), 1);
    EXPECT_EQ(Verify(MakeImage({.payload = {}})), 1) << "an empty payload sums the header only";
    // Several blocks and a short last one.
    EXPECT_EQ(Verify(MakeImage({.payload = Payload(2 * kChecksumBufferSize + 4321, 5)})), 1);
    EXPECT_EQ(Verify(MakeImage({.payload = Payload(kChecksumBufferSize, 6)})), 1);
    EXPECT_EQ(ui.NoticesShown(), 4);
    EXPECT_EQ(ui.NoticesClosed(), 4);
    EXPECT_TRUE(Pages().empty()) << "a mismatch or a match shows no page here";
}

TEST_F(ImageOperationsTest, ChecksumDigitsReadInEitherCaseAndWithPadding) {
    const std::vector<std::uint8_t> payload = Payload(300, 11);
    const std::vector<std::uint8_t> lower = MakeImage({.payload = payload});
    ASSERT_NE(std::string(lower.begin() + 23, lower.begin() + 27).find_first_of("abcdef"),
              std::string::npos)
        << "the checksum of this payload has letters among its four digits";
    EXPECT_EQ(Verify(lower), 1);
    EXPECT_EQ(Verify(MakeImage({.payload = payload, .upper_case_checksum = true})), 1);
    // Two digits: a crafted header whose bytes 0-21 and payload sum to 0xff. The dash after the
    // digits ends the text; whatever pads the field beyond it is not summed.
    for (char padding : {'-', 'x'}) {
        std::vector<std::uint8_t> image(32, static_cast<std::uint8_t>(padding));
        std::fill(image.begin(), image.begin() + 22, 0);
        const char tail[] = "-ff-";
        std::copy(tail, tail + 4, image.begin() + 22);
        image[0] = 0xF0;
        image.push_back(0x0F);
        EXPECT_EQ(Verify(image), 1) << "\"ff-\" padded with " << padding << " reads 255";
        EXPECT_EQ(state.Image.ChecksumText, "ff");
    }
}

TEST_F(ImageOperationsTest, OnlyBytes22To31StayOutsideTheSum) {
    const std::vector<std::uint8_t> image = MakeImage({.payload = Payload(64, 3)});
    ASSERT_EQ(image[27], '-') << "four checksum digits";
    for (std::size_t i = 0; i < image.size(); ++i) {
        std::vector<std::uint8_t> changed = image;
        const bool checksum_digit = i >= 23 && changed[i] != '-';
        if (checksum_digit) continue;
        changed[i] = static_cast<std::uint8_t>(changed[i] == '-' ? '+' : changed[i] ^ 0x01);
        const int expected = (i >= 22 && i < 32) ? 1 : 0;
        EXPECT_EQ(Verify(changed), expected) << "byte " << i;
    }
}

TEST_F(ImageOperationsTest, ANonHexChecksumCharacterIsAMismatch) {
    std::vector<std::uint8_t> image = MakeImage({.payload = Payload(50)});
    image[24] = 'g';
    EXPECT_EQ(Verify(image), 0);
    image[24] = '\0';
    EXPECT_EQ(Verify(image), 0);
    EXPECT_TRUE(Pages().empty());
    EXPECT_EQ(ui.NoticesShown(), ui.NoticesClosed());
}

TEST_F(ImageOperationsTest, VerifyEndsTheWizardWhenTheImageCannotBeRead) {
    state.ImagePath = dir.Path("missing.nbf");
    EXPECT_EQ(VerifyImageChecksum(state, ui), 0);
    EXPECT_EQ(Pages(), std::vector<Page>{Page::ImageOpenError});
    EXPECT_EQ(ui.NoticesShown(), 0) << "the notice comes only after the file opened";

    FakeUi other;
    int notices_closed_before_page = -1;
    other.Script(Page::ImageOpenError, [&] {
        notices_closed_before_page = other.NoticesClosed();
        return 1;
    });
    state.ImagePath = dir.Path("");  // opens, but every read fails
    EXPECT_EQ(VerifyImageChecksum(state, other), 0);
    EXPECT_EQ(other.Opened(), std::vector<Page>{Page::ImageOpenError});
    EXPECT_EQ(other.NoticesShown(), 1);
    EXPECT_EQ(notices_closed_before_page, 1) << "the notice is gone before the error page";
    EXPECT_EQ(other.NoticesClosed(), 1);
    EXPECT_TRUE(other.CloseRequested());
}

TEST_F(ImageOperationsTest, SumImageFileCountsThePayloadThroughAnySmallBuffer) {
    const std::vector<std::uint8_t> image = MakeImage({.payload = Payload(1000, 9)});
    ImageFile file;
    ASSERT_EQ(file.Open(dir.Write("x.nbf", image)), ImageFile::OpenResult::Opened);
    std::vector<std::uint8_t> small(7);
    const std::optional<ImageSum> sum = SumImageFile(file, small);
    ASSERT_TRUE(sum);
    EXPECT_EQ(sum->payload_bytes, 1000u);
    EXPECT_EQ(ChecksumText(sum->checksum), std::string(image.begin() + 23, image.begin() + 27));
}

TEST_F(ImageOperationsTest, ImageFileSizeMeasuresOrEndsTheWizard) {
    EXPECT_EQ(ImageFileSize(dir.Write("s.nbf", Payload(12345)), ui), 12345u);
    EXPECT_EQ(ImageFileSize(dir.Write("e.nbf", {}), ui), 0u) << "an empty file measures 0";
    EXPECT_TRUE(Pages().empty());
    int uninit = 0;
    EXPECT_EQ(ImageFileSize(dir.Path("none.nbf"), ui, [&] { ++uninit; }), std::nullopt);
    EXPECT_EQ(uninit, 1);
    EXPECT_EQ(Pages(), std::vector<Page>{Page::ImageOpenError});
    EXPECT_TRUE(ui.CloseRequested());
}

TEST_F(ImageOperationsTest, OpenImageForDownloadLeavesTheFileOpenAtThePayload) {
    state.ImagePath = dir.Write("d.nbf", MakeImage({.payload = {0xAA, 0xBB, 0xCC}}));
    EXPECT_EQ(OpenImageForDownload(state, ui), 3u);
    ASSERT_TRUE(state.ImageFileHandle.IsOpen());
    ASSERT_TRUE(state.ImageFileHandle.Seek(kImageHeaderSize));
    std::vector<std::uint8_t> payload(8);
    EXPECT_EQ(state.ImageFileHandle.Read(payload), 3u);
    EXPECT_EQ(payload[0], 0xAA);
    EXPECT_EQ(payload[2], 0xCC);

    state.ImagePath = dir.Write("h.nbf", MakeImage({}));
    EXPECT_EQ(OpenImageForDownload(state, ui), 0u) << "a 32-byte file has an empty payload";
    EXPECT_TRUE(state.ImageFileHandle.IsOpen());
    EXPECT_TRUE(Pages().empty());
}

TEST_F(ImageOperationsTest, OpenImageForDownloadRefusesMissingAndCutShortFiles) {
    int port_closed = 0;
    const DownloadOpenHooks hooks{.before_error_page = [&] { ++port_closed; }, .debug_output = {}};
    state.ImagePath = dir.Path("none.nbf");
    EXPECT_EQ(OpenImageForDownload(state, ui, hooks), std::nullopt);
    EXPECT_FALSE(state.ImageFileHandle.IsOpen());
    EXPECT_EQ(port_closed, 1);

    FakeUi other;
    state.ImagePath = dir.Write("cut.nbf", Payload(20));
    EXPECT_EQ(OpenImageForDownload(state, other, hooks), std::nullopt)
        << "never a negative length wrapped round";
    EXPECT_FALSE(state.ImageFileHandle.IsOpen());
    EXPECT_EQ(other.Opened(), std::vector<Page>{Page::ImageOpenError});
    EXPECT_EQ(port_closed, 2);
}

TEST_F(ImageOperationsTest, ABackupFilePassesTheChecksAsItWasWritten) {
    const DeviceIdentity identity = testing::Identity("Orvo 4700", "WBT", "FRE", "2.10");
    BackupImageWriter writer;
    ASSERT_TRUE(writer.Create(dir.Path("backup.nbf")));
    const std::vector<std::uint8_t> chunk_a = Payload(kChecksumBufferSize, 21);
    const std::vector<std::uint8_t> chunk_b = Payload(1000, 22);
    ASSERT_TRUE(writer.Append(chunk_a));
    ASSERT_TRUE(writer.Append(chunk_b));
    ASSERT_TRUE(writer.Finish(identity));

    const std::vector<std::uint8_t> file = dir.Read("backup.nbf");
    ASSERT_EQ(file.size(), 32 + chunk_a.size() + chunk_b.size());
    EXPECT_EQ(std::string(file.begin(), file.begin() + 23), "Orvo 4700-WBT-FRE-2.10-");
    EXPECT_TRUE(std::equal(chunk_b.begin(), chunk_b.end(), file.end() - 1000));
    state.ImagePath = dir.Path("backup.nbf");
    ASSERT_EQ(ReadImageHeader(state.ImagePath, state, ui), 1);
    EXPECT_EQ(state.Image.RomTypeCode, "WBT");
    EXPECT_EQ(state.Image.ImageLanguageName, "French");
    EXPECT_EQ(VerifyImageChecksum(state, ui), 1);
}

TEST(BackupHeader, WritesLowerCaseDigitsThenDashesToOffset31) {
    const DeviceIdentity identity = testing::Identity();
    const std::string fields = "Orvo 4700-NBT-GER-2.04";
    std::uint32_t fields_sum = 0;
    for (char c : fields) fields_sum += static_cast<std::uint8_t>(c);
    // Choose payload sums that make the whole checksum 0x3a7 (the worked example) and 0xbeef.
    const std::string small = BackupHeader(identity, (0x103a7 - fields_sum) & 0xFFFF);
    EXPECT_EQ(small, fields + "-3a7------");
    const std::string large = BackupHeader(identity, (0x1beef - fields_sum) & 0xFFFF);
    EXPECT_EQ(large, fields + "-beef-----");
    const std::string zero = BackupHeader(identity, (0x10000 - fields_sum) & 0xFFFF);
    EXPECT_EQ(zero, fields + "-0--------");
}

TEST(BackupHeader, KeepsEachTextInItsFieldSoThePayloadIsNeverOverwritten) {
    const DeviceIdentity identity = testing::Identity("Orvo 4700 Plus", "NB", "GERMAN", "2.04.00");
    const std::string header = BackupHeader(identity, 0);
    ASSERT_EQ(header.size(), kImageHeaderSize);
    EXPECT_EQ(header.substr(0, 23), "Orvo 4700-NB -GER-2.04-");
}

TEST(BackupImageWriter, CannotCreateInAMissingFolder) {
    BackupImageWriter writer;
    EXPECT_FALSE(writer.Create("/nonexistent-folder/backup.nbf"));
}

}  // namespace
}  // namespace orvo
