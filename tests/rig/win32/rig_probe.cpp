// A remote-API client that drives the simulated handheld through the real stand-in rapi.dll, the
// way the wizard does: loaded by name, entry points looked up by name. Prints key=value lines and
// "FAIL: ..." for every check that does not hold; exit code 0 when all held.
//   rig-probe rapi BACKUP_FILE   session, library copy and invoke, the three device libraries,
//                                errors, the whole backup into BACKUP_FILE, power status
//   rig-probe sessions           a nested session and two uninitialisations: prints
//                                nested=HR first_uninit=HR then=reachable|unreachable
//                                second_uninit=HR (HR in hexadecimal)
//   rig-probe power              ac=0|1, or ac=unreachable
//   rig-probe watch SECONDS      in one session, every change of the power status (ac=...)
//   rig-probe connect SECONDS    CeRapiInitEx and its event: connected=yes|no within SECONDS
//   rig-probe activesync PORT    the stand-ins' windows and their hold on PORT
//   rig-probe porttest PORT TEXT sends eight CRs and TEXT CR, prints echo=yes|no (2 s)
//   rig-probe stop-activesync    ends the owners of the two ActiveSync windows
//   rig-probe restart-activesync starts the program named by App Paths of WCESCOMM.EXE
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "rapi/win32/rapi_types.h"

namespace {

int g_failures = 0;

void Check(bool ok, const std::string& what) {
    if (!ok) {
        std::printf("FAIL: %s\n", what.c_str());
        ++g_failures;
    }
}

struct Api {
    decltype(&CeRapiInitEx) InitEx;
    decltype(&CeRapiUninit) Uninit;
    decltype(&CeRapiInvoke) Invoke;
    decltype(&CeCreateFile) CreateFile;
    decltype(&CeReadFile) ReadFile;
    decltype(&CeWriteFile) WriteFile;
    decltype(&CeCloseHandle) CloseHandle;
    decltype(&CeDeleteFile) DeleteFile;
    decltype(&CeMoveFile) MoveFile;
    decltype(&CeCreateProcess) CreateProcess;
    decltype(&CeRapiGetError) RapiGetError;
    decltype(&CeGetLastError) GetLastError;
    decltype(&CeGetSystemPowerStatusEx) PowerStatus;
};

template <typename F>
void Load(HMODULE lib, const char* name, F& f) {
    f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
    Check(f != nullptr, std::string("rapi.dll exports ") + name);
}

bool LoadApi(Api& a) {
    HMODULE lib = LoadLibraryW(L"rapi.dll");
    Check(lib != nullptr, "rapi.dll loads");
    if (lib == nullptr) return false;
    Load(lib, "CeRapiInitEx", a.InitEx);
    Load(lib, "CeRapiUninit", a.Uninit);
    Load(lib, "CeRapiInvoke", a.Invoke);
    Load(lib, "CeCreateFile", a.CreateFile);
    Load(lib, "CeReadFile", a.ReadFile);
    Load(lib, "CeWriteFile", a.WriteFile);
    Load(lib, "CeCloseHandle", a.CloseHandle);
    Load(lib, "CeDeleteFile", a.DeleteFile);
    Load(lib, "CeMoveFile", a.MoveFile);
    Load(lib, "CeCreateProcess", a.CreateProcess);
    Load(lib, "CeRapiGetError", a.RapiGetError);
    Load(lib, "CeGetLastError", a.GetLastError);
    Load(lib, "CeGetSystemPowerStatusEx", a.PowerStatus);
    return g_failures == 0;
}

bool Open(const Api& a) {
    RAPIINIT init{};
    init.cbSize = sizeof init;
    Check(a.InitEx(&init) == S_OK, "CeRapiInitEx succeeds");
    bool connected = WaitForSingleObject(init.heRapiInit, 5000) == WAIT_OBJECT_0;
    Check(connected && init.hrRapiInit == S_OK, "the connection event comes within 5 s");
    return connected;
}

// Copies bytes to a handheld file in 256-byte writes, as the wizard copies its libraries.
bool Put(const Api& a, const wchar_t* path, const std::vector<BYTE>& data) {
    HANDLE f = a.CreateFile(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    for (std::size_t at = 0; ok && at < data.size(); at += 256) {
        DWORD n = static_cast<DWORD>(std::min<std::size_t>(256, data.size() - at));
        DWORD written = 0;
        ok = a.WriteFile(f, data.data() + at, n, &written, nullptr) && written == n;
    }
    return a.CloseHandle(f) && ok;
}

std::vector<BYTE> Get(const Api& a, const wchar_t* path) {
    HANDLE f = a.CreateFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    std::vector<BYTE> data;
    if (f == INVALID_HANDLE_VALUE) return data;
    BYTE buf[1000];
    DWORD n = 0;
    while (a.ReadFile(f, buf, sizeof buf, &n, nullptr) && n > 0)
        data.insert(data.end(), buf, buf + n);
    a.CloseHandle(f);
    return data;
}

std::string Slot(const BYTE* reply, int slot) {
    std::string text;
    for (int i = 0; i < 25; ++i) {
        wchar_t c =
            static_cast<wchar_t>(reply[slot * 50 + 2 * i] | reply[slot * 50 + 2 * i + 1] << 8);
        if (c == 0) break;
        text += static_cast<char>(c);
    }
    return text;
}

void DeviceData(const Api& a) {
    std::vector<BYTE> lib(5000);
    for (std::size_t i = 0; i < lib.size(); ++i) lib[i] = static_cast<BYTE>(i * 7 + 3);
    Check(Put(a, L"\\Windows\\GetDeviceData.dll", lib), "GetDeviceData.dll copied");
    Check(Get(a, L"\\Windows\\GetDeviceData.dll") == lib, "the copy reads back byte for byte");
    DWORD size = 0;
    BYTE* reply = nullptr;
    HRESULT hr =
        a.Invoke(L"GetDeviceData.dll", L"GetDeviceData", 0, nullptr, &size, &reply, nullptr, 0);
    Check(hr >= 0 && size == 150 && reply != nullptr, "GetDeviceData answers 150 bytes");
    if (hr < 0 || size != 150 || reply == nullptr) return;
    std::string version = Slot(reply, 0);
    std::string model = Slot(reply, 1);
    std::printf("version_text=%s\nmodel_text=%s\nflash_text=%s\n", version.c_str(), model.c_str(),
                Slot(reply, 2).c_str());
    std::printf("model=%s%s\nromtype=%s\nlang=%s\nversion=%s\nserial=%d\n",
                model.substr(7, 5).c_str(), model.substr(13, 4).c_str(),
                model.substr(17, 3).c_str(), version.substr(8).c_str(),
                version.substr(0, 4).c_str(), model.find("Ser") != std::string::npos);
    LocalFree(reply);

    // The handheld's errors come through CeGetLastError; the remote API itself did its part.
    HANDLE again = a.CreateFile(L"\\Windows\\GetDeviceData.dll", GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    Check(again == INVALID_HANDLE_VALUE && a.GetLastError() == 32 && a.RapiGetError() == S_OK,
          "replacing a loaded library fails with handheld error 32");
    HRESULT missing = a.Invoke(L"Missing.dll", L"Entry", 0, nullptr, &size, &reply, nullptr, 0);
    Check(missing < 0 && a.GetLastError() == 126 && a.RapiGetError() == S_OK,
          "invoking a library that is not on the handheld fails with handheld error 126");
}

// CREATE_ALWAYS over a file that is there succeeds and says so in the handheld's last error.
void Replace(const Api& a) {
    const wchar_t* path = L"\\Temp\\twice.bin";
    for (DWORD expected : {0u, 183u}) {
        HANDLE f = a.CreateFile(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
        Check(f != INVALID_HANDLE_VALUE && a.GetLastError() == expected,
              "CREATE_ALWAYS leaves last error " + std::to_string(expected));
        if (f != INVALID_HANDLE_VALUE) a.CloseHandle(f);
    }
    a.DeleteFile(path);
}

// The remote API frees an input buffer of LocalAlloc; one from the stack or from new is
// reported to the handheld and left alone.
HRESULT InvokeWith(const Api& a, BYTE* input, DWORD size) {
    DWORD out_size = 0;
    BYTE* out = nullptr;
    HRESULT hr = a.Invoke(L"ZIB_WriteReserveArea.dll", L"WriteArea", size, input, &out_size, &out,
                          nullptr, 0);
    if (out) LocalFree(out);
    return hr;
}

void ForeignBuffers(const Api& a, const std::vector<BYTE>& record) {
    BYTE on_stack[76];
    std::memcpy(on_stack, record.data(), sizeof on_stack);
    Check(InvokeWith(a, on_stack, sizeof on_stack) >= 0, "an invoke with a stack buffer runs");
    auto from_new = std::make_unique<BYTE[]>(record.size());
    std::memcpy(from_new.get(), record.data(), record.size());
    Check(InvokeWith(a, from_new.get(), static_cast<DWORD>(record.size())) >= 0,
          "an invoke with a buffer from new runs");
}

// Copies a device library to the handheld and calls its entry with `record`, as the wizard does.
void CallLibrary(const Api& a, const std::wstring& library, const wchar_t* entry,
                 std::vector<BYTE> record) {
    const std::string name(library.begin(), library.end());
    Check(Put(a, (L"\\Windows\\" + library).c_str(), std::vector<BYTE>(300, 0x5A)),
          name + " copied");
    DWORD size = 0;
    BYTE* reply = nullptr;
    auto* input = static_cast<BYTE*>(LocalAlloc(LPTR, record.size()));
    std::memcpy(input, record.data(), record.size());
    HRESULT hr = a.Invoke(library.c_str(), entry, static_cast<DWORD>(record.size()), input, &size,
                          &reply, nullptr, 0);
    Check(!HeapValidate(GetProcessHeap(), 0, input), name + "'s input freed by the remote API");
    Check(hr >= 0, name + " answers its call");
    if (reply) LocalFree(reply);
}

void WriteArea(const Api& a, const std::string& identity) {
    std::vector<BYTE> record(76);
    const DWORD head[3] = {2, 0xA0040100, (static_cast<DWORD>(identity.size()) + 3) & ~3u};
    std::memcpy(record.data(), head, sizeof head);
    for (std::size_t i = 0; i < identity.size(); ++i) record[12 + 2 * i] = identity[i];
    CallLibrary(a, L"ZIB_WriteReserveArea.dll", L"WriteArea", record);
    ForeignBuffers(a, record);
}

void SetTime(const Api& a) {
    std::vector<BYTE> record(188);
    TIME_ZONE_INFORMATION tz{};
    GetTimeZoneInformation(&tz);
    SYSTEMTIME now{};
    GetSystemTime(&now);
    static_assert(sizeof tz == 172 && sizeof now == 16);
    std::memcpy(record.data(), &tz, 172);
    std::memcpy(record.data() + 172, &now, 16);
    CallLibrary(a, L"SetSystemTime.dll", L"SetSysTime", record);
}

void Backup(const Api& a, const char* target) {
    constexpr DWORD kChunk = 262144;
    a.DeleteFile(L"\\Temp\\backup.exe");
    a.DeleteFile(L"\\Temp\\image.nb");
    Check(Put(a, L"\\Temp\\backup.exe", std::vector<BYTE>(4096, 0x42)), "backup.exe copied");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION pi{};
    Check(a.CreateProcess(L"\\Temp\\backup.exe", L"", nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &si, &pi) != FALSE,
          "backup.exe starts");
    // The power poller of the wizard's backup page runs beside the chunk loop.
    std::atomic<bool> done{false};
    std::atomic<int> polls{0};
    std::thread poller([&] {
        SYSTEM_POWER_STATUS_EX ps{};
        while (!done) {
            if (a.PowerStatus(&ps, TRUE)) ++polls;
            Sleep(20);
        }
    });
    HANDLE out = CreateFileA(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    std::vector<BYTE> buf(kChunk);
    int chunks = 0;
    for (; chunks < 124; ++chunks) {
        HANDLE f = INVALID_HANDLE_VALUE;
        for (int poll = 0; poll < 500 && f == INVALID_HANDLE_VALUE; ++poll) {
            f = a.CreateFile(L"\\Temp\\image.nb", GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (f == INVALID_HANDLE_VALUE) Sleep(20);
        }
        if (f == INVALID_HANDLE_VALUE) break;
        DWORD n = 0;
        a.ReadFile(f, buf.data(), kChunk, &n, nullptr);
        Check(n == kChunk, "chunk " + std::to_string(chunks) + " is whole");
        Check(!a.DeleteFile(L"\\Temp\\image.nb"), "an open chunk cannot be deleted");
        a.CloseHandle(f);
        Check(a.DeleteFile(L"\\Temp\\image.nb") != FALSE, "a closed chunk is deleted");
        DWORD written = 0;
        WriteFile(out, buf.data(), n, &written, nullptr);
    }
    CloseHandle(out);
    done = true;
    poller.join();
    std::printf("chunks=%d\npower_polls=%d\n", chunks, polls.load());
    Check(chunks == 124, "124 chunks arrive");
    Check(polls > 0, "the power status answers while the backup runs");
}

int Connect(const Api& a, int seconds) {
    RAPIINIT init{};
    init.cbSize = sizeof init;
    Check(a.InitEx(&init) == S_OK, "CeRapiInitEx succeeds before the handheld is there");
    bool connected = WaitForSingleObject(init.heRapiInit, seconds * 1000) == WAIT_OBJECT_0;
    std::printf("connected=%s\n", connected && init.hrRapiInit == S_OK ? "yes" : "no");
    SYSTEM_POWER_STATUS_EX ps{};
    Check(connected == (a.PowerStatus(&ps, TRUE) != FALSE), "calls work once connected only");
    Check(a.Uninit() == S_OK, "the session ends");
    return g_failures == 0 ? 0 : 1;
}

// The power status, then every change of it for `seconds`.
int Watch(const Api& a, int seconds) {
    if (!Open(a)) return 1;
    std::string last;
    for (int i = 0; i == 0 || i < seconds * 10; ++i) {
        SYSTEM_POWER_STATUS_EX ps{};
        std::string now =
            a.PowerStatus(&ps, TRUE) ? std::to_string(ps.ACLineStatus) : "unreachable";
        if (now != last) std::printf("ac=%s\n", now.c_str());
        last = now;
        if (seconds > 0) Sleep(100);
    }
    a.Uninit();
    return 0;
}

// Records of a hard-coded 32-bit size are refused or reported on this build.
void WrongSizes(const Api& a) {
    RAPIINIT init{};
    init.cbSize = sizeof init == 12 ? 24 : 12;
    Check(a.InitEx(&init) == E_INVALIDARG && a.RapiGetError() == E_INVALIDARG,
          "CeRapiInitEx refuses a record of the wrong size");
    STARTUPINFOW si{};
    si.cb = sizeof si == 68 ? 104 : 68;
    PROCESS_INFORMATION pi{};
    a.CreateProcess(L"\\Temp\\none.exe", L"", nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                    &pi);
    Check(a.RapiGetError() == static_cast<HRESULT>(0x8007048F),
          "a call without a connection is the remote API's own failure");
}

// How sessions count: a nested CeRapiInitEx and two CeRapiUninit, then whether the connection
// still answers.
int Sessions(const Api& a) {
    if (!Open(a)) return 1;
    RAPIINIT inner{};
    inner.cbSize = sizeof inner;
    HRESULT nested = a.InitEx(&inner);
    HRESULT first = a.Uninit();
    SYSTEM_POWER_STATUS_EX ps{};
    bool reachable = a.PowerStatus(&ps, TRUE) != FALSE;
    HRESULT second = a.Uninit();
    std::printf("nested=%lx first_uninit=%lx then=%s second_uninit=%lx\n",
                static_cast<unsigned long>(nested), static_cast<unsigned long>(first),
                reachable ? "reachable" : "unreachable", static_cast<unsigned long>(second));
    return g_failures == 0 ? 0 : 1;
}

int RapiScenario(const Api& a, const char* backup_file) {
    WrongSizes(a);
    if (!Open(a)) return 1;
    // A nested session, as the wizard's library calls open one inside the flow's.
    RAPIINIT inner{};
    inner.cbSize = sizeof inner;
    Check(a.InitEx(&inner) == S_OK && WaitForSingleObject(inner.heRapiInit, 0) == WAIT_OBJECT_0,
          "a nested CeRapiInitEx is connected at once");
    DeviceData(a);
    WriteArea(a, "Orvo 4700NBTGER2.04");
    SetTime(a);
    Replace(a);
    Check(a.Uninit() == S_OK, "the nested session ends");
    Backup(a, backup_file);
    SYSTEM_POWER_STATUS_EX ps{};
    Check(a.PowerStatus(&ps, TRUE) != FALSE, "power status after the backup");
    std::printf("ac=%d\n", ps.ACLineStatus);
    Check(a.Uninit() == S_OK, "the session ends");
    return g_failures == 0 ? 0 : 1;
}

std::wstring Widen(const char* s) {
    std::wstring w;
    while (*s) w += static_cast<wchar_t>(*s++);
    return w;
}

std::string OwnerPath(HWND wnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    char path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (p != nullptr) {
        QueryFullProcessImageNameA(p, 0, path, &size);
        CloseHandle(p);
    }
    std::string s = path;
    for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s;
}

// Opens a port for both directions, alone; prints open=error N when that fails.
HANDLE OpenLink(const char* port, DWORD flags) {
    HANDLE h = CreateFileW(Widen(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) std::printf("open=error %lu\n", GetLastError());
    return h;
}

int OpenPort(const char* port) {
    HANDLE h = OpenLink(port, FILE_FLAG_OVERLAPPED);
    if (h != INVALID_HANDLE_VALUE) {
        std::printf("open=ok\n");
        CloseHandle(h);
    }
    return 0;
}

int PortTest(const char* port, const char* text) {
    HANDLE h = OpenLink(port, 0);
    if (h == INVALID_HANDLE_VALUE) return 1;
    COMMTIMEOUTS timeouts{0, 0, 200, 0, 0};
    SetCommTimeouts(h, &timeouts);
    std::string out = std::string(8, '\r') + text + "\r";
    DWORD n = 0;
    WriteFile(h, out.data(), static_cast<DWORD>(out.size()), &n, nullptr);
    std::string in;
    for (int i = 0; i < 10 && in.find(std::string(text) + "\r") == std::string::npos; ++i) {
        char buf[256];
        if (ReadFile(h, buf, sizeof buf, &n, nullptr)) in.append(buf, n);
    }
    CloseHandle(h);
    std::printf("echo=%s\n", in.find(std::string(text) + "\r") != std::string::npos ? "yes" : "no");
    return 0;
}

int StopActiveSync() {
    for (const wchar_t* title : {L"DccMan", L"WCES Manager Thunk Window"}) {
        HWND wnd = FindWindowW(nullptr, title);
        DWORD pid = 0;
        if (wnd) GetWindowThreadProcessId(wnd, &pid);
        HANDLE p = pid ? OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid) : nullptr;
        Check(p != nullptr && TerminateProcess(p, 0), "the owner of a window is ended");
        if (p) {
            WaitForSingleObject(p, 5000);
            CloseHandle(p);
        }
    }
    return g_failures == 0 ? 0 : 1;
}

int RestartActiveSync() {
    char path[256] = {};
    DWORD size = sizeof path;
    Check(RegGetValueA(HKEY_LOCAL_MACHINE,
                       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\WCESCOMM.EXE",
                       nullptr, RRF_RT_REG_SZ, nullptr, path, &size) == ERROR_SUCCESS,
          "App Paths of WCESCOMM.EXE");
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION pi{};
    Check(CreateProcessA(path, nullptr, nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                         nullptr, &si, &pi) != FALSE,
          std::string("starting ") + path);
    for (int i = 0; i < 100 && !FindWindowW(nullptr, L"WCES Manager Thunk Window"); ++i) Sleep(100);
    Check(FindWindowW(nullptr, L"DccMan") && FindWindowW(nullptr, L"WCES Manager Thunk Window"),
          "both windows are back");
    return g_failures == 0 ? 0 : 1;
}

int ActiveSync(const char* port) {
    HWND dcc = FindWindowW(nullptr, L"DccMan");
    HWND manager = FindWindowW(nullptr, L"WCES Manager Thunk Window");
    Check(dcc != nullptr && GetParent(dcc) == nullptr, "a top-level DccMan window");
    Check(manager != nullptr, "a top-level WCES Manager Thunk Window");
    if (dcc) std::printf("dccman_owner=%s\n", OwnerPath(dcc).c_str());
    if (manager) std::printf("manager_owner=%s\n", OwnerPath(manager).c_str());
    OpenPort(port);
    return g_failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::string what = argc > 1 ? argv[1] : "";
    if (what == "activesync" && argc == 3) return ActiveSync(argv[2]);
    if (what == "open" && argc == 3) return OpenPort(argv[2]);
    if (what == "porttest" && argc == 4) return PortTest(argv[2], argv[3]);
    if (what == "stop-activesync" && argc == 2) return StopActiveSync();
    if (what == "restart-activesync" && argc == 2) return RestartActiveSync();
    Api a{};
    if ((what == "rapi" && argc == 3) || (what == "power" && argc == 2) ||
        (what == "watch" && argc == 3) || (what == "connect" && argc == 3) ||
        (what == "sessions" && argc == 2)) {
        if (!LoadApi(a)) return 1;
        if (what == "rapi") return RapiScenario(a, argv[2]);
        if (what == "sessions") return Sessions(a);
        if (what == "connect") return Connect(a, std::atoi(argv[2]));
        return Watch(a, what == "watch" ? std::atoi(argv[2]) : 0);
    }
    std::printf(
        "usage: rig-probe rapi FILE | sessions | power | watch SECONDS | connect SECONDS | "
        "activesync PORT | "
        "open PORT | "
        "porttest PORT TEXT | stop-activesync | restart-activesync\n");
    return 2;
}
