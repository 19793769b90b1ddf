#include "activesync/activesync_registry.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

namespace orvo {
namespace {

// A 32-bit number of 4 bytes or fewer, little-endian whatever its type; 0 when missing.
std::uint32_t ReadNumber(RegistryKey& key, std::string_view name) {
    std::uint32_t number = 0;
    if (std::optional<std::vector<std::uint8_t>> data = key.ReadValue(name, 4)) {
        for (std::size_t i = 0; i < data->size(); ++i) {
            number |= static_cast<std::uint32_t>((*data)[i]) << (8 * i);
        }
    }
    return number;
}

// A text of at most `room` bytes, its terminating zero optional.
std::optional<std::string> ReadText(RegistryKey& key, std::string_view name, std::size_t room) {
    std::optional<std::vector<std::uint8_t>> data = key.ReadValue(name, room);
    if (!data) return std::nullopt;
    return std::string(data->begin(), std::find(data->begin(), data->end(), std::uint8_t{0}));
}

}  // namespace

bool CheckActiveSyncVersion(Registry& registry) {
    std::unique_ptr<RegistryKey> key = registry.OpenMachineKey(kActiveSyncKeyPath);
    if (!key) return false;
    // Wide enough that no pair of 32-bit numbers wraps below 35.
    const std::uint64_t major = ReadNumber(*key, "MajorVersion");
    const std::uint64_t minor = ReadNumber(*key, "MinorVersion");
    return major * 10 + minor >= 35;
}

int WindowsFamilyOf(std::string_view version) {
    // Only the major number counts: "6.3", which Windows 8.1 and later report, is not NT 3.
    const std::size_t dot = version.find('.');
    if (dot == std::string_view::npos) return kOtherWindows;
    const std::string_view major = version.substr(0, dot);
    if (major == "3" || major == "4") return kWindowsNt4;
    if (major == "5") return kWindowsNt5;
    return kOtherWindows;
}

int GetWindowsFamily(Registry& registry) {
    std::unique_ptr<RegistryKey> key = registry.OpenMachineKey(kWindowsVersionKeyPath);
    if (!key) return kOtherWindows;
    const std::optional<std::string> version =
        ReadText(*key, "CurrentVersion", kWindowsVersionRoom);
    return version ? WindowsFamilyOf(*version) : kOtherWindows;
}

void RestartActiveSync(Registry& registry, Processes& processes) {
    std::unique_ptr<RegistryKey> key = registry.OpenMachineKey(kConnectionManagerKeyPath);
    if (!key) return;
    const std::optional<std::string> program = ReadText(*key, "", kConnectionManagerRoom);
    if (program && !program->empty()) processes.StartProgram(*program);
}

}  // namespace orvo
