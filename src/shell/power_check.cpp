#include "shell/power_check.h"

#include "device/power_source.h"

namespace orvo {

// The Power warning page's Weiter.
constexpr int kPowerWarningGoOn = 0;

int PowerCheck(RemoteApi& remote, Ui& ui) {
    // The first answer may still be the handheld's stale one; the second is refreshed.
    QueryPowerSource(remote);
    switch (QueryPowerSource(remote)) {
        case PowerSource::Unreachable:
            return kPowerUnreadable;
        case PowerSource::Mains:
            return kPowerMains;
        case PowerSource::NotMains:
            break;
    }
    return ui.OpenPage(Page::PowerWarning) == kPowerWarningGoOn ? kPowerMains : kPowerStopped;
}

}  // namespace orvo
