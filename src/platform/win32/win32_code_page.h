#pragma once
// The PC's ANSI code page and clock, as the system gives them.

#include "platform/ansi_code_page.h"
#include "platform/pc_clock.h"

namespace orvo::win32 {

class Win32AnsiCodePage final : public AnsiCodePage {
  public:
    std::u16string ToUtf16(std::string_view ansi) const override;
    std::string FromUtf16(std::u16string_view text) const override;
};

class Win32PcClock final : public PcClock {
  public:
    std::array<std::uint8_t, kTimeZoneRecordBytes> TimeZoneRecord() override;
    std::array<std::uint8_t, kSystemTimeRecordBytes> UtcTimeRecord() override;
};

}  // namespace orvo::win32
