#pragma once
// The remote API's records in the platform's published layouts.
#include <windows.h>

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

struct IRAPIStream;

static_assert(sizeof(SYSTEM_POWER_STATUS_EX) == 24);
#if defined(__i386__)
// The shipped 32-bit layouts.
static_assert(sizeof(RAPIINIT) == 12);
static_assert(sizeof(STARTUPINFOW) == 68);
#endif

// The exports, as the caller finds them by name.
extern "C" {
HRESULT WINAPI CeRapiInitEx(RAPIINIT* init);
HRESULT WINAPI CeRapiUninit();
HRESULT WINAPI CeRapiInvoke(LPCWSTR dll, LPCWSTR function, DWORD input_size, BYTE* input,
                            DWORD* output_size, BYTE** output, IRAPIStream** stream,
                            DWORD reserved);
HANDLE WINAPI CeCreateFile(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                           DWORD disposition, DWORD attributes, HANDLE template_file);
BOOL WINAPI CeReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED ov);
BOOL WINAPI CeWriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED ov);
BOOL WINAPI CeCloseHandle(HANDLE handle);
BOOL WINAPI CeDeleteFile(LPCWSTR path);
BOOL WINAPI CeMoveFile(LPCWSTR from, LPCWSTR to);
BOOL WINAPI CeCreateProcess(LPCWSTR application, LPCWSTR command_line,
                            LPSECURITY_ATTRIBUTES process_security,
                            LPSECURITY_ATTRIBUTES thread_security, BOOL inherit, DWORD flags,
                            LPVOID environment, LPWSTR current_dir, LPSTARTUPINFOW startup,
                            LPPROCESS_INFORMATION process);
HRESULT WINAPI CeRapiGetError();
DWORD WINAPI CeGetLastError();
BOOL WINAPI CeGetSystemPowerStatusEx(SYSTEM_POWER_STATUS_EX* status, BOOL refresh);
}
