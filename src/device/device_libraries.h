#pragma once
// The handheld's helper libraries: each is copied from the program's folder into the handheld's
// "\Windows" right before its one call, in a session of its own.

#include "device/device_services.h"
#include "platform/pc_clock.h"

#include <array>
#include <cstdint>
#include <string>

namespace orvo {

inline constexpr std::size_t kWriteAreaRecordBytes = 76;
inline constexpr std::size_t kSetSysTimeRecordBytes = 188;
inline constexpr std::uint32_t kReserveAreaAddress = 0xA0040100;

// Operation 2, the reserve area's address, the text's length rounded up to a multiple of 4 and
// the text in UTF-16 with its terminating zero (at most 31 characters).
std::array<std::uint8_t, kWriteAreaRecordBytes> WriteAreaRecord(const std::string& identity_text,
                                                                const AnsiCodePage& code_page);

// The PC's time-zone information followed by its current UTC time.
std::array<std::uint8_t, kSetSysTimeRecordBytes> SetSysTimeRecord(PcClock& pc_clock);

// Stores IdentityText in the handheld's reserve area. 1 when it ran, 0 when no session could be
// opened.
int WriteReserveArea(const std::string& start_dir, const std::string& identity_text,
                     DeviceServices& services);

// Sets the handheld's clock from the PC's. 1 when it ran, 0 when no session could be opened.
int SetDeviceClock(const std::string& start_dir, DeviceServices& services);

}  // namespace orvo
