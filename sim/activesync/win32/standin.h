#pragma once
// What ActiveSync's two programs do as far as the wizard can tell: they idle with a top-level
// window of a known title, and the connection manager holds the handheld's port open.

// Runs the message loop of a hidden top-level window titled `title`. When `hold_port` is set,
// the port named by HKCU\Software\RomWizardRig "HoldPort" (e.g. COM1 or \\.\WCEUSBSH001) is
// kept open without sharing and read, and the hold is told to the simulated handheld. When
// `start_manager` is set, wcesmgr.exe next to this program is started unless its window is
// already there. Returns the exit code.
int RunStandIn(const wchar_t* title, bool hold_port, bool start_manager);

inline constexpr wchar_t kManagerTitle[] = L"WCES Manager Thunk Window";
inline constexpr wchar_t kConnectionTitle[] = L"DccMan";
