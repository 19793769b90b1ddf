#include "pages/completion_page.h"

#include "device/device_libraries.h"

namespace orvo::pages {

bool CompletionPage::Command(int control) {
    if ((control == IDC_FORWARD || control == IDC_CANCEL) && context_.device != nullptr) {
        // A clock that cannot be set is only logged; the page ends either way.
        SetDeviceClock(context_.state.StartDir, *context_.device);
    }
    return false;
}

}  // namespace orvo::pages
