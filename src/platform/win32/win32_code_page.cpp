#include "platform/win32/win32_code_page.h"

#include <windows.h>

#include <cstring>

namespace orvo::win32 {

static_assert(sizeof(TIME_ZONE_INFORMATION) == kTimeZoneRecordBytes);
static_assert(sizeof(SYSTEMTIME) == kSystemTimeRecordBytes);

namespace {

// A platform record's bytes as the handheld takes them.
template <std::size_t Size, typename Record>
std::array<std::uint8_t, Size> RecordBytes(const Record& record) {
    static_assert(sizeof(Record) == Size);
    std::array<std::uint8_t, Size> bytes{};
    std::memcpy(bytes.data(), &record, Size);
    return bytes;
}

}  // namespace

std::u16string Win32AnsiCodePage::ToUtf16(std::string_view ansi) const {
    if (ansi.empty()) return {};
    const int size = static_cast<int>(ansi.size());
    const int units = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, ansi.data(), size, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, ansi.data(), size, text.data(), units);
    return std::u16string(text.begin(), text.end());
}

std::string Win32AnsiCodePage::FromUtf16(std::u16string_view text) const {
    if (text.empty()) return {};
    const std::wstring wide(text.begin(), text.end());
    const int size = static_cast<int>(wide.size());
    const int bytes =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), size, ansi.data(), bytes, nullptr, nullptr);
    return ansi;
}

std::array<std::uint8_t, kTimeZoneRecordBytes> Win32PcClock::TimeZoneRecord() {
    TIME_ZONE_INFORMATION zone{};
    GetTimeZoneInformation(&zone);
    return RecordBytes<kTimeZoneRecordBytes>(zone);
}

std::array<std::uint8_t, kSystemTimeRecordBytes> Win32PcClock::UtcTimeRecord() {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    return RecordBytes<kSystemTimeRecordBytes>(now);
}

}  // namespace orvo::win32
