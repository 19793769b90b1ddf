#include "pages/battery_disconnect_page.h"

#include "activesync/activesync_registry.h"

namespace orvo::pages {

BatteryDisconnectPage::BatteryDisconnectPage(HWND dialog, PageContext& context)
    : FramePage(dialog, context, kBatteryDisconnectPage) {
    if (context.link != nullptr) context.workers.StopLinkForGood(*context.link);
    context.state.ImageFileHandle.Close();
}

bool BatteryDisconnectPage::Command(int control) {
    if (control == IDC_BATTERY_FORWARD && context_.registry != nullptr &&
        context_.processes != nullptr) {
        RestartActiveSync(*context_.registry, *context_.processes);
    }
    return false;
}

}  // namespace orvo::pages
