#include "platform/win32/win32_processes.h"

#include "platform/win32/kernel_handle.h"
#include "platform/win32/loaded_library.h"

#include <tlhelp32.h>

#include <cstring>
#include <memory>
#include <string_view>

namespace orvo::win32 {
namespace {

// Full access as every Windows NT grants it: the wider mask of newer headers makes OpenProcess
// fail on NT 5, where the process-status way runs.
constexpr DWORD kFullAccess = STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0xFFF;
constexpr UINT kExitCode = 0;
constexpr DWORD kFirstListBytes = 1024;
// Far beyond any real process count; a list that still fills this is not believed.
constexpr DWORD kMostListBytes = 4u << 20;
constexpr int kTitleRoom = 100;

// The snapshot's entry record with its executable name in ANSI, whatever UNICODE says.
using ProcessEntry = tagPROCESSENTRY32;
#if defined(__i386__)
static_assert(sizeof(ProcessEntry) == 296);
static_assert(sizeof(STARTUPINFOA) == 68);
#endif

using EnumProcessesFn = BOOL(WINAPI*)(DWORD* ids, DWORD bytes, DWORD* bytes_used);
using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE process, HMODULE* modules, DWORD bytes,
                                           DWORD* bytes_needed);
using GetModuleFileNameExAFn = DWORD(WINAPI*)(HANDLE process, HMODULE module, LPSTR name,
                                              DWORD size);
using CreateToolhelp32SnapshotFn = HANDLE(WINAPI*)(DWORD flags, DWORD process_id);
using Process32Fn = BOOL(WINAPI*)(HANDLE snapshot, ProcessEntry* entry);

KernelHandle OpenWithFullAccess(DWORD process_id) {
    return KernelHandle(OpenProcess(kFullAccess, FALSE, process_id));
}

void End(const KernelHandle& process) {
    if (process) TerminateProcess(process.get(), kExitCode);
}

// A block of the process heap, freed exactly once.
class HeapBlock {
  public:
    explicit HeapBlock(DWORD bytes) : data_(HeapAlloc(GetProcessHeap(), 0, bytes)) {}
    HeapBlock(const HeapBlock&) = delete;
    HeapBlock& operator=(const HeapBlock&) = delete;
    ~HeapBlock() {
        if (data_ != nullptr) HeapFree(GetProcessHeap(), 0, data_);
    }
    DWORD* ids() const { return static_cast<DWORD*>(data_); }

  private:
    void* data_;
};

void EndByProcessStatus(const TextMatch& matches) {
    const LoadedLibrary psapi("PSAPI.DLL");
    const auto enum_processes = psapi.Find<EnumProcessesFn>("EnumProcesses");
    const auto enum_modules = psapi.Find<EnumProcessModulesFn>("EnumProcessModules");
    const auto module_name = psapi.Find<GetModuleFileNameExAFn>("GetModuleFileNameExA");
    if (!enum_processes || !enum_modules || !module_name) return;

    // A list that fills its buffer exactly may be longer: ask again with twice the room.
    DWORD room = kFirstListBytes;
    DWORD used = 0;
    std::unique_ptr<HeapBlock> list;
    for (;;) {
        list = std::make_unique<HeapBlock>(room);
        if (list->ids() == nullptr || !enum_processes(list->ids(), room, &used)) return;
        if (used < room) break;
        if (room >= kMostListBytes) return;
        list.reset();
        room *= 2;
    }

    for (DWORD i = 0; i < used / sizeof(DWORD); ++i) {
        const KernelHandle process = OpenWithFullAccess(list->ids()[i]);
        if (!process) continue;
        HMODULE first_module = nullptr;
        DWORD needed = 0;
        char path[MAX_PATH];
        if (!enum_modules(process.get(), &first_module, sizeof first_module, &needed)) continue;
        const DWORD length = module_name(process.get(), first_module, path, MAX_PATH);
        if (length == 0) continue;
        if (matches(std::string_view(path, strnlen(path, length)))) {
            End(process);
            return;
        }
    }
}

void EndBySnapshot(const TextMatch& matches) {
    const LoadedLibrary kernel("Kernel32.DLL");
    const auto create_snapshot =
        kernel.Find<CreateToolhelp32SnapshotFn>("CreateToolhelp32Snapshot");
    const auto first = kernel.Find<Process32Fn>("Process32First");
    const auto next = kernel.Find<Process32Fn>("Process32Next");
    if (!create_snapshot || !first || !next) return;

    const KernelHandle snapshot(create_snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    ProcessEntry entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = first(snapshot.get(), &entry); more; more = next(snapshot.get(), &entry)) {
        const KernelHandle process = OpenWithFullAccess(entry.th32ProcessID);
        const std::string_view name(entry.szExeFile, strnlen(entry.szExeFile, MAX_PATH));
        if (matches(name)) {
            End(process);
            return;
        }
    }
}

bool HasParentOrOwner(HWND window) {
    return GetParent(window) != nullptr || GetWindow(window, GW_OWNER) != nullptr;
}

}  // namespace

void Win32Processes::EndFirstProcess(ProcessListing listing, const TextMatch& matches) {
    if (listing == ProcessListing::ProcessStatus) {
        EndByProcessStatus(matches);
    } else {
        EndBySnapshot(matches);
    }
}

void Win32Processes::EndFirstWindowOwner(const TextMatch& matches) {
    // Windows above the main window are not visited.
    HWND window = main_window_ ? GetWindow(main_window_, GW_HWNDNEXT) : nullptr;
    while (window != nullptr) {
        while (window != nullptr && HasParentOrOwner(window)) {
            window = GetWindow(window, GW_HWNDNEXT);
            Sleep(1);
        }
        if (window == nullptr) return;
        DWORD process_id = 0;
        GetWindowThreadProcessId(window, &process_id);
        // The wizard's own windows are never ActiveSync's, and the wizard never ends itself.
        if (process_id != GetCurrentProcessId()) {
            const KernelHandle process = OpenWithFullAccess(process_id);
            char title[kTitleRoom + 1] = {};
            const int length = GetWindowTextA(window, title, sizeof title);
            if (matches(std::string_view(title, length > 0 ? length : 0))) {
                End(process);
                return;
            }
        }
        window = GetWindow(window, GW_HWNDNEXT);
    }
}

bool Win32Processes::StartProgram(const std::string& program) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION started{};
    char command_line[] = "";
    if (!CreateProcessA(program.c_str(), command_line, nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                        nullptr, nullptr, &startup, &started)) {
        return false;
    }
    // The started program is not waited for: its handles go at once.
    const KernelHandle thread(started.hThread);
    const KernelHandle process(started.hProcess);
    return true;
}

}  // namespace orvo::win32
