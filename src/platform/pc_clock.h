#pragma once
// The PC's time as the handheld's clock library takes it: the time-zone information and the
// current UTC time, each in the platform's own record layout.

#include <array>
#include <cstdint>

namespace orvo {

inline constexpr std::size_t kTimeZoneRecordBytes = 172;
inline constexpr std::size_t kSystemTimeRecordBytes = 16;

class PcClock {
  public:
    virtual ~PcClock() = default;
    virtual std::array<std::uint8_t, kTimeZoneRecordBytes> TimeZoneRecord() = 0;
    virtual std::array<std::uint8_t, kSystemTimeRecordBytes> UtcTimeRecord() = 0;
};

}  // namespace orvo
