#pragma once
// What the connected handheld is: filled once per run over the remote API or through the boot
// loader, read by the image checks, the settings store and the backup writer.

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvo {

// Field widths in bytes (terminating zero included) where the settings record stores the whole
// field.
inline constexpr std::size_t kModelIdFieldBytes = 15;
inline constexpr std::size_t kLangFieldBytes = 10;
inline constexpr std::size_t kVersionFieldBytes = 20;
inline constexpr std::size_t kLanguageFieldBytes = 20;

// Room of the identity text in the handheld's reserve area, in characters.
inline constexpr std::size_t kIdentityTextRoom = 31;

struct DeviceIdentity {
    std::string ModelID;      // e.g. "Orvo 4700"
    std::string RomTypeCode;  // "NBT" or "WBT"
    std::string Lang;         // language code, e.g. "GER"
    std::string Version;      // e.g. "2.04"
    std::string Language;     // English name of Lang; empty when the code is unknown
    std::uint8_t FlashSizeMB = 0;
};

// ModelID + RomTypeCode + Lang + Version without separators, cut to the reserve area's room.
std::string IdentityText(const DeviceIdentity& identity);

}  // namespace orvo
