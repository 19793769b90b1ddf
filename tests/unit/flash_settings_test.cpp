// The record of an unfinished update. (Every value with its type and length is checked through
// the Win32 registry; the fuzz target holds "Flash" and the path to their rules on any record.)

#include "fakes/fake_registry.h"
#include "shell/flash_settings.h"

#include <gtest/gtest.h>

namespace orvo {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text, std::size_t width = 0) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    if (width) bytes.resize(width, 0);
    return bytes;
}

TEST(FlashSettings, SaveLoadAndClear) {
    FakeRegistry registry;
    WizardState state;
    state.Device.Language = "A language name far too long";
    state.Device.Lang = "GERMANYYYYY";
    state.ImagePath = "C:\\Programme\\Orvo\\rom_ger.nbf";
    for (auto [serial, usb] : {std::pair{1, 0}, {0, 1}}) {
        state.SerialLink = serial;
        SaveFlashSettings(state, registry);
        EXPECT_EQ(registry.Value(kSettingsKeyPath, "USB")->data,
                  (std::vector<std::uint8_t>{static_cast<std::uint8_t>(usb), 0, 0, 0}))
            << "USB is the inverse of the serial link";
    }
    // Texts too long for their fields still end with a zero.
    EXPECT_EQ(registry.Value(kSettingsKeyPath, "Language")->data.back(), 0);
    EXPECT_EQ(registry.Value(kSettingsKeyPath, "Lang")->data, Bytes("GERMANYYY", 10));

    registry.Put("Software\\Other", "Keep", RegistryType::Dword, {1, 0, 0, 0});
    WizardState next;
    EXPECT_EQ(LoadFlashSettings(next, registry), 1);
    EXPECT_EQ(next.ImagePath, state.ImagePath) << "exactly the stored path, nothing trailing";
    ClearFlashSettings(registry);
    EXPECT_FALSE(registry.HasKey(kSettingsKeyPath));
    EXPECT_TRUE(registry.HasKey("Software\\Other"));
    ClearFlashSettings(registry);  // a missing record is no error
    WizardState after;
    EXPECT_EQ(LoadFlashSettings(after, registry), 0);
    EXPECT_EQ(after.ImagePathFromSettings, 0);

    // No key, nothing written; a value that fails is passed over.
    FakeRegistry failing;
    failing.FailKeysAt(kSettingsKeyPath);
    SaveFlashSettings(state, failing);
    EXPECT_FALSE(failing.HasKey(kSettingsKeyPath));
    FakeRegistry partly;
    partly.FailValueWrites("ModelID");
    SaveFlashSettings(state, partly);
    EXPECT_EQ(partly.Values(kSettingsKeyPath).size(), 6u);
}

TEST(FlashSettings, LoadTakesFlashByItsFirstByteAndOnlyAPathThatFits) {
    constexpr auto kText = RegistryType::String;
    constexpr auto kDword = RegistryType::Dword;
    const std::string longest(259, 'p');
    struct Case {
        int flash;
        std::string path;  // "before": none taken
        std::vector<FakeRegistry::StoredValue> values;
    };
    const Case cases[] = {
        {0,
         "D:\\old.nbf",
         {{"Flash", kDword, {0, 0, 0, 0}}, {"FlashFile", kText, Bytes("D:\\old.nbf", 11)}}},
        {0, "before", {{"Flash", kText, Bytes("1")}}},  // the digit is not the code
        // Names ignoring case; a value that does not fit is skipped, the rest read.
        {1,
         "E:\\lower.nbf",
         {{std::string(100, 'n'), kDword, {1, 0, 0, 0}},
          {"Big", RegistryType::Binary, std::vector<std::uint8_t>(500, 1)},
          {"FLASH", kDword, {1, 0, 0, 0}},
          {"flashfile", kText, Bytes("E:\\lower.nbf", 13)},
          {"FlashFileX", kText, Bytes("E:\\other.nbf", 13)}}},
        {0, longest, {{"FlashFile", kText, Bytes(longest, 260)}}},
        // Without a zero within 260 bytes no path fits.
        {0, "before", {{"FlashFile", kText, std::vector<std::uint8_t>(260, 'q')}}},
        // Only its own bytes: none of an earlier, longer value; a zero inside ends it.
        {0,
         "C:\\a.nbf",
         {{"Language", kText, Bytes("Portuguese", 20)}, {"FlashFile", kText, Bytes("C:\\a.nbf")}}},
        {0, "C:\\b", {{"FlashFile", kText, {'C', ':', '\\', 'b', 0, 'x', 'y', 0}}}},
    };
    for (const Case& c : cases) {
        FakeRegistry registry;
        for (const auto& v : c.values) registry.Put(kSettingsKeyPath, v.name, v.type, v.data);
        WizardState state;
        state.ImagePath = "before";
        EXPECT_EQ(LoadFlashSettings(state, registry), c.flash) << c.values[0].name;
        EXPECT_EQ(state.ImagePath, c.path) << c.values[0].name;
        EXPECT_EQ(state.ImagePathFromSettings, c.path == "before" ? 0 : 1);
    }
}

}  // namespace
}  // namespace orvo
