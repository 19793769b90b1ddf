#pragma once
// The Power warning page's poller: it lets the user go on only while the handheld runs on mains
// power, and outlives the page so that showing the page again reuses it.

#include "device/device_services.h"
#include "resources/resource_ids.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace orvo {

inline constexpr int kPowerWarningForwardButton = IDC_FORWARD;

// Every 100 ms until `stop` is raised: Weiter of the Power warning page enabled while the
// handheld is on mains power, disabled while it is not, unchanged while it cannot be asked.
void PowerPollThread(DeviceServices& services, const std::atomic<int>& stop);

// At most one PowerPollThread, with a stop of its own: the boot-loader link's stop flag is
// raised whenever no link runs, long before and after the page, so it cannot end the poller.
class PowerPoller {
  public:
    PowerPoller() = default;
    PowerPoller(const PowerPoller&) = delete;
    PowerPoller& operator=(const PowerPoller&) = delete;
    ~PowerPoller() { Stop(); }

    // Starts the poller unless one runs; false when one was running already.
    bool Start(DeviceServices& services);
    // Raises the poller's stop and waits until it has ended. The poller must not be waiting
    // for the thread that calls this (its page must have ended).
    void Stop();

  private:
    std::mutex mutex_;
    std::atomic<int> stop_{0};
    std::thread thread_;
};

}  // namespace orvo
