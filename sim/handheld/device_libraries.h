#pragma once
// The three device libraries the PC calls through the remote API, as this handheld answers them:
// GetDeviceData's reply, and the input records of WriteArea and SetSysTime.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rig {

struct Identity {
    std::string model = "Orvo 4700";
    std::string rom_type = "NBT";
    std::string lang = "GER";
    std::string version = "2.04";
    unsigned flash_mb = 32;
};

inline constexpr std::size_t kDeviceDataReplySize = 150;
inline constexpr std::size_t kWriteAreaRecordSize = 76;
inline constexpr std::size_t kSetSysTimeRecordSize = 188;

// Three slots of 25 UTF-16 units: "2.04.00 GER", the model text with the model's first five
// characters at 7-11, its last four at 13-16, the ROM type at 17-19 and "Ser" on a serial link,
// and the flash size in decimal.
std::vector<std::uint8_t> DeviceDataReply(const Identity& id, bool serial_link);

struct WriteAreaRecord {
    std::uint32_t address = 0;
    std::uint32_t length = 0;
    std::string text;  // the identity text, one byte a character
};

// Empty with `error` set when the record is not what WriteArea accepts.
std::optional<WriteAreaRecord> ParseWriteArea(const std::vector<std::uint8_t>& in,
                                              std::string& error);

struct SysTimeRecord {
    std::int32_t bias = 0;  // minutes, as the PC's time-zone information gives it
    std::string standard_name;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

std::optional<SysTimeRecord> ParseSetSysTime(const std::vector<std::uint8_t>& in,
                                             std::string& error);

}  // namespace rig
