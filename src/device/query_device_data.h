#pragma once
// Identifies the running handheld: its GetDeviceData library is copied over and called, and its
// reply fills the device identity, the link kind and the update image's size.

#include "device/device_services.h"
#include "shell/wizard_state.h"

namespace orvo {

inline constexpr char kSupportedModel[] = "Orvo 4700";

// 1 when state.Device is filled and the model is the supported one. 0 when the handheld could
// not be asked (no page), or after the Invalid-model page and the close request.
int QueryDeviceData(WizardState& state, DeviceServices& services);

}  // namespace orvo
