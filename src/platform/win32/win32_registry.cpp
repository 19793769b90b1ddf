#include "platform/win32/win32_registry.h"

#include <algorithm>
#include <string>
#include <vector>

namespace orvo::win32 {
namespace {

// An open registry key, closed exactly once.
class Win32RegistryKey : public RegistryKey {
  public:
    explicit Win32RegistryKey(HKEY key) : key_(key) {}
    Win32RegistryKey(const Win32RegistryKey&) = delete;
    Win32RegistryKey& operator=(const Win32RegistryKey&) = delete;
    ~Win32RegistryKey() override { RegCloseKey(key_); }

    bool SetValue(std::string_view name, RegistryType type,
                  std::span<const std::uint8_t> data) override {
        const std::string value_name(name);
        return RegSetValueExA(key_, value_name.c_str(), 0, static_cast<DWORD>(type), data.data(),
                              static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
    }

    EnumResult EnumValue(std::uint32_t index, std::size_t name_room, std::size_t data_room,
                         RegistryValue& value) override {
        std::vector<char> name(name_room, '\0');
        std::vector<std::uint8_t> data(data_room, 0);
        DWORD name_length = static_cast<DWORD>(name.size());
        DWORD data_length = static_cast<DWORD>(data.size());
        const LSTATUS status = RegEnumValueA(key_, index, name.data(), &name_length, nullptr,
                                             nullptr, data.data(), &data_length);
        if (status == ERROR_MORE_DATA) return EnumResult::Skipped;
        if (status != ERROR_SUCCESS) return EnumResult::End;
        value.name.assign(name.data(), std::min<std::size_t>(name_length, name.size()));
        data.resize(std::min<std::size_t>(data_length, data.size()));
        value.data = std::move(data);
        return EnumResult::Read;
    }

    bool DeleteSubKey(std::string_view name) override {
        const std::string subkey(name);
        return RegDeleteKeyA(key_, subkey.c_str()) == ERROR_SUCCESS;
    }

    std::optional<std::vector<std::uint8_t>> ReadValue(std::string_view name,
                                                       std::size_t room) override {
        const std::string value_name(name);
        std::vector<std::uint8_t> data(room, 0);
        DWORD size = static_cast<DWORD>(data.size());
        if (RegQueryValueExA(key_, value_name.c_str(), nullptr, nullptr, data.data(), &size) !=
            ERROR_SUCCESS) {
            return std::nullopt;
        }
        data.resize(std::min<std::size_t>(size, data.size()));
        return data;
    }

  private:
    HKEY key_;
};

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::CreateUserKey(std::string_view path) {
    const std::string subkey(path);
    HKEY key = nullptr;
    if (RegCreateKeyExA(root_, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return std::make_unique<Win32RegistryKey>(key);
}

namespace {

std::unique_ptr<RegistryKey> OpenKey(HKEY root, std::string_view path, REGSAM access) {
    const std::string subkey(path);
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, access, &key) != ERROR_SUCCESS) return nullptr;
    return std::make_unique<Win32RegistryKey>(key);
}

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::OpenUserKey(std::string_view path, bool full_access) {
    return OpenKey(root_, path, full_access ? KEY_ALL_ACCESS : KEY_READ);
}

std::unique_ptr<RegistryKey> Win32Registry::OpenMachineKey(std::string_view path) {
    return OpenKey(machine_root_, path, KEY_READ);
}

}  // namespace orvo::win32
