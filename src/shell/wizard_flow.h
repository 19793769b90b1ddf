#pragma once
// The wizard's spine: opens the pages one after another, decides after each where to go next,
// and ends the program with the close request.

#include "platform/environment.h"
#include "platform/ui.h"
#include "shell/wizard_state.h"

namespace orvo {

inline constexpr char kMarkerFileName[] = "\\VARNEL.QDX";

struct WizardServices {
    Ui& ui;
    Environment& environment;
};

void RunWizard(WizardState& state, WizardServices services);

}  // namespace orvo
