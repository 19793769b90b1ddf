#pragma once
// What follows the Update progress page, in a normal and in a resumed update alike: the
// successful end only on proof that the whole image was written, the Update error page
// otherwise.

#include "bootlink/boot_link.h"
#include "shell/wizard_services.h"
#include "shell/wizard_state.h"

namespace orvo {

// The page ended with 1 and both downloads sent exactly what their load commands asked for.
bool UpdateCompleted(int page_result, const BootLink& link);

// Waits 1000 ms for the link's last words, then either the successful end (the version box on
// the handheld, the Battery-disconnect page, the marker file removed, the Completion page) or
// the Update error page, which leaves the settings record for a resume. The caller then ends
// the program.
void EndUpdate(int page_result, WizardState& state, const WizardServices& services);

}  // namespace orvo
