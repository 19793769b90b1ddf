#include "bootlink/update_worker.h"

#include "bootlink/boot_identity.h"
#include "bootlink/download.h"
#include "bootlink/link_commands.h"
#include "image/image_checks.h"
#include "image/image_operations.h"

namespace orvo {
namespace {

using namespace std::chrono_literals;

// The pause of a resumed update before its load commands.
constexpr Millis kResumePause = 5000ms;

// A worker's own error page comes with the watchdog stopped, so that the progress page cannot
// end underneath it and have the flow show the Update error page beside it.
BeforeErrorPage StopWatchdog(Ui& ui) {
    return [&ui] { ui.StopWatchdog(); };
}

// Refuses the image with the Incompatible-image page, the failed comparison marked, and ends
// the program.
void RefuseImage(Ui& ui, std::atomic<int>& mismatch) {
    ui.StopWatchdog();
    mismatch = 1;
    ui.OpenPage(Page::IncompatibleImage);
    ui.RequestClose();
}

}  // namespace

void UpdateWorker(BootLink& link) {
    WizardState& state = link.state;
    Ui& ui = link.services.ui;

    EnterFramedMode(link);
    const int identified = ReadBootIdentity(link);
    LeaveFramedMode(link);
    if (!identified) {
        // After the Identification error page the program ends here. A stopped link has ended
        // the page instead, and the flow shows the Update error page, which ends the program.
        if (link.LinkStop != 1) ui.RequestClose();
        return;
    }
    // A remembered image that does not fit is refused quietly: the watchdog then ends the page.
    if (!CheckImageMatchesDevice(state, ui, StopWatchdog(ui))) return;
    if (!CheckRomType(state.Device, state.Image)) {
        RefuseImage(ui, state.RomVersionMismatch);
        return;
    }
    FlashSequence(link);
}

void ResumeUpdateWorker(BootLink& link) {
    WizardState& state = link.state;
    Ui& ui = link.services.ui;

    if (!ReadImageHeader(state.ImagePath, state, ui, StopWatchdog(ui))) {
        ui.RequestClose();
        return;
    }
    const bool model_matches = ModelMatches(state.Device, state.Image);
    if (!model_matches || !LanguageMatches(state.Device, state.Image)) {
        ui.ShrinkProgressPage(false);
        RefuseImage(ui, model_matches ? state.ImageLanguageMismatch : state.ImageModelMismatch);
        return;
    }
    link.services.clock.Sleep(kResumePause);
    FlashSequence(link);
}

}  // namespace orvo
