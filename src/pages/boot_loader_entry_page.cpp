#include "pages/boot_loader_entry_page.h"

#include "bootlink/boot_port.h"
#include "device/boot_loader_wait.h"

namespace orvo::pages {

void BootLoaderEntryPage::Start() {
    // The watcher of an earlier showing ends before this page clears the stop flag.
    context_.workers.JoinBootWait();
    context_.hBootEntryPage = dialog_;
    EnableWindow(GetDlgItem(dialog_, IDC_FORWARD), FALSE);
    WizardState& state = context_.state;
    state.BootWaitStop = 0;
    DeviceServices* device = context_.device;
    BootLink* link = context_.link;
    if (device == nullptr || link == nullptr) return;
    context_.workers.StartBootWait([&state, device, link] {
        BootLoaderWaitThread(state, *device, [link] { return OpenBootPort(*link); });
    });
}

// However the page ends, Abbrechen included, its watcher starts no further port search (each
// one ends ActiveSync's processes) and switches no buttons.
BootLoaderEntryPage::~BootLoaderEntryPage() {
    context_.state.BootWaitStop = 1;
    context_.hBootEntryPage = nullptr;
}

}  // namespace orvo::pages
