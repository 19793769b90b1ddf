#pragma once
// The search for the update image delivered next to the program.

#include "platform/ui.h"
#include "shell/wizard_state.h"

namespace orvo {

// True with the image's full path in ImagePath and UpdateImagePath. False after the
// Image-not-found page and the close request.
bool FindImageInStartDir(WizardState& state, Ui& ui);

}  // namespace orvo
