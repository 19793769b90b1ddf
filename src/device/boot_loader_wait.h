#pragma once
// The Boot-loader entry page's watcher: it waits until the handheld leaves ActiveSync, then until
// its boot loader answers on a port, and lets the user go on only then.

#include "device/device_services.h"
#include "resources/resource_ids.h"
#include "shell/wizard_state.h"

#include <functional>

namespace orvo {

// The page's buttons the watcher switches.
inline constexpr int kBootEntryBackButton = IDC_BACK;
inline constexpr int kBootEntryForwardButton = IDC_FORWARD;

// Ends once state.BootWaitStop is set, or once `open_boot_port` has succeeded (it then sets
// the flag itself).
void BootLoaderWaitThread(WizardState& state, DeviceServices& services,
                          const std::function<int()>& open_boot_port);

}  // namespace orvo
