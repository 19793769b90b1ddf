// The image file's rules below what the wizard's roads, romflash check and the fuzz targets
// already prove: the fields and checksum text of a header, the sum's range and lanes, the size
// limits, the backup's header, and failures that must never read as success.

#include "fakes/fake_ui.h"
#include "image/backup_image_writer.h"
#include "image/image_checks.h"
#include "image/image_checksum.h"
#include "image/language_table.h"
#include "unit/test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orvo::testing {
namespace {

TEST(ImageHeader, FieldsChecksumTextAndLanguageName) {
    // The separators are not looked at; the checksum text ends at a dash or after four
    // characters, its first character taken whatever it is; an unknown code keeps the name.
    const std::pair<const char*, const char*> cases[] = {
        {"Orvo 4700xNBTyGERz2.04wbeef-----", "Orvo 4700|NBT|GER|2.04|beef|German"},
        {"Orvo\0004700-NBT-ger-2.04-ff-------", "Orvo|NBT|ger|2.04|ff|German"},
        {"Orvo 4700-NBT-PoT-2.04-ABCDEF---", "Orvo 4700|NBT|PoT|2.04|ABCD|Portuguese"},
        {"Orvo 4700-NBT-XYZ-2.04--12------", "Orvo 4700|NBT|XYZ|2.04|-12|before"},
    };
    for (const auto& [text, fields] : cases) {
        std::array<std::uint8_t, kImageHeaderSize> bytes{};
        std::memcpy(bytes.data(), text, kImageHeaderSize);
        ImageHeader h;
        h.ImageLanguageName = "before";
        ParseImageHeader(bytes, h);
        EXPECT_EQ(h.ModelID + "|" + h.RomTypeCode + "|" + h.Lang + "|" + h.Version + "|" +
                      h.ChecksumText + "|" + h.ImageLanguageName,
                  fields);
    }
    for (const char* code : {"GE", "GERX", ""}) EXPECT_EQ(LookUpLanguage(code), std::nullopt);
    const std::pair<std::string_view, std::optional<std::uint16_t>> hex[] = {
        {"BEEF", 0xbeef},     {"12345", 0x2345},     {"", std::nullopt},
        {"1-", std::nullopt}, {" 12", std::nullopt}, {std::string_view("1\0", 2), std::nullopt}};
    for (const auto& [text, value] : hex) EXPECT_EQ(ParseHexText(text), value) << text;
}

TEST(ImageChecksum, LanesFoldAtEveryAlignmentAndOnlyBytes22To31StayOutside) {
    const std::vector<std::uint8_t> bytes(3 * 2048 + 5, 0xFF);
    for (std::size_t offset : {0u, 1u, 3u}) {
        EXPECT_EQ(SumBytes(std::span(bytes).subspan(offset), 100),
                  100 + 255u * (bytes.size() - offset));
    }
    const TempDir dir;
    WizardState state;
    FakeUi ui;
    const std::vector<std::uint8_t> image = MakeImage({.payload = Payload(64, 3)});
    ASSERT_EQ(image[27], '-') << "four checksum digits";
    for (std::size_t i = 0; i < image.size(); ++i) {
        if (i >= 23 && image[i] != '-') continue;  // a checksum digit
        std::vector<std::uint8_t> changed = image;
        changed[i] = static_cast<std::uint8_t>(changed[i] == '-' ? '+' : changed[i] ^ 0x01);
        state.ImagePath = dir.Write("image.nbf", changed);
        ASSERT_EQ(ReadImageHeader(state.ImagePath, state, ui), 1);
        EXPECT_EQ(VerifyImageChecksum(state, ui), i >= 22 && i < 32 ? 1 : 0) << "byte " << i;
    }
    state.ImagePath = dir.Write("empty.nbf", MakeImage({}));
    ASSERT_EQ(ReadImageHeader(state.ImagePath, state, ui), 1);
    EXPECT_EQ(VerifyImageChecksum(state, ui), 1) << "an empty payload sums the header only";
    EXPECT_EQ(ui.NoticesShown(), ui.NoticesClosed());
}

TEST(ImageChecksum, AnUnreadableImageEndsTheWizardAfterTheNoticeIsGone) {
    const TempDir dir;
    WizardState state;
    FakeUi ui;
    int notices_closed_before_page = -1;
    ui.Script(Page::ImageOpenError, [&] {
        notices_closed_before_page = ui.NoticesClosed();
        return 1;
    });
    state.ImagePath = dir.Path("");  // a folder opens, but every read fails
    FakeUi header_ui;
    state.ImagePathFromSettings = 1;
    EXPECT_EQ(ReadImageHeader(state.ImagePath, state, header_ui), 0);
    EXPECT_EQ(header_ui.Opened(), std::vector<Page>{Page::ImageOpenError}) << "never quietly";
    EXPECT_EQ(VerifyImageChecksum(state, ui), 0);
    EXPECT_EQ(ui.Opened(), std::vector<Page>{Page::ImageOpenError});
    EXPECT_EQ(notices_closed_before_page, ui.NoticesShown());
    EXPECT_TRUE(ui.CloseRequested());
}

TEST(ImageChecks, SizeLimitsInWholeMegabytesAndWithinTheLoadCommand) {
    EXPECT_TRUE(ImageFitsFlash(32, SizeInKB(34'603'007)));
    EXPECT_FALSE(ImageFitsFlash(32, SizeInKB(34'603'008)));
    EXPECT_TRUE(ImageFitsFlash(255, 256 * 1024 - 1)) << "the largest flash, without overflow";
    EXPECT_FALSE(ImageFitsFlash(255, 256 * 1024));
    EXPECT_EQ(SizeInKB(1ull << 50), 0xFFFFFFFFu) << "kept within 32 bits, never wrapped small";
    // The load command addresses a payload from 0xA0000000 to the end of the 32-bit space.
    EXPECT_TRUE(LoadCommandCanAddress(0x5FFFFFFF));
    EXPECT_FALSE(LoadCommandCanAddress(0x60000000));
    EXPECT_FALSE(LoadCommandCanAddress(0x100000000)) << "never cut to 32 bits";
}

TEST(ImageDownload, OpensAtThePayloadAndRefusesAFileCutShort) {
    const TempDir dir;
    WizardState state;
    FakeUi ui;
    state.ImagePath = dir.Write("d.nbf", MakeImage({.payload = {0xAA, 0xBB, 0xCC}}));
    EXPECT_EQ(OpenImageForDownload(state, ui), 3u);
    ASSERT_TRUE(state.ImageFileHandle.Seek(kImageHeaderSize));
    std::vector<std::uint8_t> payload(8);
    EXPECT_EQ(state.ImageFileHandle.Read(payload), 3u);
    EXPECT_EQ(payload[2], 0xCC);

    int port_closed = 0;
    state.ImagePath = dir.Write("cut.nbf", Payload(20));
    EXPECT_EQ(OpenImageForDownload(
                  state, ui, {.before_error_page = [&] { ++port_closed; }, .debug_output = {}}),
              std::nullopt)
        << "never a negative length wrapped round";
    EXPECT_FALSE(state.ImageFileHandle.IsOpen());
    EXPECT_EQ(ui.Opened(), std::vector<Page>{Page::ImageOpenError});
    EXPECT_EQ(port_closed, 1);
}

TEST(BackupHeader, LowerCaseDigitsThenDashesAndEachTextInItsField) {
    const std::string fields = "Orvo 4700-NBT-GER-2.04";
    const std::uint32_t fields_sum = std::reduce(fields.begin(), fields.end(), 0u);
    // Payload sums that make the whole checksum 0x3a7, 0xbeef and 0.
    for (const auto& [sum, tail] :
         {std::pair{0x103a7u, "-3a7------"}, {0x1beefu, "-beef-----"}, {0x10000u, "-0--------"}}) {
        EXPECT_EQ(BackupHeader(Identity(), (sum - fields_sum) & 0xFFFF), fields + tail);
    }
    const std::string header =
        BackupHeader(Identity("Orvo 4700 Plus", "NB", "GERMAN", "2.04.00"), 0);
    ASSERT_EQ(header.size(), kImageHeaderSize);
    EXPECT_EQ(header.substr(0, 23), "Orvo 4700-NB -GER-2.04-");
}

}  // namespace
}  // namespace orvo::testing
