#pragma once
// The image checksum: the sum, modulo 65,536, of the unsigned values of header bytes 0 to 21
// and of every payload byte, written in the header as hexadecimal text.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace orvo {

// Adds the unsigned value of every byte to `sum` (modulo 2^32; the checksum is its low 16 bits).
std::uint32_t SumBytes(std::span<const std::uint8_t> bytes, std::uint32_t sum = 0);

// The value of a hexadecimal text (either letter case), kept to its low 16 bits. No value for
// an empty text or one with a character that is not a hexadecimal digit: such a checksum is
// refused rather than read as garbage.
std::optional<std::uint16_t> ParseHexText(std::string_view text);

// Lower-case hexadecimal without leading zeros, as a backup file's header carries it.
std::string ChecksumText(std::uint16_t checksum);

}  // namespace orvo
