#include "shell/win32/main_window.h"

#include "resources/resource_ids.h"
#include "shell/wizard_flow.h"

namespace orvo::win32 {

namespace {

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE: {
            auto* application =
                static_cast<Application*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(application));
            application->context.hMainWnd = window;
            application->display.Make(application->context.hInst);
            RunWizard(application->state,
                      {application->ui, application->environment, application->registry,
                       application->files, application->device, application->active_sync,
                       application->link});
            // Creation succeeds even when the wizard has already closed the window.
            return 0;
        }
        case WM_DESTROY: {
            auto* application =
                reinterpret_cast<Application*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            if (application != nullptr) application->display.Release();
            PostQuitMessage(0);
            return 0;
        }
        default:
            return DefWindowProcW(window, message, wparam, lparam);
    }
}

}  // namespace

bool RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSW window_class{};
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = MainWindowProc;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_PROGRAM));
    window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = kMainWindowClass;
    return RegisterClassW(&window_class) != 0;
}

void CreateMainWindow(Application& application) {
    CreateWindowW(kMainWindowClass, L"SETUP", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, nullptr, nullptr,
                  application.context.hInst, &application);
}

}  // namespace orvo::win32
