#pragma once
// The remote-API seam over ActiveSync's "rapi.dll", loaded at run time by name so that the
// program starts where ActiveSync is missing: without the library or one of its entry points
// every call fails as if the handheld could not be reached.

#include "platform/remote_api.h"
#include "platform/win32/loaded_library.h"

#include <windows.h>

#include <memory>
#include <mutex>

namespace orvo::win32 {

// The platform's records, in their published layouts.
struct RAPIINIT {
    DWORD cbSize;
    HANDLE heRapiInit;
    HRESULT hrRapiInit;
};

struct SYSTEM_POWER_STATUS_EX {
    BYTE ACLineStatus;
    BYTE BatteryFlag;
    BYTE BatteryLifePercent;
    BYTE Reserved1;
    DWORD BatteryLifeTime;
    DWORD BatteryFullLifeTime;
    BYTE Reserved2;
    BYTE BackupBatteryFlag;
    BYTE BackupBatteryLifePercent;
    BYTE Reserved3;
    DWORD BackupBatteryLifeTime;
    DWORD BackupBatteryFullLifeTime;
};

static_assert(sizeof(SYSTEM_POWER_STATUS_EX) == 24);
#if defined(__i386__)
static_assert(sizeof(RAPIINIT) == 12);
static_assert(sizeof(STARTUPINFOW) == 68);
#endif

struct RapiEntryPoints;

class Win32RemoteApi final : public RemoteApi {
  public:
    explicit Win32RemoteApi(const char* library = "rapi.dll");
    ~Win32RemoteApi() override;
    Win32RemoteApi(const Win32RemoteApi&) = delete;
    Win32RemoteApi& operator=(const Win32RemoteApi&) = delete;

    // Whether the library and all its entry points were found.
    bool Loaded() const { return entries_ != nullptr; }

    std::int32_t CeRapiInitEx() override;
    bool WaitForSession(std::uint32_t wall_ms) override;
    void CeRapiUninit() override;
    std::int32_t CeRapiInvoke(std::u16string_view library, std::u16string_view function,
                              std::span<const std::uint8_t> input,
                              std::vector<std::uint8_t>& reply) override;
    DeviceFile CeCreateFile(std::u16string_view path, std::uint32_t access, std::uint32_t share,
                            std::uint32_t disposition, std::uint32_t attributes) override;
    std::optional<std::uint32_t> CeReadFile(DeviceFile file, std::span<std::uint8_t> into) override;
    std::optional<std::uint32_t> CeWriteFile(DeviceFile file,
                                             std::span<const std::uint8_t> bytes) override;
    bool CeCloseHandle(DeviceFile file) override;
    bool CeDeleteFile(std::u16string_view path) override;
    bool CeMoveFile(std::u16string_view from, std::u16string_view to) override;
    bool CeCreateProcess(std::u16string_view application) override;
    std::int32_t CeRapiGetError() override;
    std::uint32_t CeGetLastError() override;
    std::optional<std::uint8_t> PowerLineStatus() override;

  private:
    LoadedLibrary library_;
    std::unique_ptr<RapiEntryPoints> entries_;
    // The program's one initialisation record, shared by every session.
    std::mutex session_mutex_;
    RAPIINIT RapiSession{};
    // Sessions opened and not yet ended; the library is never unloaded under an open one.
    int open_sessions_ = 0;
};

}  // namespace orvo::win32
