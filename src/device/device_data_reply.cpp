#include "device/device_data_reply.h"

#include <string_view>

namespace orvo {
namespace {

constexpr std::size_t kSlotUnits = 25;
// Each slot is converted into 25 bytes, its terminating zero included.
constexpr std::size_t kSlotTextRoom = kSlotUnits - 1;
constexpr std::size_t kLangRoom = 9;

// The text of one slot up to its terminating zero, which a slot without one gets at its end.
std::string SlotText(std::span<const std::uint8_t> reply, std::size_t slot,
                     const AnsiCodePage& code_page) {
    std::u16string text;
    for (std::size_t i = 0; i < kSlotUnits; ++i) {
        const std::size_t at = (slot * kSlotUnits + i) * 2;
        const auto unit = static_cast<char16_t>(reply[at] | (reply[at + 1] << 8));
        if (unit == 0) break;
        text.push_back(unit);
    }
    std::string ansi = code_page.FromUtf16(text);
    if (ansi.size() > kSlotTextRoom) ansi.resize(kSlotTextRoom);
    return ansi;
}

// Characters [from, from + count) of `text`, as far as it reaches.
std::string Cut(std::string_view text, std::size_t from, std::size_t count) {
    if (from >= text.size()) return {};
    return std::string(text.substr(from, count));
}

// Leading blanks skipped, digits read up to the first other character, kept in 8 bits.
std::uint8_t FlashMegabytes(std::string_view text) {
    std::size_t at = text.find_first_not_of(' ');
    std::uint8_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = static_cast<std::uint8_t>(value * 10 + (text[at] - '0'));
    }
    return value;
}

}  // namespace

std::optional<DeviceDataFields> ParseDeviceDataReply(std::span<const std::uint8_t> reply,
                                                     const AnsiCodePage& code_page) {
    if (reply.size() < kDeviceDataReplyBytes) return std::nullopt;
    const std::string model = SlotText(reply, 1, code_page);
    const std::string version = SlotText(reply, 0, code_page);
    const std::string flash = SlotText(reply, 2, code_page);

    DeviceDataFields fields;
    fields.Version = Cut(version, 0, 4);
    fields.Lang = Cut(version, 8, kLangRoom);
    fields.SerialLink = model.find("Ser") != std::string::npos ? 1 : 0;
    fields.ModelID = Cut(model, 7, 5) + Cut(model, 13, 4);
    fields.RomTypeCode = Cut(model, 17, 3);
    fields.FlashSizeMB = FlashMegabytes(flash);
    return fields;
}

}  // namespace orvo
