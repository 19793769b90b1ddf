#pragma once
// The reply of the handheld's GetDeviceData: three slots of 25 UTF-16 code units holding the
// version text, the model text and the flash text.

#include "platform/ansi_code_page.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace orvo {

inline constexpr std::size_t kDeviceDataReplyBytes = 150;

struct DeviceDataFields {
    std::string Version;
    std::string Lang;
    std::string ModelID;
    std::string RomTypeCode;
    int SerialLink = 0;
    std::uint8_t FlashSizeMB = 0;
};

// No value for a reply shorter than the three slots.
std::optional<DeviceDataFields> ParseDeviceDataReply(std::span<const std::uint8_t> reply,
                                                     const AnsiCodePage& code_page);

}  // namespace orvo
