#include "pages/power_warning_page.h"

#include "device/power_source.h"

namespace orvo::pages {

void PowerWarningPage::Start() {
    context_.hPowerPage = dialog_;
    // A poller left running by an earlier showing is reused.
    if (context_.device != nullptr) context_.workers.power_poller.Start(*context_.device);
}

// On battery Weiter does nothing; on mains power, or when the power cannot be read, it ends
// the page.
bool PowerWarningPage::Command(int control) {
    if (control != IDC_FORWARD) return false;
    if (context_.device == nullptr ||
        QueryPowerSource(context_.device->remote) != PowerSource::NotMains) {
        End(0);
    }
    return true;
}

}  // namespace orvo::pages
