#include "device/power_poll.h"

#include "device/power_source.h"

namespace orvo {
namespace {

using namespace std::chrono_literals;

constexpr Millis kPollPause = 100ms;

}  // namespace

void PowerPollThread(DeviceServices& services, const std::atomic<int>& stop) {
    for (;;) {
        services.clock.Sleep(kPollPause);
        if (stop == 1) return;
        const PowerSource source = QueryPowerSource(services.remote);
        if (source == PowerSource::Unreachable) continue;
        services.ui.EnablePageControl(Page::PowerWarning, kPowerWarningForwardButton,
                                      source == PowerSource::Mains);
    }
}

bool PowerPoller::Start(DeviceServices& services) {
    std::lock_guard lock(mutex_);
    if (thread_.joinable()) return false;
    stop_ = 0;
    thread_ = std::thread(PowerPollThread, std::ref(services), std::cref(stop_));
    return true;
}

void PowerPoller::Stop() {
    std::lock_guard lock(mutex_);
    stop_ = 1;
    if (thread_.joinable()) thread_.join();
}

}  // namespace orvo
