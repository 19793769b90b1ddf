// Runs the wizard's ActiveSync control under Wine, with the program's own adapters, so that the
// rig's tests can drive it against the stand-ins:
//   activesync-driver family    prints family=0|1|2 (GetWindowsFamily)
//   activesync-driver stop      StopActiveSync, below a main window of this program
//   activesync-driver restart   RestartActiveSync
#include "activesync/activesync_registry.h"
#include "activesync/stop_active_sync.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    using namespace orvo;
    const std::string what = argc == 2 ? argv[1] : "";
    // Made after the stand-ins' windows, so that they lie below it as below the wizard's.
    const HWND main_window = CreateWindowExA(0, "STATIC", "activesync-driver", WS_POPUP, 0, 0, 0, 0,
                                             nullptr, nullptr, nullptr, nullptr);
    win32::Win32Registry registry;
    win32::Win32Processes processes(main_window);
    const SystemClock clock;
    if (what == "family") {
        std::printf("family=%d\n", GetWindowsFamily(registry));
    } else if (what == "stop") {
        StopActiveSync({registry, processes, clock});
    } else if (what == "restart") {
        RestartActiveSync(registry, processes);
    } else {
        std::printf("usage: activesync-driver family|stop|restart\n");
        return 2;
    }
    return 0;
}
