#include "shell/flash_settings.h"

#include "device/device_identity.h"
#include "base/text_compare.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace orvo {
namespace {

// A text stored with its whole field: the text, then zero bytes; always at least one zero.
std::vector<std::uint8_t> FieldBytes(std::string_view text, std::size_t width) {
    std::vector<std::uint8_t> bytes(width, 0);
    text = text.substr(0, width - 1);
    std::copy(text.begin(), text.end(), bytes.begin());
    return bytes;
}

std::vector<std::uint8_t> TextBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

std::array<std::uint8_t, 4> DwordBytes(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// The path a "FlashFile" value holds, when it ends within a path of 260 characters: the bytes up
// to the first zero, or all of them when there is room left for the terminating zero.
std::optional<std::string> StoredPath(const std::vector<std::uint8_t>& data) {
    auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
    if (end == data.end() && data.size() >= kSettingsDataRoom) return std::nullopt;
    return std::string(data.begin(), end);
}

}  // namespace

void SaveFlashSettings(const WizardState& state, Registry& registry) {
    std::unique_ptr<RegistryKey> key = registry.CreateUserKey(kSettingsKeyPath);
    if (!key) return;
    const DeviceIdentity& device = state.Device;
    key->SetValue("Flash", RegistryType::Dword, DwordBytes(1));
    key->SetValue("Language", RegistryType::String,
                  FieldBytes(device.Language, kLanguageFieldBytes));
    key->SetValue("ModelID", RegistryType::String, FieldBytes(device.ModelID, kModelIdFieldBytes));
    key->SetValue("Lang", RegistryType::String, FieldBytes(device.Lang, kLangFieldBytes));
    key->SetValue("Version", RegistryType::String, FieldBytes(device.Version, kVersionFieldBytes));
    key->SetValue("USB", RegistryType::Dword, DwordBytes(state.SerialLink == 0 ? 1 : 0));
    key->SetValue("FlashFile", RegistryType::String, TextBytes(state.ImagePath));
}

int LoadFlashSettings(WizardState& state, Registry& registry) {
    std::unique_ptr<RegistryKey> key = registry.OpenUserKey(kSettingsKeyPath, false);
    if (!key) return 0;
    int flash = 0;
    RegistryValue value;
    for (std::uint32_t index = 0;; ++index) {
        const EnumResult result =
            key->EnumValue(index, kSettingsNameRoom, kSettingsDataRoom, value);
        if (result == EnumResult::End) break;
        if (result == EnumResult::Skipped) continue;
        if (EqualIgnoringCase(value.name, "Flash")) {
            flash = !value.data.empty() && value.data[0] == 1 ? 1 : 0;
        } else if (EqualIgnoringCase(value.name, "FlashFile")) {
            if (std::optional<std::string> path = StoredPath(value.data)) {
                state.ImagePath = std::move(*path);
                state.ImagePathFromSettings = 1;
            }
        }
    }
    return flash;
}

void ClearFlashSettings(Registry& registry) {
    std::unique_ptr<RegistryKey> software = registry.OpenUserKey(kSettingsParentPath, true);
    if (software) software->DeleteSubKey(kSettingsKeyName);
}

}  // namespace orvo
