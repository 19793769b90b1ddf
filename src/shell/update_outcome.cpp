#include "shell/update_outcome.h"

#include "bootlink/version_box.h"

namespace orvo {

using namespace std::chrono_literals;

bool UpdateCompleted(int page_result, const BootLink& link) {
    return page_result == 1 && link.CompletedDownloads == 2;
}

void EndUpdate(int page_result, WizardState& state, const WizardServices& services) {
    Ui& ui = services.ui;
    const Clock& clock = services.device.clock;
    clock.Sleep(1000ms);
    if (!UpdateCompleted(page_result, services.link)) {
        ui.OpenPage(Page::UpdateError);
        return;
    }
    DrawVersionBox(services.link);
    clock.Sleep(1000ms);
    ui.OpenPage(Page::BatteryDisconnect);
    services.files.RemoveFile(state.MarkerFilePath);
    ui.OpenPage(Page::Completion);
}

}  // namespace orvo
