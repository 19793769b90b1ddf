// The program's entry: one instance, one carrier window, the wizard inside its creation.

#include "shell/win32/main_window.h"

#include <commctrl.h>

#include <memory>

namespace {

std::wstring LoadCatalogueText(HINSTANCE instance, int id) {
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW hands out the resource's own text and its length.
    const int length = LoadStringW(instance, id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, length) : std::wstring();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
    using namespace orvo::win32;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    RegisterMainWindowClass(instance);
    auto application = std::make_unique<Application>(instance);
    application->catalogue.Load([instance](int id) { return LoadCatalogueText(instance, id); });
    application->state.SerialLink = 1;

    // Only one instance runs; the running one is neither activated nor told.
    if (FindWindowW(kMainWindowClass, nullptr) != nullptr) return 0;

    CreateMainWindow(*application);
    HWND main_window = application->context.hMainWnd;
    if (main_window == nullptr) return 0;
    // Without effect when the wizard has already destroyed the window.
    ShowWindow(main_window, show_command);
    UpdateWindow(main_window);

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
