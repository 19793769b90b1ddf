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
    header.Version = "9.99";
    return header;
}

TEST(ImageComparisons, CompareWholeTextsIgnoringCase) {
    const DeviceIdentity device = Handheld();
    EXPECT_EQ(CheckRomType(device, Image("", "nbt", "")), 1);
    EXPECT_EQ(CheckRomType(device, Image("", "WBT", "")), 0);
    EXPECT_EQ(CheckRomType(device, Image("", "NB", "")), 0);
    EXPECT_TRUE(ModelMatches(device, Image("ORVO 4700", "", "")));
    EXPECT_FALSE(ModelMatches(device, Image("Orvo 4701", "", "")));
    EXPECT_FALSE(ModelMatches(device, Image("Orvo 470", "", "")));
    EXPECT_TRUE(LanguageMatches(device, Image("", "", "ger")));
    EXPECT_FALSE(LanguageMatches(device, Image("", "", "ENG")));
}

TEST(ImageComparisons, SizeCheckComparesWholeMegabytes) {
    EXPECT_TRUE(ImageFitsFlash(32, SizeInKB(33'554'432)));
    EXPECT_TRUE(ImageFitsFlash(32, SizeInKB(34'603'007)));
    EXPECT_FALSE(ImageFitsFlash(32, SizeInKB(34'603'008)));
    EXPECT_TRUE(ImageFitsFlash(32, 33'791));
    EXPECT_FALSE(ImageFitsFlash(32, 33'792));
    EXPECT_FALSE(ImageFitsFlash(0, 1024));
    EXPECT_TRUE(ImageFitsFlash(255, 256 * 1024 - 1));
    EXPECT_FALSE(ImageFitsFlash(255, 256 * 1024));
    EXPECT_EQ(SizeInKB(1ull << 50), 0xFFFFFFFFu) << "kept within 32 bits, never wrapped small";
}

class ImageChecksTest : public ::testing::Test {
  protected:
    ImageChecksTest() { state.Device = Handheld(); }

    void UseImage(const ImageSpec& spec) {
        state.ImagePath = dir.Write("image.nbf", MakeImage(spec));
    }
    int Flags() const {
        return state.RomVersionMismatch * 100 + state.ImageModelMismatch * 10 +
               state.ImageLanguageMismatch;
    }

    TempDir dir;
    WizardState state;
    FakeUi ui;
};

TEST_F(ImageChecksTest, AcceptsAMatchingImageWithoutAnyPage) {
    UseImage({.model = "orvo 4700", .rom_type = "nbt", .lang = "Ger", .payload = Payload(64)});
    state.ImageSizeKB = 32 * 1024;
    EXPECT_EQ(AcceptImage(state, ui, ImageSizeSource::AsIdentified), 1);
    EXPECT_TRUE(ui.Opened().empty());
    EXPECT_FALSE(ui.CloseRequested());
    EXPECT_EQ(Flags(), 0);
}

TEST_F(ImageChecksTest, EachRefusalShowsItsPageAndMarksOnlyItsRows) {
    struct Case {
        ImageSpec spec;
        Page page;
        int flags;
    };
    const std::vector<Case> cases = {
        {{.rom_type = "WBT"}, Page::IncompatibleImage, 100},
        {{.model = "Orvo 4800"}, Page::IncompatibleImage, 10},
        {{.lang = "ENG"}, Page::IncompatibleImage, 1},
        // The ROM type decides first, whatever else differs.
        {{.model = "Orvo 4800", .rom_type = "WBT", .lang = "ENG"}, Page::IncompatibleImage, 100},
        {{.model = "Orvo 4800", .lang = "ENG"}, Page::IncompatibleImage, 10},
    };
    for (const Case& c : cases) {
        WizardState fresh;
        fresh.Device = Handheld();
        FakeUi pages;
        fresh.ImagePath = dir.Write("image.nbf", MakeImage(c.spec));
        EXPECT_EQ(AcceptImage(fresh, pages, ImageSizeSource::AsIdentified), 0);
        EXPECT_EQ(pages.Opened(), std::vector<Page>{c.page});
        EXPECT_TRUE(pages.CloseRequested());
        EXPECT_EQ(fresh.RomVersionMismatch * 100 + fresh.ImageModelMismatch * 10 +
                      fresh.ImageLanguageMismatch,
                  c.flags);
    }
}

TEST_F(ImageChecksTest, AChecksumErrorComesBeforeTheComparisons) {
    std::vector<std::uint8_t> image = MakeImage({.rom_type = "WBT", .payload = Payload(10)});
    image.back() ^= 0x40;
    state.ImagePath = dir.Write("bad.nbf", image);
    EXPECT_EQ(AcceptImage(state, ui, ImageSizeSource::AsIdentified), 0);
    EXPECT_EQ(ui.Opened(), std::vector<Page>{Page::ChecksumError});
    EXPECT_EQ(Flags(), 0);
    EXPECT_TRUE(ui.CloseRequested());
}

TEST_F(ImageChecksTest, AnUnreadableImageIsNeverCheckedAgainstAnOldHeader) {
    // A header of a matching image from before must not stand in for a file that cannot be read.
    UseImage({});
    ASSERT_EQ(ReadImageHeader(state.ImagePath, state, ui), 1);
    state.ImagePath = dir.Write("short.nbf", Payload(16));
    EXPECT_EQ(AcceptImage(state, ui, ImageSizeSource::AsIdentified), 0);
    EXPECT_EQ(ui.Opened(), std::vector<Page>{Page::ImageOpenError});
    EXPECT_TRUE(ui.CloseRequested());
}

TEST_F(ImageChecksTest, TheRestoreMeasuresTheFileAtTheMegabyteBoundary) {
    // 34,603,007 bytes pass 32 MB of flash, 34,603,008 do not.
    for (auto [size, accepted] : {std::pair{34'603'007u, 1}, std::pair{34'603'008u, 0}}) {
        WizardState restore;
        restore.Device = Handheld();
        FakeUi pages;
        restore.ImagePath =
            dir.Write("r.nbf", MakeImage({.payload = std::vector<std::uint8_t>(size - 32)}));
        EXPECT_EQ(AcceptImage(restore, pages, ImageSizeSource::MeasureFile), accepted) << size;
        EXPECT_EQ(restore.ImageSizeKB, size >> 10);
        EXPECT_EQ(pages.Opened().empty(), accepted == 1);
        if (!accepted) {
            EXPECT_EQ(pages.Opened(), std::vector<Page>{Page::ImageTooLarge});
        }
    }
}

TEST_F(ImageChecksTest, AnUpdateKeepsTheSizeMeasuredWhileIdentifying) {
    UseImage({.payload = Payload(10)});
    state.ImageSizeKB = 33 * 1024;
    EXPECT_EQ(AcceptImage(state, ui, ImageSizeSource::AsIdentified), 0);
    EXPECT_EQ(ui.Opened(), std::vector<Page>{Page::ImageTooLarge});
    EXPECT_EQ(state.ImageSizeKB, 33u * 1024);
}

TEST_F(ImageChecksTest, MatchesDeviceIsQuietForARememberedImage) {
    UseImage({.model = "Orvo 4800"});
    state.ImagePathFromSettings = 1;
    EXPECT_EQ(CheckImageMatchesDevice(state, ui), 0);
    UseImage({.lang = "JPN"});
    EXPECT_EQ(CheckImageMatchesDevice(state, ui), 0);
    EXPECT_TRUE(ui.Opened().empty());
    EXPECT_FALSE(ui.CloseRequested());
    EXPECT_EQ(Flags(), 0);
}

TEST_F(ImageChecksTest, MatchesDeviceRefusesADeliveredImageWithItsPage) {
    UseImage({.lang = "JPN"});
    EXPECT_EQ(CheckImageMatchesDevice(state, ui), 0);
    EXPECT_EQ(ui.Opened(), std::vector<Page>{Page::IncompatibleImage});
    EXPECT_TRUE(ui.CloseRequested());
    EXPECT_EQ(Flags(), 1);
}

TEST_F(ImageChecksTest, MatchesDeviceIgnoresRomTypeAndCaseAndNeedsAPath) {
    UseImage({.model = "ORVO 4700", .rom_type = "WBT", .lang = "ger"});
    EXPECT_EQ(CheckImageMatchesDevice(state, ui), 1);
    EXPECT_EQ(state.Image.RomTypeCode, "WBT") << "the header was read from ImagePath";
    state.ImagePath.clear();
    EXPECT_EQ(CheckImageMatchesDevice(state, ui), 0);
    EXPECT_TRUE(ui.Opened().empty());
    EXPECT_FALSE(ui.CloseRequested());
}

TEST_F(ImageChecksTest, MatchesDeviceClosesWhenTheHeaderCannotBeRead) {
    state.ImagePathFromSettings = 1;
    state.ImagePath = dir.Path("gone.nbf");
    EXPECT_EQ(CheckImageMatchesDevice(state, ui), 0);
    EXPECT_TRUE(ui.Opened().empty()) << "a missing remembered file shows no page";
    EXPECT_TRUE(ui.CloseRequested());
}

}  // namespace
}  // namespace orvo
