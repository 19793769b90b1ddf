#include "standin.h"

#include <windows.h>

#include <string>

namespace {

constexpr UINT_PTR kHoldTimer = 1;

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

Handle g_port;
std::wstring g_port_name;

// Opens the port as the real service does: exclusively. Retried while it fails, for the port
// may come and go with the handheld.
void HoldPort() {
    if (g_port_name.empty() || g_port.h != INVALID_HANDLE_VALUE) return;
    g_port.h = CreateFileW(g_port_name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
}

LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER && wp == kHoldTimer) {
        HoldPort();
        return 0;
    }
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
    if (hold_port) {
        g_port_name = HoldPortName();
        HoldPort();
        SetTimer(wnd, kHoldTimer, 1000, nullptr);
    }
    if (start_manager) StartManager();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
