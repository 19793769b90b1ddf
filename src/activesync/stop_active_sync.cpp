#include "activesync/stop_active_sync.h"

#include "activesync/activesync_registry.h"
#include "base/text_compare.h"

#include <algorithm>
#include <string>

namespace orvo {
namespace {

std::string Lowered(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), FoldCase);
    return lowered;
}

}  // namespace

void StopActiveSync(const ActiveSyncHost& host) {
    host.clock.Sleep(Millis(1000));
    StopProcessByName(host, "wcesmgr.exe");
    host.clock.Sleep(Millis(1000));
    StopProcessByName(host, "wcescomm.exe");
    host.clock.Sleep(Millis(1000));
}

void StopProcessByName(const ActiveSyncHost& host, std::string_view name) {
    const std::string wanted = Lowered(name);
    const auto contains_name = [&wanted](std::string_view path) {
        return Lowered(path).find(wanted) != std::string::npos;
    };
    switch (GetWindowsFamily(host.registry)) {
        case kWindowsNt5:
            host.processes.EndFirstProcess(ProcessListing::ProcessStatus, contains_name);
            break;
        case kWindowsNt4:
            StopActiveSyncWindows(host);
            break;
        default:
            host.processes.EndFirstProcess(ProcessListing::Snapshot, contains_name);
            break;
    }
}

void StopActiveSyncWindows(const ActiveSyncHost& host) {
    StopWindowOwner(host, "DccMan");
    host.clock.Sleep(Millis(500));
    StopWindowOwner(host, "WCES Manager Thunk Window");
}

void StopWindowOwner(const ActiveSyncHost& host, std::string_view title) {
    host.processes.EndFirstWindowOwner(
        [title](std::string_view window_title) { return EqualIgnoringCase(window_title, title); });
}

}  // namespace orvo
