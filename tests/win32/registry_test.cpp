// The registry adapter and the settings store against the real registry (under Wine here),
// below a key of their own so that nothing else's settings are touched.

#include "platform/win32/win32_registry.h"
#include "shell/flash_settings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace orvo::win32 {
namespace {

struct RawValue {
    DWORD type = 0;
    std::vector<std::uint8_t> data;
};

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

    bool SettingsKeyExists() const {
        HKEY key = nullptr;
        const bool exists =
            RegOpenKeyExA(root_, kSettingsKeyPath, 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (exists) RegCloseKey(key);
        return exists;
    }

    RawValue Query(const char* name) const {
        RawValue value;
        DWORD size = 0;
        RegGetValueA(root_, kSettingsKeyPath, name, RRF_RT_ANY | RRF_NOEXPAND, nullptr, nullptr,
                     &size);
        value.data.resize(size);
        RegGetValueA(root_, kSettingsKeyPath, name, RRF_RT_ANY | RRF_NOEXPAND, &value.type,
                     value.data.data(), &size);
        value.data.resize(size);
        return value;
    }

    void SetRaw(const char* name, DWORD type, const std::vector<std::uint8_t>& data) {
        ASSERT_EQ(RegSetKeyValueA(root_, kSettingsKeyPath, name, type, data.data(),
                                  static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }

    WizardState state_;
    HKEY root_ = nullptr;
    std::string root_path_;
};

std::vector<std::uint8_t> Field(std::string_view text, std::size_t width) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.resize(width, 0);
    return bytes;
}

std::vector<std::uint8_t> Terminated(std::string_view text) { return Field(text, text.size() + 1); }

TEST_F(RegistryAdapterTest, SaveStoresEveryValueWithItsTypeAndLength) {
    ASSERT_NE(root_, nullptr);
    Win32Registry registry(root_);
    state_.Device.ModelID = "Orvo 4700";
    state_.Device.Lang = "GER";
    state_.Device.Version = "2.04";
    state_.Device.Language = "German";
    state_.SerialLink = 0;
    state_.ImagePath = "C:\\Orvo\\rom.nbf";
    SaveFlashSettings(state_, registry);

    const std::vector<std::tuple<const char*, DWORD, std::vector<std::uint8_t>>> expected = {
        {"Flash", REG_DWORD, {1, 0, 0, 0}},
        {"Language", REG_SZ, Field("German", 20)},
        {"ModelID", REG_SZ, Field("Orvo 4700", 15)},
        {"Lang", REG_SZ, Field("GER", 10)},
        {"Version", REG_SZ, Field("2.04", 20)},
        {"USB", REG_DWORD, {1, 0, 0, 0}},
        {"FlashFile", REG_SZ, Terminated("C:\\Orvo\\rom.nbf")},
    };
    for (const auto& [name, type, data] : expected) {
        const RawValue value = Query(name);
        EXPECT_EQ(value.type, type) << name;
        EXPECT_EQ(value.data, data) << name;
    }
}

TEST_F(RegistryAdapterTest, LoadReadsBackTheSavedRecordAndClearDeletesIt) {
    Win32Registry registry(root_);
    state_.ImagePath = "C:\\Orvo\\rom.nbf";
    SaveFlashSettings(state_, registry);
    WizardState next;
    EXPECT_EQ(LoadFlashSettings(next, registry), 1);
    EXPECT_EQ(next.ImagePath, "C:\\Orvo\\rom.nbf");
    EXPECT_EQ(next.ImagePathFromSettings, 1);

    ClearFlashSettings(registry);
    EXPECT_FALSE(SettingsKeyExists());
    ClearFlashSettings(registry);  // a missing record is no error
    WizardState after;
    EXPECT_EQ(LoadFlashSettings(after, registry), 0);
    EXPECT_EQ(after.ImagePathFromSettings, 0);
}

TEST_F(RegistryAdapterTest, ReadsValuesWrittenByOthersWhateverTheLetterCase) {
    Win32Registry registry(root_);
    // Values too big for the room, like a path longer than any the program could store, are
    // skipped, not cut or overrun, and the values after them are still read.
    SetRaw("Big", REG_BINARY, std::vector<std::uint8_t>(500, 1));
    SetRaw("FlashFile", REG_SZ, Terminated("C:\\" + std::string(300, 'x')));
    SetRaw("FLASH", REG_DWORD, {1, 0, 0, 0});
    state_.ImagePath = "before";
    EXPECT_EQ(LoadFlashSettings(state_, registry), 1);
    EXPECT_EQ(state_.ImagePath, "before");
    EXPECT_EQ(state_.ImagePathFromSettings, 0);

    SetRaw("flashfile", REG_SZ, Terminated("C:\\Eigene Dateien\\alt.nbf"));
    EXPECT_EQ(LoadFlashSettings(state_, registry), 1);
    EXPECT_EQ(state_.ImagePath, "C:\\Eigene Dateien\\alt.nbf");
    EXPECT_EQ(state_.ImagePathFromSettings, 1);
}

TEST_F(RegistryAdapterTest, ValuesAreReadByTheirBytesWhateverTheirType) {
    Win32Registry registry(root_);
    // "Flash" as a text whose first character has the code 1 counts; the digit 1 does not.
    SetRaw("Flash", REG_SZ, {1, 0});
    EXPECT_EQ(LoadFlashSettings(state_, registry), 1);
    SetRaw("Flash", REG_SZ, {'1', 0});
    EXPECT_EQ(LoadFlashSettings(state_, registry), 0);

    // "FlashFile" is a terminated path within 260 characters, and exactly its own bytes.
    SetRaw("FlashFile", REG_SZ, Terminated(std::string(259, 'p')));
    LoadFlashSettings(state_, registry);
    EXPECT_EQ(state_.ImagePath, std::string(259, 'p'));
    WizardState exact;
    exact.ImagePath = "before";
    SetRaw("FlashFile", REG_SZ, std::vector<std::uint8_t>(260, 'q'));
    LoadFlashSettings(exact, registry);
    EXPECT_EQ(exact.ImagePath, "before") << "260 characters leave no room for the zero";
    EXPECT_EQ(exact.ImagePathFromSettings, 0);
    SetRaw("FlashFile", REG_BINARY, {'C', ':', '\\', 'r', '.', 'n', 'b', 'f'});
    LoadFlashSettings(exact, registry);
    EXPECT_EQ(exact.ImagePath, "C:\\r.nbf");
}

TEST_F(RegistryAdapterTest, ARootThatIsGoneMakesEveryCallFailQuietly) {
    // Below a key that has been deleted no key can be made or opened.
    HKEY gone = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root_, "Gone", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &gone, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(root_, "Gone"), ERROR_SUCCESS);
    Win32Registry registry(gone);
    state_.ImagePath = "C:\\x.nbf";
    SaveFlashSettings(state_, registry);
    EXPECT_EQ(registry.CreateUserKey(kSettingsKeyPath), nullptr);
    EXPECT_EQ(LoadFlashSettings(state_, registry), 0);
    EXPECT_EQ(state_.ImagePathFromSettings, 0);
    ClearFlashSettings(registry);
    RegCloseKey(gone);
}

TEST_F(RegistryAdapterTest, MachineKeysAreReadOnlyAndReadWithinTheirRoom) {
    ASSERT_NE(root_, nullptr);
    SetRaw("", REG_SZ, Terminated("C:\\wcescomm.exe"));
    SetRaw("Major", REG_DWORD, {3, 0, 0, 0});
    SetRaw("Version", REG_SZ, Terminated("5.1"));
    Win32Registry registry(HKEY_CURRENT_USER, root_);
    std::unique_ptr<RegistryKey> key = registry.OpenMachineKey(kSettingsKeyPath);
    ASSERT_NE(key, nullptr);
    struct Case {
        const char* name;
        std::size_t room;
        std::optional<std::vector<std::uint8_t>> data;
    };
    const std::vector<Case> cases = {
        {"", 256, Terminated("C:\\wcescomm.exe")},
        {"major", 4, std::vector<std::uint8_t>{3, 0, 0, 0}},
        {"Major", 3, std::nullopt},
        {"Version", 4, Terminated("5.1")},
        {"Version", 3, std::nullopt},
        {"Missing", 100, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(key->ReadValue(c.name, c.room), c.data) << c.name << " in " << c.room;
    }
    const std::uint8_t one[4] = {1, 0, 0, 0};
    EXPECT_FALSE(key->SetValue("Major", RegistryType::Dword, one));
    EXPECT_EQ(registry.OpenMachineKey("Missing"), nullptr);
}

}  // namespace
}  // namespace orvo::win32
