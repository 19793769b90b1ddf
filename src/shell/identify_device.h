#pragma once
// The connection step: how the handheld is reached decides the way on. Connected through
// ActiveSync within three seconds, it is identified over the remote API. Otherwise it is taken to
// wait in its boot loader after an update that broke off: it is found on the ports, identified
// through the boot loader, and after a confirmation the image is written again at once.

#include "shell/wizard_services.h"
#include "shell/wizard_state.h"

namespace orvo {

// True when the handheld was identified over the remote API and the flow goes on to its model
// check. False when the program ends: after a refusal, or after the resumed update.
bool IdentifyDevice(WizardState& state, const WizardServices& services);

}  // namespace orvo
