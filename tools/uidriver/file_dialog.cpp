#include "file_dialog.h"

#include "page_windows.h"

namespace uidriver {

namespace {

// Control IDs of the common dialog templates: the explorer style's file-name combo box and the
// old style's edit box.
constexpr int kFileNameCombo = 0x47c;
constexpr int kFileNameEdit = 0x480;

HWND FileNameBox(HWND dialog) {
    if (HWND box = ControlOf(dialog, kFileNameCombo)) return box;
    return ControlOf(dialog, kFileNameEdit);
}

bool GoneWithin(HWND dialog, DWORD timeout_ms) {
    const ULONGLONG deadline = GetTickCount64() + timeout_ms;
    while (IsWindow(dialog) && IsWindowVisible(dialog)) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
    return true;
}

bool Press(HWND dialog, int id, DWORD timeout_ms) {
    HWND button = ControlOf(dialog, id);
    if (button == nullptr || !IsWindowEnabled(button)) return false;
    // Posted: the dialog ends its own modal loop and returns to its caller.
    PostMessageW(button, BM_CLICK, 0, 0);
    return GoneWithin(dialog, timeout_ms);
}

}  // namespace

HWND FindFileDialog() {
    for (const TopLevelWindow& window : TopLevelWindows()) {
        if (window.visible && window.class_name == L"#32770" && FileNameBox(window.handle)) {
            return window.handle;
        }
    }
    return nullptr;
}

std::wstring FileNameOf(HWND dialog) {
    HWND box = FileNameBox(dialog);
    return box ? TextOf(box) : std::wstring();
}

bool ChooseFile(HWND dialog, const std::wstring& path, DWORD timeout_ms) {
    HWND box = FileNameBox(dialog);
    if (box == nullptr) return false;
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()),
                             SMTO_ABORTIFHUNG, 2000, &ignored)) {
        return false;
    }
    if (TextOf(box) != path) return false;
    return Press(dialog, IDOK, timeout_ms);
}

bool CancelFileDialog(HWND dialog, DWORD timeout_ms) { return Press(dialog, IDCANCEL, timeout_ms); }

}  // namespace uidriver
