#include "fakes/fake_ui.h"
#include "image/image_checks.h"
#include "unit/image_test_files.h"

#include <gtest/gtest.h>

namespace orvo {
namespace {

using testing::ImageSpec;
using testing::MakeImage;
using testing::Payload;
using testing::TempDir;

DeviceIdentity Handheld() {
    DeviceIdentity device = testing::Identity();
    device.Language = "German";
    device.FlashSizeMB = 32;
    return device;
}

ImageHeader Image(std::string model, std::string rom_type, std::string lang) {
    ImageHeader header;
    header.ModelID = std::move(model);
    header.RomTypeCode = std::move(rom_type);
    header.Lang = std::move(lang);
    return header;
}

// The mismatch flags as digits: ROM type, model, language.
int Flags(const WizardState& state) {
    return state.RomVersionMismatch * 100 + state.ImageModelMismatch * 10 +
           state.ImageLanguageMismatch;
}

TEST(ImageComparisons, CompareWholeTextsIgnoringCase) {
    const DeviceIdentity device = Handheld();
    EXPECT_EQ(CheckRomType(device, Image("", "nbt", "")), 1);
    EXPECT_EQ(CheckRomType(device, Image("", "NB", "")), 0);
    EXPECT_TRUE(ModelMatches(device, Image("ORVO 4700", "", "")));
    EXPECT_FALSE(ModelMatches(device, Image("Orvo 470", "", "")));
    EXPECT_TRUE(LanguageMatches(device, Image("", "", "ger")));
    EXPECT_FALSE(LanguageMatches(device, Image("", "", "ENG")));
}

TEST(ImageComparisons, SizeCheckComparesWholeMegabytes) {
    EXPECT_TRUE(ImageFitsFlash(32, SizeInKB(34'603'007)));
    EXPECT_FALSE(ImageFitsFlash(32, SizeInKB(34'603'008)));
    EXPECT_FALSE(ImageFitsFlash(0, 1024));
    EXPECT_TRUE(ImageFitsFlash(255, 256 * 1024 - 1)) << "the largest flash, without overflow";
    EXPECT_FALSE(ImageFitsFlash(255, 256 * 1024));
    EXPECT_EQ(SizeInKB(1ull << 50), 0xFFFFFFFFu) << "kept within 32 bits, never wrapped small";
    // The load command addresses a payload from 0xA0000000 to the end of the 32-bit space.
    EXPECT_TRUE(LoadCommandCanAddress(0x5FFFFFFF));
    EXPECT_FALSE(LoadCommandCanAddress(0x60000000));
    EXPECT_FALSE(LoadCommandCanAddress(0x100000000)) << "never cut to 32 bits";
}

class ImageChecksTest : public ::testing::Test {
  protected:
    ImageChecksTest() { Fresh(); }

    // A new wizard whose handheld was identified with `size_kb` of image, keeping ImagePath.
    void Fresh(std::uint32_t size_kb = 32 * 1024) {
        const std::string path = state ? state->ImagePath : "";
        state = std::make_unique<WizardState>();
        state->Device = Handheld();
        state->ImagePath = path;
        state->ImageSizeKB = size_kb;
        ui = std::make_unique<FakeUi>();
    }
    void UseImage(const ImageSpec& spec) {
        state->ImagePath = dir.Write("image.nbf", MakeImage(spec));
    }
    int Accept(ImageSizeSource source, std::uint32_t size_kb = 32 * 1024) {
        Fresh(size_kb);
        return AcceptImage(*state, *ui, source);
    }

    TempDir dir;
    std::unique_ptr<WizardState> state;
    std::unique_ptr<FakeUi> ui;
};

TEST_F(ImageChecksTest, EachRefusalShowsItsPageAndMarksOnlyItsRows) {
    struct Case {
        ImageSpec spec;
        int accepted;
        int flags;
    };
    const Case cases[] = {
        {{.model = "orvo 4700", .rom_type = "nbt", .lang = "Ger", .payload = Payload(64)}, 1, 0},
        {{.rom_type = "WBT"}, 0, 100},
        {{.model = "Orvo 4800"}, 0, 10},
        {{.lang = "ENG"}, 0, 1},
        // The ROM type decides first, whatever else differs.
        {{.model = "Orvo 4800", .rom_type = "WBT", .lang = "ENG"}, 0, 100},
        {{.model = "Orvo 4800", .lang = "ENG"}, 0, 10},
    };
    for (const Case& c : cases) {
        UseImage(c.spec);
        EXPECT_EQ(Accept(ImageSizeSource::AsIdentified), c.accepted);
        EXPECT_EQ(ui->Opened(),
                  c.accepted ? std::vector<Page>{} : std::vector<Page>{Page::IncompatibleImage});
        EXPECT_EQ(ui->CloseRequested(), c.accepted == 0);
        EXPECT_EQ(Flags(*state), c.flags);
    }
}

TEST_F(ImageChecksTest, ChecksumAndReadErrorsComeBeforeTheComparisons) {
    std::vector<std::uint8_t> image = MakeImage({.rom_type = "WBT", .payload = Payload(10)});
    image.back() ^= 0x40;
    state->ImagePath = dir.Write("bad.nbf", image);
    EXPECT_EQ(Accept(ImageSizeSource::AsIdentified), 0);
    EXPECT_EQ(ui->Opened(), std::vector<Page>{Page::ChecksumError});
    EXPECT_TRUE(ui->CloseRequested());
    EXPECT_EQ(Flags(*state), 0);

    // A header of a matching image from before must not stand in for a file that cannot be read.
    UseImage({});
    FakeUi pages;
    ASSERT_EQ(ReadImageHeader(state->ImagePath, *state, pages), 1);
    state->ImagePath = dir.Write("short.nbf", Payload(16));
    EXPECT_EQ(AcceptImage(*state, pages, ImageSizeSource::AsIdentified), 0);
    EXPECT_EQ(pages.Opened(), std::vector<Page>{Page::ImageOpenError});
}

TEST_F(ImageChecksTest, TheRestoreMeasuresTheFileAtTheMegabyteBoundary) {
    // 34,603,007 bytes pass 32 MB of flash, 34,603,008 do not.
    for (auto [size, accepted] : {std::pair{34'603'007u, 1}, std::pair{34'603'008u, 0}}) {
        UseImage({.payload = std::vector<std::uint8_t>(size - 32)});
        EXPECT_EQ(Accept(ImageSizeSource::MeasureFile, 0), accepted) << size;
        EXPECT_EQ(state->ImageSizeKB, size >> 10);
        EXPECT_EQ(ui->Opened(),
                  accepted ? std::vector<Page>{} : std::vector<Page>{Page::ImageTooLarge});
    }
    // An update keeps the size measured while identifying.
    UseImage({.payload = Payload(10)});
    EXPECT_EQ(Accept(ImageSizeSource::AsIdentified, 33 * 1024), 0);
    EXPECT_EQ(ui->Opened(), std::vector<Page>{Page::ImageTooLarge});
    EXPECT_EQ(state->ImageSizeKB, 33u * 1024);
}

TEST_F(ImageChecksTest, MatchesDeviceRefusesADeliveredImageAndDropsARememberedOneQuietly) {
    UseImage({.lang = "JPN"});
    EXPECT_EQ(CheckImageMatchesDevice(*state, *ui), 0);
    EXPECT_EQ(ui->Opened(), std::vector<Page>{Page::IncompatibleImage});
    EXPECT_TRUE(ui->CloseRequested());
    EXPECT_EQ(Flags(*state), 1);

    for (const ImageSpec& spec : {ImageSpec{.model = "Orvo 4800"}, ImageSpec{.lang = "JPN"}}) {
        WizardState remembered;
        remembered.Device = Handheld();
        remembered.ImagePathFromSettings = 1;
        remembered.ImagePath = dir.Write("old.nbf", MakeImage(spec));
        FakeUi quiet;
        EXPECT_EQ(CheckImageMatchesDevice(remembered, quiet), 0);
        EXPECT_TRUE(quiet.Opened().empty());
        EXPECT_FALSE(quiet.CloseRequested());
        EXPECT_EQ(Flags(remembered), 0);
    }
}

TEST_F(ImageChecksTest, MatchesDeviceIgnoresRomTypeAndCaseNeedsAPathAndAReadableHeader) {
    UseImage({.model = "ORVO 4700", .rom_type = "WBT", .lang = "ger"});
    EXPECT_EQ(CheckImageMatchesDevice(*state, *ui), 1);
    EXPECT_EQ(state->Image.RomTypeCode, "WBT") << "the header was read from ImagePath";
    state->ImagePath.clear();
    EXPECT_EQ(CheckImageMatchesDevice(*state, *ui), 0);
    EXPECT_FALSE(ui->CloseRequested());

    state->ImagePathFromSettings = 1;
    state->ImagePath = dir.Path("gone.nbf");
    EXPECT_EQ(CheckImageMatchesDevice(*state, *ui), 0);
    EXPECT_TRUE(ui->Opened().empty()) << "a missing remembered file shows no page";
    EXPECT_TRUE(ui->CloseRequested());
}

}  // namespace
}  // namespace orvo
