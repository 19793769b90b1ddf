#include "device/boot_loader_wait.h"

#include "device/power_source.h"

namespace orvo {
namespace {

using namespace std::chrono_literals;

constexpr Millis kPollPause = 100ms;
constexpr Millis kPortPause = 500ms;

void SetButtons(Ui& ui, bool back, bool forward) {
    ui.EnablePageControl(Page::BootLoaderEntry, kBootEntryBackButton, back);
    ui.EnablePageControl(Page::BootLoaderEntry, kBootEntryForwardButton, forward);
}

}  // namespace

void BootLoaderWaitThread(WizardState& state, DeviceServices& services,
                          const std::function<int()>& open_boot_port) {
    if (state.BootWaitStop) return;
    for (;;) {
        services.clock.Sleep(kPollPause);
        if (QueryPowerSource(services.remote) == PowerSource::Unreachable) break;
        SetButtons(services.ui, true, false);
        if (state.BootWaitStop) return;
    }
    // The handheld has left ActiveSync: its boot loader should answer on one of the ports.
    for (;;) {
        services.clock.Sleep(kPortPause);
        if (state.BootWaitStop) return;
        if (open_boot_port() != 0) break;
    }
    SetButtons(services.ui, false, true);
    state.BootWaitStop = 1;
}

}  // namespace orvo
