#pragma once
// The remote-API seam: the handheld while it runs normally, as ActiveSync's remote API reaches
// it. The Win32 adapter loads the platform's library by name; tests use a fake. Texts are the
// UTF-16 the platform takes. Two threads may call at once (the backup worker and the power
// poller), so every implementation is safe to share.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvo {

// A file open on the handheld, as the platform numbers it.
using DeviceFile = std::uintptr_t;
inline constexpr DeviceFile kInvalidDeviceFile = ~DeviceFile{0};

// The platform's values for the file calls.
namespace device_file {
inline constexpr std::uint32_t kGenericRead = 0x80000000;
inline constexpr std::uint32_t kGenericWrite = 0x40000000;
inline constexpr std::uint32_t kShareRead = 1;
inline constexpr std::uint32_t kShareWrite = 2;
inline constexpr std::uint32_t kCreateNew = 1;
inline constexpr std::uint32_t kCreateAlways = 2;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kAttributeHidden = 2;
inline constexpr std::uint32_t kAttributeNormal = 0x80;
}  // namespace device_file

// Result codes of the session calls.
inline constexpr std::int32_t kRapiOk = 0;
// A second initialisation while a session is open.
inline constexpr std::int32_t kRapiAlreadyInitialised = static_cast<std::int32_t>(0x80041001);

// The handheld's last errors that the file copies look at.
inline constexpr std::uint32_t kDeviceErrorSharingViolation = 32;
inline constexpr std::uint32_t kDeviceErrorFileExists = 80;
inline constexpr std::uint32_t kDeviceErrorAlreadyExists = 183;

class RemoteApi {
  public:
    virtual ~RemoteApi() = default;

    // CeRapiInitEx with the program's one initialisation record; its result code.
    virtual std::int32_t CeRapiInitEx() = 0;
    // Waits at most `wall_ms` for the record's event: true once the connection attempt ended.
    virtual bool WaitForSession(std::uint32_t wall_ms) = 0;
    virtual void CeRapiUninit() = 0;

    // CeRapiInvoke without a stream; the reply is copied into `reply` and released. A negative
    // result is a failure.
    virtual std::int32_t CeRapiInvoke(std::u16string_view library, std::u16string_view function,
                                      std::span<const std::uint8_t> input,
                                      std::vector<std::uint8_t>& reply) = 0;

    virtual DeviceFile CeCreateFile(std::u16string_view path, std::uint32_t access,
                                    std::uint32_t share, std::uint32_t disposition,
                                    std::uint32_t attributes) = 0;
    // The bytes moved; no value when the call failed.
    virtual std::optional<std::uint32_t> CeReadFile(DeviceFile file,
                                                    std::span<std::uint8_t> into) = 0;
    virtual std::optional<std::uint32_t> CeWriteFile(DeviceFile file,
                                                     std::span<const std::uint8_t> bytes) = 0;
    virtual bool CeCloseHandle(DeviceFile file) = 0;
    virtual bool CeDeleteFile(std::u16string_view path) = 0;
    virtual bool CeMoveFile(std::u16string_view from, std::u16string_view to) = 0;
    // Starts a program with an empty command line, shown with show command 5.
    virtual bool CeCreateProcess(std::u16string_view application) = 0;

    // The remote API's own error of the last failed call, and the handheld's last error.
    virtual std::int32_t CeRapiGetError() = 0;
    virtual std::uint32_t CeGetLastError() = 0;

    // The AC-line status byte of the extended power status (refreshed); no value when the
    // handheld cannot be reached.
    virtual std::optional<std::uint8_t> PowerLineStatus() = 0;
};

}  // namespace orvo
