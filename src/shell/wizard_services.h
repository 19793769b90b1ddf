#pragma once
// Everything the wizard's steps reach: the pages, the PC, the settings, the handheld over the
// remote API and over its boot loader, and ActiveSync.

#include "activesync/stop_active_sync.h"
#include "bootlink/boot_link.h"
#include "device/device_services.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/ui.h"

namespace orvo {

struct WizardServices {
    Ui& ui;
    Environment& environment;
    // The settings record (current user) and ActiveSync's keys (local machine).
    Registry& registry;
    Files& files;
    // The remote API, the clock for the fixed pauses, the handheld's services.
    DeviceServices& device;
    const ActiveSyncHost& active_sync;
    BootLink& link;
};

}  // namespace orvo
