// The registry adapter and the settings store against the real registry (under Wine here),
// below a key of their own so that nothing else's settings are touched. (The record's rules over
// any names, types and sizes: the unit tests and the settings fuzz target over the same reads;
// read back and cleared here: the resume roads and every update road's end.)

#include "platform/win32/win32_registry.h"
#include "shell/flash_settings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace orvo::win32 {
namespace {

using Bytes = std::vector<std::uint8_t>;
using RawValues = std::vector<std::tuple<const char*, DWORD, Bytes>>;

Bytes Field(std::string_view text, std::size_t width) {
    Bytes bytes(text.begin(), text.end());
    bytes.resize(width, 0);
    return bytes;
}

Bytes Terminated(std::string_view text) { return Field(text, text.size() + 1); }

class RegistryAdapterTest : public ::testing::Test {
  protected:
    RegistryAdapterTest()
        : root_path_("Software\\RomwizardTests\\" + std::to_string(GetCurrentProcessId()) + "-" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        RegCreateKeyExA(HKEY_CURRENT_USER, root_path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &root_, nullptr);
    }
    ~RegistryAdapterTest() override {
        RegCloseKey(root_);
        RegDeleteTreeA(HKEY_CURRENT_USER, root_path_.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\RomwizardTests");  // only once it is empty
    }

    HKEY root_ = nullptr;
    std::string root_path_;
};

TEST_F(RegistryAdapterTest, SaveStoresEveryValueWithItsTypeAndLength) {
    ASSERT_NE(root_, nullptr);
    Win32Registry registry(root_);
    WizardState state;
    state.Device = {"Orvo 4700", "NBT", "GER", "2.04", "German", 32};
    state.SerialLink = 0;
    state.ImagePath = "C:\\Orvo\\rom.nbf";
    SaveFlashSettings(state, registry);

    const RawValues expected = {
        {"Flash", REG_DWORD, {1, 0, 0, 0}},
        {"Language", REG_SZ, Field("German", 20)},
        {"ModelID", REG_SZ, Field("Orvo 4700", 15)},
        {"Lang", REG_SZ, Field("GER", 10)},
        {"Version", REG_SZ, Field("2.04", 20)},
        {"USB", REG_DWORD, {1, 0, 0, 0}},
        {"FlashFile", REG_SZ, Terminated("C:\\Orvo\\rom.nbf")},
    };
    for (const auto& [name, type, data] : expected) {
        DWORD stored_type = 0;
        Bytes stored(256);
        DWORD size = static_cast<DWORD>(stored.size());
        EXPECT_EQ(RegGetValueA(root_, kSettingsKeyPath, name, RRF_RT_ANY | RRF_NOEXPAND,
                               &stored_type, stored.data(), &size),
                  ERROR_SUCCESS)
            << name;
        stored.resize(size);
        EXPECT_EQ(stored_type, type) << name;
        EXPECT_EQ(stored, data) << name;
    }
}

TEST_F(RegistryAdapterTest, MachineKeysAreReadOnlyAndReadWithinTheirRoom) {
    ASSERT_NE(root_, nullptr);
    const RawValues values = {{"", REG_SZ, Terminated("C:\\wcescomm.exe")},
                              {"Major", REG_DWORD, {3, 0, 0, 0}},
                              {"Version", REG_SZ, Terminated("5.1")}};
    for (const auto& [name, type, data] : values) {
        ASSERT_EQ(RegSetKeyValueA(root_, kSettingsKeyPath, name, type, data.data(),
                                  static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }
    Win32Registry registry(HKEY_CURRENT_USER, root_);
    std::unique_ptr<RegistryKey> key = registry.OpenMachineKey(kSettingsKeyPath);
    ASSERT_NE(key, nullptr);
    const std::tuple<const char*, std::size_t, std::optional<Bytes>> cases[] = {
        {"", 256, Terminated("C:\\wcescomm.exe")},
        {"major", 4, Bytes{3, 0, 0, 0}},
        {"Major", 3, std::nullopt},
        {"Version", 4, Terminated("5.1")},
        {"Version", 3, std::nullopt},
        {"Missing", 100, std::nullopt},
    };
    for (const auto& [name, room, data] : cases) {
        EXPECT_EQ(key->ReadValue(name, room), data) << name << " in " << room;
    }
    const std::uint8_t one[4] = {1, 0, 0, 0};
    EXPECT_FALSE(key->SetValue("Major", RegistryType::Dword, one));
    EXPECT_EQ(registry.OpenMachineKey("Missing"), nullptr);
}

}  // namespace
}  // namespace orvo::win32
