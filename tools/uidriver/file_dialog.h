#pragma once
// The platform's open-file and save-file dialogs as another program shows them: found by their
// file-name box, filled and confirmed as a user types a path and presses the default button.

#include <windows.h>

#include <string>

namespace uidriver {

// The topmost visible common file dialog, or null.
HWND FindFileDialog();
// The text of its file-name box.
std::wstring FileNameOf(HWND dialog);
// Types `path` into the dialog's file-name box and presses its default button; true when the
// dialog has gone within `timeout_ms` (a dialog that refuses the name stays, or shows a message
// of its own).
bool ChooseFile(HWND dialog, const std::wstring& path, DWORD timeout_ms);
// Presses the dialog's Cancel button; true when it has gone within `timeout_ms`.
bool CancelFileDialog(HWND dialog, DWORD timeout_ms);

}  // namespace uidriver
