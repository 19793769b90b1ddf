// The stand-in for ActiveSync's remote-API library: the same exports, calling convention and
// records, each call forwarded to the simulated handheld.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <thread>
#include <vector>

#include "local_block.h"
#include "rapi_types.h"
#include "sim_link.h"

namespace {

using rig::CallSimulator;
using rig::NoteToSimulator;
namespace wire = rig::wire;

constexpr HRESULT kNotConnected = static_cast<HRESULT>(0x8007048F);
constexpr std::uint32_t kInvalidHandle = 0xFFFFFFFF;
constexpr DWORD kMaxTransfer = 512 * 1024;

// Sessions nest: every CeRapiInitEx is balanced by a CeRapiUninit, and the connection ends with
// the last one. In the simulator's strict setting, as on the platform, a nested CeRapiInitEx is
// refused and the first CeRapiUninit ends the connection. A connection attempt that does not find
// the handheld keeps trying in the background and signals the caller's event when it succeeds.
struct Session {
    std::mutex mu;
    int opens = 0;
    std::uint32_t connection = 0;                       // 0: not connected
    std::vector<HANDLE> events;                         // closed with the last CeRapiUninit
    std::vector<std::pair<RAPIINIT*, HANDLE>> pending;  // attempts waiting for the handheld
    std::thread connector;
    bool connecting = false;
    std::atomic<bool> stop{false};
};
Session g_session;

// Failures of the remote API itself (no connection, a bad record), and the handheld's own error
// of the last call it served, as the platform keeps them apart.
thread_local HRESULT t_rapi_error = S_OK;
thread_local DWORD t_last_error = 0;

std::uint32_t Connection() {
    std::lock_guard lock(g_session.mu);
    return g_session.connection;
}

std::vector<std::uint8_t> Text(LPCWSTR text) {
    std::vector<std::uint8_t> bytes;
    if (text != nullptr) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(text);
        bytes.assign(p, p + 2 * std::wcslen(text));
    }
    return bytes;
}

// One call to the handheld; empty when the call did not reach a connected handheld.
std::optional<wire::Reply> Call(const char* name, wire::Op op, const wire::Writer& w) {
    std::uint32_t connection = Connection();
    if (connection == 0) {
        int opens;
        {
            std::lock_guard lock(g_session.mu);
            opens = g_session.opens;
        }
        if (opens == 0) NoteToSimulator(std::string(name) + " called without CeRapiInitEx");
        t_rapi_error = kNotConnected;
        return std::nullopt;
    }
    wire::Writer copy = w;
    auto reply = CallSimulator(op, connection, copy.Take());
    if (!reply || reply->error == static_cast<std::uint32_t>(kNotConnected)) {
        t_rapi_error = kNotConnected;
        return std::nullopt;
    }
    t_rapi_error = S_OK;
    t_last_error = reply->error;
    return reply;
}

BOOL Succeeded(const std::optional<wire::Reply>& reply) { return reply && reply->result != 0; }

std::optional<wire::Reply> AskToConnect(bool probe, bool nested) {
    wire::Writer w;
    w.U32(probe ? 1 : 0).U32(nested ? 1 : 0);
    return CallSimulator(wire::Op::Init, 0, w.Take());
}

std::optional<std::uint32_t> ConnectionOf(const std::optional<wire::Reply>& reply) {
    if (!reply || reply->result != 0) return std::nullopt;
    wire::Reader r(reply->payload);
    return r.U32();
}

// The platform takes over the input buffer of CeRapiInvoke and frees it, whatever the outcome;
// one that LocalFree cannot take is reported and left alone, so that the rig's heap survives.
class InvokeInput {
  public:
    explicit InvokeInput(BYTE* input) : input_(input) {
        if (input_ != nullptr && !rig::IsFixedLocalBlock(input_)) {
            NoteToSimulator("CeRapiInvoke input buffer not allocated with LocalAlloc");
            input_ = nullptr;
        }
    }
    ~InvokeInput() {
        if (input_ != nullptr) LocalFree(input_);
    }
    InvokeInput(const InvokeInput&) = delete;
    InvokeInput& operator=(const InvokeInput&) = delete;

  private:
    BYTE* input_;
};

void KeepConnecting() {
    while (!g_session.stop) {
        if (auto connection = ConnectionOf(AskToConnect(true, false))) {
            std::lock_guard lock(g_session.mu);
            g_session.connecting = false;
            if (g_session.stop) return;
            g_session.connection = *connection;
            for (auto& [init, event] : g_session.pending) {
                init->hrRapiInit = S_OK;
                SetEvent(event);
            }
            g_session.pending.clear();
            return;
        }
        Sleep(250);
    }
    std::lock_guard lock(g_session.mu);
    g_session.connecting = false;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        rig::SetLibraryModule(module);
        DisableThreadLibraryCalls(module);
    }
    return TRUE;
}

extern "C" {

HRESULT WINAPI CeRapiInitEx(RAPIINIT* init) {
    if (init == nullptr || init->cbSize != sizeof(RAPIINIT)) {
        NoteToSimulator("CeRapiInitEx with record size " + std::to_string(init ? init->cbSize : 0) +
                        ", the platform's is " + std::to_string(sizeof(RAPIINIT)));
        t_rapi_error = E_INVALIDARG;
        return E_INVALIDARG;
    }
    std::unique_lock lock(g_session.mu);
    auto reply = AskToConnect(false, g_session.opens > 0);
    if (reply && reply->result == wire::kAlreadyInitialised) return wire::kAlreadyInitialised;
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_session.events.push_back(event);
    init->heRapiInit = event;
    init->hrRapiInit = E_PENDING;
    ++g_session.opens;
    if (auto connection = ConnectionOf(reply)) {
        g_session.connection = *connection;
        init->hrRapiInit = S_OK;
        SetEvent(event);
        return S_OK;
    }
    // The handheld is not there (yet): the event is signalled once it connects.
    g_session.connection = 0;
    g_session.pending.emplace_back(init, event);
    if (!g_session.connecting) {
        if (g_session.connector.joinable()) g_session.connector.join();  // already finished
        g_session.stop = false;
        g_session.connecting = true;
        g_session.connector = std::thread(KeepConnecting);
    }
    return S_OK;
}

HRESULT WINAPI CeRapiUninit() {
    std::unique_lock lock(g_session.mu);
    if (g_session.opens == 0) {
        lock.unlock();
        NoteToSimulator("CeRapiUninit without CeRapiInitEx");
        return E_FAIL;
    }
    auto reply = CallSimulator(wire::Op::Uninit, g_session.connection, {});
    bool ends_all = false;
    if (reply) {
        wire::Reader r(reply->payload);
        ends_all = r.U32() == 1;
    }
    if (--g_session.opens > 0 && !ends_all) return S_OK;
    g_session.opens = 0;
    g_session.stop = true;
    g_session.connection = 0;
    if (g_session.connector.joinable()) {
        lock.unlock();
        g_session.connector.join();
        lock.lock();
    }
    for (HANDLE e : g_session.events) CloseHandle(e);
    g_session.events.clear();
    g_session.pending.clear();
    return S_OK;
}

HRESULT WINAPI CeRapiInvoke(LPCWSTR dll, LPCWSTR function, DWORD input_size, BYTE* input,
                            DWORD* output_size, BYTE** output, IRAPIStream** stream, DWORD) {
    // Declared first, so that the buffer is freed last, after the reply is allocated.
    InvokeInput owned(input);
    if (output_size) *output_size = 0;
    if (output) *output = nullptr;
    if (stream != nullptr) {
        NoteToSimulator("CeRapiInvoke in stream mode is not simulated");
        return E_NOTIMPL;
    }
    wire::Writer w;
    w.Bytes(Text(dll)).Bytes(Text(function)).Bytes(input, input ? input_size : 0);
    auto reply = Call("CeRapiInvoke", wire::Op::Invoke, w);
    if (!reply) return kNotConnected;
    wire::Reader r(reply->payload);
    std::vector<std::uint8_t> out = r.Bytes();
    if (!out.empty() && output != nullptr) {
        // Allocated for the caller, who releases it with LocalFree.
        *output = static_cast<BYTE*>(LocalAlloc(LPTR, out.size()));
        std::copy(out.begin(), out.end(), *output);
        if (output_size) *output_size = static_cast<DWORD>(out.size());
    }
    return reply->result;
}

HANDLE WINAPI CeCreateFile(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                           DWORD disposition, DWORD attributes, HANDLE) {
    wire::Writer w;
    w.Bytes(Text(path)).U32(access).U32(share).U32(disposition).U32(attributes);
    auto reply = Call("CeCreateFile", wire::Op::CreateFile, w);
    if (!reply || static_cast<std::uint32_t>(reply->result) == kInvalidHandle) {
        return INVALID_HANDLE_VALUE;
    }
    return reinterpret_cast<HANDLE>(
        static_cast<std::uintptr_t>(static_cast<std::uint32_t>(reply->result)));
}

BOOL WINAPI CeReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED) {
    DWORD total = 0;
    auto* p = static_cast<std::uint8_t*>(buffer);
    BOOL ok = TRUE;
    while (ok && total < size) {
        wire::Writer w;
        w.U32(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(file)))
            .U32(std::min(size - total, kMaxTransfer));
        auto reply = Call("CeReadFile", wire::Op::ReadFile, w);
        ok = Succeeded(reply);
        if (!ok) break;
        wire::Reader r(reply->payload);
        std::vector<std::uint8_t> data = r.Bytes();
        std::copy(data.begin(), data.end(), p + total);
        total += static_cast<DWORD>(data.size());
        if (data.empty()) break;  // end of file
    }
    if (read) *read = total;
    return ok;
}

BOOL WINAPI CeWriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED) {
    DWORD total = 0;
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    BOOL ok = TRUE;
    do {
        DWORD n = std::min(size - total, kMaxTransfer);
        wire::Writer w;
        w.U32(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(file)))
            .Bytes(p + total, n);
        ok = Succeeded(Call("CeWriteFile", wire::Op::WriteFile, w));
        if (ok) total += n;
    } while (ok && total < size);
    if (written) *written = total;
    return ok;
}

BOOL WINAPI CeCloseHandle(HANDLE handle) {
    wire::Writer w;
    w.U32(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle)));
    return Succeeded(Call("CeCloseHandle", wire::Op::CloseHandle, w));
}

BOOL WINAPI CeDeleteFile(LPCWSTR path) {
    wire::Writer w;
    w.Bytes(Text(path));
    return Succeeded(Call("CeDeleteFile", wire::Op::DeleteFile, w));
}

BOOL WINAPI CeMoveFile(LPCWSTR from, LPCWSTR to) {
    wire::Writer w;
    w.Bytes(Text(from)).Bytes(Text(to));
    return Succeeded(Call("CeMoveFile", wire::Op::MoveFile, w));
}

BOOL WINAPI CeCreateProcess(LPCWSTR application, LPCWSTR command_line, LPSECURITY_ATTRIBUTES,
                            LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPWSTR,
                            LPSTARTUPINFOW startup, LPPROCESS_INFORMATION process) {
    if (startup != nullptr && startup->cb != sizeof(STARTUPINFOW)) {
        NoteToSimulator("CeCreateProcess with start-up record size " + std::to_string(startup->cb) +
                        ", the platform's is " + std::to_string(sizeof(STARTUPINFOW)));
    }
    wire::Writer w;
    w.Bytes(Text(application)).Bytes(Text(command_line));
    auto reply = Call("CeCreateProcess", wire::Op::CreateProcess, w);
    if (!Succeeded(reply)) return FALSE;
    wire::Reader r(reply->payload);
    PROCESS_INFORMATION info{};
    info.hProcess = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(r.U32()));
    info.hThread = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(r.U32()));
    info.dwProcessId = r.U32();
    info.dwThreadId = r.U32();
    if (process) *process = info;
    return TRUE;
}

HRESULT WINAPI CeRapiGetError() { return t_rapi_error; }

DWORD WINAPI CeGetLastError() { return t_last_error; }

BOOL WINAPI CeGetSystemPowerStatusEx(SYSTEM_POWER_STATUS_EX* status, BOOL refresh) {
    wire::Writer w;
    w.U32(refresh ? 1 : 0);
    auto reply = Call("CeGetSystemPowerStatusEx", wire::Op::PowerStatus, w);
    if (!Succeeded(reply) || status == nullptr) return FALSE;
    wire::Reader r(reply->payload);
    std::vector<std::uint8_t> record = r.Bytes();
    if (record.size() != sizeof(SYSTEM_POWER_STATUS_EX)) return FALSE;
    std::memcpy(status, record.data(), record.size());
    return TRUE;
}

}  // extern "C"
