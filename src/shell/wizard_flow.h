#pragma once
// The wizard's spine: opens the pages one after another, decides after each where to go next,
// calls the device, image, ActiveSync and boot-loader services between pages, and ends the
// program with the close request.

#include "resources/resource_ids.h"
#include "shell/wizard_services.h"
#include "shell/wizard_state.h"

namespace orvo {

inline constexpr char kMarkerFileName[] = "\\VARNEL.QDX";

// The Options page's end codes: Enter, Sichern with the backup file chosen, Aktualisieren,
// Wiederherstellen.
inline constexpr int kOptionsEnter = 0;
inline constexpr int kOptionsBackup = 1000;
inline constexpr int kOptionsUpdate = IDC_OPTIONS_UPDATE;
inline constexpr int kOptionsRestore = IDC_OPTIONS_RESTORE;

// Runs the whole wizard; it always ends with the close request.
void RunWizard(WizardState& state, WizardServices services);

}  // namespace orvo
