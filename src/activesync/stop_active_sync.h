#pragma once
// Ends ActiveSync's programs by force so that the handheld's port is free for its boot loader.
// How they are found depends on the Windows family: by process path through the process-status
// library (NT 5), by window title (NT 3 and 4), by process snapshot (everything else).

#include "platform/clock.h"
#include "platform/processes.h"
#include "platform/registry.h"

#include <string_view>

namespace orvo {

struct ActiveSyncHost {
    Registry& registry;
    Processes& processes;
    const Clock& clock;
};

// Ends "wcesmgr.exe", then "wcescomm.exe"; takes about three seconds whatever it finds.
void StopActiveSync(const ActiveSyncHost& host);
// Ends the first process whose path contains `name`, both lower-cased. On NT 3 and 4 this is
// StopActiveSyncWindows whatever the name.
void StopProcessByName(const ActiveSyncHost& host, std::string_view name);
// Ends the owners of the windows "DccMan" and "WCES Manager Thunk Window".
void StopActiveSyncWindows(const ActiveSyncHost& host);
// Ends the owner of the first window below the main window titled `title`, ignoring case.
void StopWindowOwner(const ActiveSyncHost& host, std::string_view title);

}  // namespace orvo
