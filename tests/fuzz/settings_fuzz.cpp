// The settings record as the registry gives it back: any names, types and data under the key,
// each value as a name length byte, the name, a type byte, a 16-bit little-endian data length
// and the data. The result is 1 exactly for a readable "Flash" value whose first byte is 1; a
// path from "FlashFile" fits 260 characters and ends at its first zero.
#include "fakes/fake_registry.h"
#include "fuzz/fuzz_check.h"
#include "shell/flash_settings.h"

#include <algorithm>
#include <span>
#include <string>
#include <vector>

using orvo::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orvo::FakeRegistry registry;
    std::span<const std::uint8_t> rest(data, size);
    auto take = [&rest](std::size_t count) {
        const auto part = rest.first(std::min(count, rest.size()));
        rest = rest.subspan(part.size());
        return std::vector<std::uint8_t>(part.begin(), part.end());
    };
    while (!rest.empty()) {
        const std::vector<std::uint8_t> name = take(take(1)[0]);
        const std::vector<std::uint8_t> type = take(1);
        const std::vector<std::uint8_t> length = take(2);
        const std::size_t count = length.size() == 2 ? length[0] | length[1] << 8 : 0;
        registry.Put(orvo::kSettingsKeyPath, std::string(name.begin(), name.end()),
                     static_cast<orvo::RegistryType>(type.empty() ? 0 : type[0]), take(count));
    }
    orvo::WizardState state;
    const int flash = orvo::LoadFlashSettings(state, registry);
    const auto stored = registry.Value(orvo::kSettingsKeyPath, "Flash");
    const bool readable = stored && stored->name.size() < orvo::kSettingsNameRoom &&
                          stored->data.size() <= orvo::kSettingsDataRoom;
    Require(flash == (readable && !stored->data.empty() && stored->data[0] == 1 ? 1 : 0),
            "the result does not follow the \"Flash\" value");
    if (state.ImagePathFromSettings == 1) {
        Require(state.ImagePath.size() < orvo::kSettingsDataRoom &&
                    state.ImagePath.find('\0') == std::string::npos,
                "the image path does not fit a path or holds a zero");
    }
    return 0;
}
