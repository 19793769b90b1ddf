#pragma once
// The wizard's spine: opens the pages one after another, decides after each where to go next,
// calls the device, image, ActiveSync and boot-loader services between pages, and ends the
// program with the close request.

#include "shell/wizard_services.h"
#include "shell/wizard_state.h"

namespace orvo {

inline constexpr char kMarkerFileName[] = "\\VARNEL.QDX";

// Runs the whole wizard; it always ends with the close request.
void RunWizard(WizardState& state, WizardServices services);

}  // namespace orvo
