#pragma once
// What the wizard reads of ActiveSync and Windows from the local machine's registry: the
// ActiveSync version it needs, the Windows family that decides how processes are found, and the
// connection manager's program, which it starts again after an update.

#include "platform/processes.h"
#include "platform/registry.h"

#include <string_view>

namespace orvo {

inline constexpr char kActiveSyncKeyPath[] = "SOFTWARE\\Microsoft\\Windows CE Services";
inline constexpr char kWindowsVersionKeyPath[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
inline constexpr char kConnectionManagerKeyPath[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\WCESCOMM.EXE";
inline constexpr std::size_t kWindowsVersionRoom = 100;
inline constexpr std::size_t kConnectionManagerRoom = 256;

// The Windows families, as GetWindowsFamily reports them.
inline constexpr int kOtherWindows = 0;  // Windows 95/98/Me, NT 6 and later, or unknown
inline constexpr int kWindowsNt5 = 1;
inline constexpr int kWindowsNt4 = 2;  // NT 3.x and 4.x

// True when ActiveSync 3.5 or later is installed (major × 10 + minor ≥ 35).
bool CheckActiveSyncVersion(Registry& registry);

// The family of a Windows NT version text such as "5.1", by its major number.
int WindowsFamilyOf(std::string_view version);
// The family of the running Windows; kOtherWindows when its NT version cannot be read.
int GetWindowsFamily(Registry& registry);

// Starts ActiveSync's connection manager from its App Paths entry; quiet when that fails.
void RestartActiveSync(Registry& registry, Processes& processes);

}  // namespace orvo
