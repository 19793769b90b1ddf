#include "platform/win32/win32_remote_api.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace orvo::win32 {

struct IRAPIStream;

// Every entry point is called with the platform's calling convention: on i686 any other
// corrupts the stack.
struct RapiEntryPoints {
    HRESULT(WINAPI* CeRapiInitEx)(RAPIINIT*);
    HRESULT(WINAPI* CeRapiUninit)();
    HRESULT(WINAPI* CeRapiInvoke)
    (LPCWSTR, LPCWSTR, DWORD, BYTE*, DWORD*, BYTE**, IRAPIStream**, DWORD);
    HANDLE(WINAPI* CeCreateFile)
    (LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
    BOOL(WINAPI* CeReadFile)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL(WINAPI* CeWriteFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL(WINAPI* CeCloseHandle)(HANDLE);
    BOOL(WINAPI* CeDeleteFile)(LPCWSTR);
    BOOL(WINAPI* CeMoveFile)(LPCWSTR, LPCWSTR);
    BOOL(WINAPI* CeCreateProcess)
    (LPCWSTR, LPCWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPWSTR,
     LPSTARTUPINFOW, LPPROCESS_INFORMATION);
    HRESULT(WINAPI* CeRapiGetError)();
    DWORD(WINAPI* CeGetLastError)();
    BOOL(WINAPI* CeGetSystemPowerStatusEx)(SYSTEM_POWER_STATUS_EX*, BOOL);
};

namespace {

// What a call answers when the library is not there: the handheld cannot be reached.
constexpr HRESULT kUnreachable = static_cast<HRESULT>(0x8007048F);

template <typename Function>
bool LookUp(const LoadedLibrary& library, const char* name, Function& entry) {
    entry = library.Find<Function>(name);
    return entry != nullptr;
}

bool LookUpAll(const LoadedLibrary& module, RapiEntryPoints& e) {
    return LookUp(module, "CeRapiInitEx", e.CeRapiInitEx) &&
           LookUp(module, "CeRapiUninit", e.CeRapiUninit) &&
           LookUp(module, "CeRapiInvoke", e.CeRapiInvoke) &&
           LookUp(module, "CeCreateFile", e.CeCreateFile) &&
           LookUp(module, "CeReadFile", e.CeReadFile) &&
           LookUp(module, "CeWriteFile", e.CeWriteFile) &&
           LookUp(module, "CeCloseHandle", e.CeCloseHandle) &&
           LookUp(module, "CeDeleteFile", e.CeDeleteFile) &&
           LookUp(module, "CeMoveFile", e.CeMoveFile) &&
           LookUp(module, "CeCreateProcess", e.CeCreateProcess) &&
           LookUp(module, "CeRapiGetError", e.CeRapiGetError) &&
           LookUp(module, "CeGetLastError", e.CeGetLastError) &&
           LookUp(module, "CeGetSystemPowerStatusEx", e.CeGetSystemPowerStatusEx);
}

// A zero-terminated copy for the platform.
std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

HANDLE AsHandle(DeviceFile file) { return reinterpret_cast<HANDLE>(file); }

// The reply the remote API allocates for the caller, freed exactly once.
struct ReplyBlock {
    ReplyBlock() = default;
    ReplyBlock(const ReplyBlock&) = delete;
    ReplyBlock& operator=(const ReplyBlock&) = delete;
    ~ReplyBlock() {
        if (bytes != nullptr) LocalFree(bytes);
    }
    BYTE* bytes = nullptr;
};

}  // namespace

Win32RemoteApi::Win32RemoteApi(const char* library) : library_(library) {
    auto entries = std::make_unique<RapiEntryPoints>();
    if (LookUpAll(library_, *entries)) entries_ = std::move(entries);
}

Win32RemoteApi::~Win32RemoteApi() {
    // A session the wizard left open (it ended on a page, or took the boot-loader road while a
    // connection attempt was still pending) ends before its library goes.
    if (!entries_) return;
    for (; open_sessions_ > 0; --open_sessions_) entries_->CeRapiUninit();
}

std::int32_t Win32RemoteApi::CeRapiInitEx() {
    if (!entries_) return kUnreachable;
    std::lock_guard lock(session_mutex_);
    RapiSession.cbSize = sizeof(RAPIINIT);
    const HRESULT result = entries_->CeRapiInitEx(&RapiSession);
    if (SUCCEEDED(result)) ++open_sessions_;
    return result;
}

bool Win32RemoteApi::WaitForSession(std::uint32_t wall_ms) {
    HANDLE event;
    {
        std::lock_guard lock(session_mutex_);
        event = RapiSession.heRapiInit;
    }
    return entries_ && event != nullptr && WaitForSingleObject(event, wall_ms) == WAIT_OBJECT_0;
}

void Win32RemoteApi::CeRapiUninit() {
    if (!entries_) return;
    std::lock_guard lock(session_mutex_);
    if (SUCCEEDED(entries_->CeRapiUninit()) && open_sessions_ > 0) --open_sessions_;
}

std::int32_t Win32RemoteApi::CeRapiInvoke(std::u16string_view library, std::u16string_view function,
                                          std::span<const std::uint8_t> input,
                                          std::vector<std::uint8_t>& reply) {
    reply.clear();
    if (!entries_) return kUnreachable;
    // The remote API takes over the input record and frees it itself: it must come from
    // LocalAlloc, and the caller must not free it.
    BYTE* record = nullptr;
    if (!input.empty()) {
        record = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, input.size()));
        if (record == nullptr) return E_OUTOFMEMORY;
        std::memcpy(record, input.data(), input.size());
    }
    DWORD reply_size = 0;
    ReplyBlock reply_block;
    const HRESULT result = entries_->CeRapiInvoke(Wide(library).c_str(), Wide(function).c_str(),
                                                  static_cast<DWORD>(input.size()), record,
                                                  &reply_size, &reply_block.bytes, nullptr, 0);
    if (reply_block.bytes != nullptr) {
        reply.assign(reply_block.bytes, reply_block.bytes + reply_size);
    }
    return result;
}

DeviceFile Win32RemoteApi::CeCreateFile(std::u16string_view path, std::uint32_t access,
                                        std::uint32_t share, std::uint32_t disposition,
                                        std::uint32_t attributes) {
    if (!entries_) return kInvalidDeviceFile;
    HANDLE file = entries_->CeCreateFile(Wide(path).c_str(), access, share, nullptr, disposition,
                                         attributes, nullptr);
    return reinterpret_cast<DeviceFile>(file);
}

std::optional<std::uint32_t> Win32RemoteApi::CeReadFile(DeviceFile file,
                                                        std::span<std::uint8_t> into) {
    DWORD read = 0;
    if (!entries_ || !entries_->CeReadFile(AsHandle(file), into.data(),
                                           static_cast<DWORD>(into.size()), &read, nullptr)) {
        return std::nullopt;
    }
    return std::min<std::uint32_t>(read, static_cast<std::uint32_t>(into.size()));
}

std::optional<std::uint32_t> Win32RemoteApi::CeWriteFile(DeviceFile file,
                                                         std::span<const std::uint8_t> bytes) {
    DWORD written = 0;
    if (!entries_ || !entries_->CeWriteFile(AsHandle(file), bytes.data(),
                                            static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        return std::nullopt;
    }
    return written;
}

bool Win32RemoteApi::CeCloseHandle(DeviceFile file) {
    return entries_ && entries_->CeCloseHandle(AsHandle(file));
}

bool Win32RemoteApi::CeDeleteFile(std::u16string_view path) {
    return entries_ && entries_->CeDeleteFile(Wide(path).c_str());
}

bool Win32RemoteApi::CeMoveFile(std::u16string_view from, std::u16string_view to) {
    return entries_ && entries_->CeMoveFile(Wide(from).c_str(), Wide(to).c_str());
}

bool Win32RemoteApi::CeCreateProcess(std::u16string_view application) {
    if (!entries_) return false;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process{};
    wchar_t empty_command_line[] = L"";
    return entries_->CeCreateProcess(Wide(application).c_str(), empty_command_line, nullptr,
                                     nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                     &process) != FALSE;
}

std::int32_t Win32RemoteApi::CeRapiGetError() {
    return entries_ ? entries_->CeRapiGetError() : kUnreachable;
}

std::uint32_t Win32RemoteApi::CeGetLastError() { return entries_ ? entries_->CeGetLastError() : 0; }

std::optional<std::uint8_t> Win32RemoteApi::PowerLineStatus() {
    SYSTEM_POWER_STATUS_EX status{};
    if (!entries_ || !entries_->CeGetSystemPowerStatusEx(&status, TRUE)) return std::nullopt;
    return status.ACLineStatus;
}

}  // namespace orvo::win32
