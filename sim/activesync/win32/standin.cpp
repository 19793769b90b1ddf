#include "standin.h"

#include <winsock2.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace {

struct Handle {
    HANDLE h = INVALID_HANDLE_VALUE;
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

std::wstring HoldPortName() {
    wchar_t value[260] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\RomWizardRig", L"HoldPort", RRF_RT_REG_SZ,
                     nullptr, value, &size) != ERROR_SUCCESS) {
        return L"";
    }
    return value;
}

// Keeps the port open and reads whatever arrives, as the real service does while it waits for
// the handheld. Wine does not refuse a second open of a serial port, so a program that did not
// stop the service still opens it, but then loses the handheld's answers to this reader.
void HoldPort(std::wstring name) {
    for (;;) {
        Handle port;
        port.h = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED, nullptr);
        if (port.h == INVALID_HANDLE_VALUE) {
            Sleep(1000);  // the port comes and goes with the handheld
            continue;
        }
        // No time-outs: a read stays pending and takes every byte that arrives.
        COMMTIMEOUTS timeouts{0, 0, 0, 0, 0};
        SetCommTimeouts(port.h, &timeouts);
        Handle event;
        event.h = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        for (;;) {
            char buf[4096];
            DWORD n = 0;
            OVERLAPPED ov{};
            ov.hEvent = event.h;
            if (!ReadFile(port.h, buf, sizeof buf, &n, &ov)) {
                if (GetLastError() != ERROR_IO_PENDING ||
                    !GetOverlappedResult(port.h, &ov, &n, TRUE)) {
                    break;
                }
            }
            if (n == 0) Sleep(10);
        }
        Sleep(1000);
    }
}

// The simulated handheld's control port, from ROMWIZARD_SIM_CONTROL or from "control=PORT" in
// rapi-sim.txt next to this program; 0 when neither names one.
int ControlPort() {
    if (const char* env = std::getenv("ROMWIZARD_SIM_CONTROL"); env && *env) return std::atoi(env);
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring file(path, n);
    file = file.substr(0, file.find_last_of(L"\\/") + 1) + L"rapi-sim.txt";
    std::ifstream in(file.c_str());
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("control=", 0) == 0) return std::atoi(line.c_str() + 8);
    }
    return 0;
}

// Wine lets a second program open a serial port that this one holds, so the hold is also told
// to the simulated handheld: while this program lives, what the handheld sends on that port
// goes to the service, not to whoever else opened it. The socket ends with the process.
void TellSimulator(const std::wstring& port) {
    static const std::pair<const wchar_t*, const char*> names[] = {{L"COM1", "com1"},
                                                                   {L"COM2", "com2"},
                                                                   {L"\\\\.\\WCEUSBSH001", "usb1"},
                                                                   {L"\\\\.\\WCEUSBSH002", "usb2"}};
    const char* name = nullptr;
    for (const auto& [windows, sim] : names) {
        if (_wcsicmp(port.c_str(), windows) == 0) name = sim;
    }
    int control = ControlPort();
    if (name == nullptr || control == 0) return;
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<u_short>(control));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        closesocket(s);
        return;
    }
    std::string command = std::string("hold ") + name + "\n";
    send(s, command.data(), static_cast<int>(command.size()), 0);
    char reply[64];
    recv(s, reply, sizeof reply, 0);  // wait for the reply; the socket stays open
}

LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

void StartManager() {
    if (FindWindowW(nullptr, kManagerTitle) != nullptr) return;
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring manager(path, n);
    manager = manager.substr(0, manager.find_last_of(L"\\/") + 1) + L"wcesmgr.exe";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(manager.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                       &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}

}  // namespace

int RunStandIn(const wchar_t* title, bool hold_port, bool start_manager) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"RomWizardRigStandIn";
    RegisterClassW(&wc);
    HWND wnd = CreateWindowExW(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                               nullptr, nullptr, instance, nullptr);
    if (wnd == nullptr) return 1;
    std::wstring port = hold_port ? HoldPortName() : L"";
    if (!port.empty()) {
        TellSimulator(port);
        std::thread(HoldPort, port).detach();
    }
    if (start_manager) StartManager();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
