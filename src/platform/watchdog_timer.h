#pragma once
// A one-shot timer on the clock seam, as a page's timer 2 serves the link as its watchdog: armed
// with a period (re-arming restarts it), it runs its action on its own thread when the period
// passes without a new arming.

#include "platform/clock.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace orvo {

class WatchdogTimer {
  public:
    WatchdogTimer(const Clock& clock, std::function<void()> on_fire);
    ~WatchdogTimer();
    WatchdogTimer(const WatchdogTimer&) = delete;
    WatchdogTimer& operator=(const WatchdogTimer&) = delete;

    void Arm(int period_ms);
    void Stop();

  private:
    void Run();

    const Clock& clock_;
    std::function<void()> on_fire_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
    bool ending_ = false;
    std::thread thread_;
};

}  // namespace orvo
