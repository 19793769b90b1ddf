#pragma once
// The wizard's spine: opens the pages one after another, decides after each where to go next,
// calls the device, image, ActiveSync and boot-loader services between pages, and ends the
// program with the close request.

#include "activesync/stop_active_sync.h"
#include "bootlink/boot_link.h"
#include "device/device_services.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "shell/wizard_state.h"

namespace orvo {

inline constexpr char kMarkerFileName[] = "\\VARNEL.QDX";

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

void RunWizard(WizardState& state, WizardServices services);

}  // namespace orvo
