#include "fakes/fake_registry.h"
#include "shell/flash_settings.h"

#include <gtest/gtest.h>

namespace orvo {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> Field(std::string_view text, std::size_t width) {
    std::vector<std::uint8_t> bytes = Bytes(text);
    bytes.resize(width, 0);
    return bytes;
}

class FlashSettingsTest : public ::testing::Test {
  protected:
    FlashSettingsTest() {
        state.Device.ModelID = "Orvo 4700";
        state.Device.RomTypeCode = "NBT";
        state.Device.Lang = "GER";
        state.Device.Version = "2.04";
        state.Device.Language = "German";
        state.ImagePath = "C:\\Programme\\Orvo\\rom_ger.nbf";
    }

    FakeRegistry registry;
    WizardState state;
};

TEST_F(FlashSettingsTest, SaveWritesTheSevenValuesInOrderWithTheirTypesAndLengths) {
    state.SerialLink = 0;
    SaveFlashSettings(state, registry);
    const auto values = registry.Values(kSettingsKeyPath);
    ASSERT_EQ(values.size(), 7u);
    const std::vector<std::tuple<std::string, RegistryType, std::vector<std::uint8_t>>> expected = {
        {"Flash", RegistryType::Dword, {1, 0, 0, 0}},
        {"Language", RegistryType::String, Field("German", 20)},
        {"ModelID", RegistryType::String, Field("Orvo 4700", 15)},
        {"Lang", RegistryType::String, Field("GER", 10)},
        {"Version", RegistryType::String, Field("2.04", 20)},
        {"USB", RegistryType::Dword, {1, 0, 0, 0}},
        {"FlashFile", RegistryType::String, Field(state.ImagePath, state.ImagePath.size() + 1)},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(values[i].name, std::get<0>(expected[i]));
        EXPECT_EQ(values[i].type, std::get<1>(expected[i])) << values[i].name;
        EXPECT_EQ(values[i].data, std::get<2>(expected[i])) << values[i].name;
    }
    state.SerialLink = 1;
    SaveFlashSettings(state, registry);
    EXPECT_EQ(registry.Value(kSettingsKeyPath, "USB")->data,
              (std::vector<std::uint8_t>{0, 0, 0, 0}))
        << "USB is the inverse of the serial link";
}

TEST_F(FlashSettingsTest, TextsTooLongForTheirFieldsStillEndWithAZero) {
    state.Device.Language = "A language name far too long";
    state.Device.Lang = "GERMANYYYYY";
    SaveFlashSettings(state, registry);
    const auto language = registry.Value(kSettingsKeyPath, "Language")->data;
    ASSERT_EQ(language.size(), kLanguageFieldBytes);
    EXPECT_EQ(language.back(), 0);
    EXPECT_EQ(registry.Value(kSettingsKeyPath, "Lang")->data, Field("GERMANYYY", 10));
}

TEST_F(FlashSettingsTest, SaveWritesNothingWhenTheKeyCannotBeMadeAndGoesOnPastAFailedValue) {
    registry.FailKeysAt(kSettingsKeyPath);
    SaveFlashSettings(state, registry);
    EXPECT_FALSE(registry.HasKey(kSettingsKeyPath));

    FakeRegistry partly;
    partly.FailValueWrites("ModelID");
    SaveFlashSettings(state, partly);
    EXPECT_EQ(partly.Values(kSettingsKeyPath).size(), 6u);
    EXPECT_TRUE(partly.Value(kSettingsKeyPath, "FlashFile"));
}

TEST_F(FlashSettingsTest, LoadReadsBackWhatSaveWroteAndNothingOnceCleared) {
    SaveFlashSettings(state, registry);
    registry.Put("Software\\Other", "Keep", RegistryType::Dword, {1, 0, 0, 0});
    WizardState next;
    EXPECT_EQ(LoadFlashSettings(next, registry), 1);
    EXPECT_EQ(next.ImagePath, state.ImagePath) << "exactly the stored path, nothing trailing";
    EXPECT_EQ(next.ImagePathFromSettings, 1);

    ClearFlashSettings(registry);
    EXPECT_FALSE(registry.HasKey(kSettingsKeyPath));
    EXPECT_TRUE(registry.HasKey("Software\\Other"));
    ClearFlashSettings(registry);  // a missing record is no error
    WizardState after;
    after.ImagePath = "kept";
    EXPECT_EQ(LoadFlashSettings(after, registry), 0);
    EXPECT_EQ(after.ImagePath, "kept");
    EXPECT_EQ(after.ImagePathFromSettings, 0);
}

TEST_F(FlashSettingsTest, FlashZeroDoesNotResumeButStillGivesThePath) {
    registry.Put(kSettingsKeyPath, "Flash", RegistryType::Dword, {0, 0, 0, 0});
    registry.PutText(kSettingsKeyPath, "FlashFile", "D:\\old.nbf");
    EXPECT_EQ(LoadFlashSettings(state, registry), 0);
    EXPECT_EQ(state.ImagePath, "D:\\old.nbf");
    EXPECT_EQ(state.ImagePathFromSettings, 1);
}

TEST_F(FlashSettingsTest, FlashCountsByItsFirstByteWhateverItsType) {
    registry.Put(kSettingsKeyPath, "Flash", RegistryType::String, {1, 0});
    EXPECT_EQ(LoadFlashSettings(state, registry), 1) << "text whose first character has code 1";
    registry.Put(kSettingsKeyPath, "Flash", RegistryType::Binary, {1});
    EXPECT_EQ(LoadFlashSettings(state, registry), 1);
    registry.Put(kSettingsKeyPath, "Flash", RegistryType::Dword, {0, 1, 0, 0});
    EXPECT_EQ(LoadFlashSettings(state, registry), 0);
    registry.Put(kSettingsKeyPath, "Flash", RegistryType::Binary, {});
    EXPECT_EQ(LoadFlashSettings(state, registry), 0) << "empty data has no first byte of 1";
    registry.Put(kSettingsKeyPath, "Flash", RegistryType::String, Bytes("1"));
    EXPECT_EQ(LoadFlashSettings(state, registry), 0) << "the digit 1 is not the code 1";
}

TEST_F(FlashSettingsTest, ValueNamesAreMatchedIgnoringCase) {
    registry.Put(kSettingsKeyPath, "FLASH", RegistryType::Dword, {1, 0, 0, 0});
    registry.PutText(kSettingsKeyPath, "flashfile", "E:\\lower.nbf");
    registry.PutText(kSettingsKeyPath, "FlashFileX", "E:\\other.nbf");
    EXPECT_EQ(LoadFlashSettings(state, registry), 1);
    EXPECT_EQ(state.ImagePath, "E:\\lower.nbf");
}

TEST_F(FlashSettingsTest, FlashFileIsAlwaysATerminatedPathWithin260Characters) {
    const std::string longest(259, 'p');
    registry.PutText(kSettingsKeyPath, "FlashFile", longest);
    EXPECT_EQ(LoadFlashSettings(state, registry), 0);
    EXPECT_EQ(state.ImagePath, longest);

    // 260 bytes without a terminating zero, and more than 260: no path fits, the value is skipped.
    for (std::size_t size : {260u, 261u, 1000u}) {
        WizardState fresh;
        fresh.ImagePath = "before";
        registry.Put(kSettingsKeyPath, "FlashFile", RegistryType::String,
                     std::vector<std::uint8_t>(size, 'q'));
        EXPECT_EQ(LoadFlashSettings(fresh, registry), 0);
        EXPECT_EQ(fresh.ImagePath, "before") << size;
        EXPECT_EQ(fresh.ImagePathFromSettings, 0) << size;
    }
}

TEST_F(FlashSettingsTest, FlashFileTakesOnlyItsOwnBytes) {
    // Stored without a terminating zero: no bytes of an earlier value come along.
    registry.Put(kSettingsKeyPath, "Language", RegistryType::String, Field("Portuguese", 20));
    registry.Put(kSettingsKeyPath, "FlashFile", RegistryType::String, Bytes("C:\\a.nbf"));
    EXPECT_EQ(LoadFlashSettings(state, registry), 0);
    EXPECT_EQ(state.ImagePath, "C:\\a.nbf");
    // A zero inside ends the text.
    registry.Put(kSettingsKeyPath, "FlashFile", RegistryType::String,
                 {'C', ':', '\\', 'b', 0, 'x', 'y', 0});
    LoadFlashSettings(state, registry);
    EXPECT_EQ(state.ImagePath, "C:\\b");
}

TEST_F(FlashSettingsTest, ValuesThatDoNotFitAreSkippedAndTheRestIsRead) {
    registry.Put(kSettingsKeyPath, std::string(100, 'n'), RegistryType::Dword, {1, 0, 0, 0});
    registry.Put(kSettingsKeyPath, "Big", RegistryType::Binary, std::vector<std::uint8_t>(500, 1));
    registry.Put(kSettingsKeyPath, "Flash", RegistryType::Dword, {1, 0, 0, 0});
    registry.PutText(kSettingsKeyPath, "FlashFile", "F:\\after.nbf");
    EXPECT_EQ(LoadFlashSettings(state, registry), 1);
    EXPECT_EQ(state.ImagePath, "F:\\after.nbf");
}

}  // namespace
}  // namespace orvo
