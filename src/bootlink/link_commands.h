#pragma once
// What the PC sends to the boot loader: the only writer to the port, the two framing modes, and
// the byte layouts of the commands and download records.

#include "bootlink/boot_link.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orvo {

inline constexpr std::string_view kLineFlush = "\r\r\r\r\r\r\r\r";

// Writes the bytes to hPort: 1 when all of them went out, 0 when the link is stopped or the
// write failed or fell short (the port is then closed, the link stopped and the progress page
// told to end within 10 ms).
int SendString(BootLink& link, std::span<const std::uint8_t> bytes);
int SendString(BootLink& link, std::string_view text);

void EnterFramedMode(BootLink& link);
int LeaveFramedMode(BootLink& link);

// "QARSreaddata a0040100 28\rQARE": the address in lower-case hexadecimal.
std::string ReadDataCommand(std::uint32_t address);
// "lnb FILE ADDRESS LENGTH OFFSET\r".
std::string LoadCommand(std::string_view file, std::string_view address, std::string_view length,
                        std::string_view offset);
// "shmsg ROW COLUMN \"TEXT\"\r", row and column in lower-case hexadecimal.
std::string ScreenMessageCommand(unsigned row, unsigned column, std::string_view text);
// Lower-case hexadecimal without leading zeros.
std::string Hex(std::uint64_t value);

// 32-bit values, least significant byte first: the file header (start, count) and the block
// header (address, length, 0).
std::array<std::uint8_t, 8> FileHeaderRecord(std::uint32_t start, std::uint32_t count);
std::array<std::uint8_t, 12> BlockHeaderRecord(std::uint32_t address, std::uint32_t length);

// The value of the hexadecimal digits at the start of `text` (either letter case); conversion
// stops at the first other character, an empty text gives 0, too many digits give 0xFFFFFFFF.
std::uint32_t HexPrefixValue(std::string_view text);

}  // namespace orvo
