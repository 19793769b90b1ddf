#include "device/device_libraries.h"

#include "device/device_copy.h"
#include "device/device_identity.h"
#include "device/rapi_session.h"
#include "image/start_dir_image.h"

#include <algorithm>

namespace orvo {
namespace {

constexpr std::uint32_t kWriteAreaOperation = 2;
constexpr std::size_t kWriteAreaTextOffset = 12;

void PutU32(std::span<std::uint8_t> at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Copies `library` from the program's folder to the handheld's "\Windows"; 1 when it is there.
int CopyLibrary(const std::string& start_dir, const std::string& library,
                DeviceServices& services) {
    return CopyFileToDevice(services, PathInFolder(start_dir, library),
                            services.code_page.ToUtf16("\\Windows\\" + library));
}

}  // namespace

std::array<std::uint8_t, kWriteAreaRecordBytes> WriteAreaRecord(const std::string& identity_text,
                                                                const AnsiCodePage& code_page) {
    std::u16string text = code_page.ToUtf16(identity_text);
    if (text.size() > kIdentityTextRoom) text.resize(kIdentityTextRoom);
    std::array<std::uint8_t, kWriteAreaRecordBytes> record{};
    PutU32(record, kWriteAreaOperation);
    PutU32(std::span(record).subspan(4), kReserveAreaAddress);
    PutU32(std::span(record).subspan(8), static_cast<std::uint32_t>((text.size() + 3) / 4 * 4));
    for (std::size_t i = 0; i < text.size(); ++i) {
        record[kWriteAreaTextOffset + 2 * i] = static_cast<std::uint8_t>(text[i]);
        record[kWriteAreaTextOffset + 2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
    }
    return record;
}

std::array<std::uint8_t, kSetSysTimeRecordBytes> SetSysTimeRecord(PcClock& pc_clock) {
    std::array<std::uint8_t, kSetSysTimeRecordBytes> record{};
    const auto zone = pc_clock.TimeZoneRecord();
    const auto now = pc_clock.UtcTimeRecord();
    std::copy(zone.begin(), zone.end(), record.begin());
    std::copy(now.begin(), now.end(), record.begin() + kTimeZoneRecordBytes);
    return record;
}

int WriteReserveArea(const std::string& start_dir, const std::string& identity_text,
                     DeviceServices& services) {
    RapiSessionScope session = RapiSessionScope::Open(services.remote, services.clock);
    if (!session.IsOpen()) return 0;
    const auto record = WriteAreaRecord(identity_text, services.code_page);
    if (CopyLibrary(start_dir, "ZIB_WriteReserveArea.dll", services) != 0) {
        std::vector<std::uint8_t> reply;
        if (services.remote.CeRapiInvoke(u"ZIB_WriteReserveArea.dll", u"WriteArea", record, reply) <
            0) {
            services.log.Write("WriteArea failed, handheld error " +
                               std::to_string(services.remote.CeGetLastError()));
        }
    }
    return 1;
}

int SetDeviceClock(const std::string& start_dir, DeviceServices& services) {
    RapiSessionScope session = RapiSessionScope::Open(services.remote, services.clock);
    if (!session.IsOpen()) return 0;
    const auto record = SetSysTimeRecord(services.pc_clock);
    if (CopyLibrary(start_dir, "SetSystemTime.dll", services) != 0) {
        std::vector<std::uint8_t> reply;
        services.remote.CeRapiInvoke(u"SetSystemTime.dll", u"SetSysTime", record, reply);
        services.log.Write("\r\n Copy SetSystemTime.dll successful\r\n");
    } else {
        services.log.Write("\r\n Copy SetSystemTime.dll fail\r\n");
    }
    return 1;
}

}  // namespace orvo
