#include "shell/wizard_flow.h"

namespace orvo {

void RunWizard(WizardState& state, WizardServices services) {
    Ui& ui = services.ui;
    state.WindowsDir = services.environment.WindowsDirectory();
    state.MarkerFilePath = state.WindowsDir + kMarkerFileName;
    state.StartDir = services.environment.CurrentDirectory();

    ui.OpenPage(Page::Welcome);
    // The pages after the Welcome page are not part of the program yet: whether the user went
    // on or stopped, the wizard ends here.
    ui.RequestClose();
}

}  // namespace orvo
