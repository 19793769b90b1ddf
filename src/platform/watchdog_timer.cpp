#include "platform/watchdog_timer.h"

namespace orvo {

WatchdogTimer::WatchdogTimer(const Clock& clock, std::function<void()> on_fire)
    : clock_(clock), on_fire_(std::move(on_fire)), thread_([this] { Run(); }) {}

WatchdogTimer::~WatchdogTimer() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void WatchdogTimer::Arm(int period_ms) {
    {
        std::lock_guard lock(mutex_);
        deadline_ = std::chrono::steady_clock::now() + clock_.Real(Millis(period_ms));
    }
    changed_.notify_all();
}

void WatchdogTimer::Stop() {
    {
        std::lock_guard lock(mutex_);
        deadline_.reset();
    }
    changed_.notify_all();
}

void WatchdogTimer::Run() {
    std::unique_lock lock(mutex_);
    while (!ending_) {
        if (!deadline_) {
            changed_.wait(lock);
            continue;
        }
        if (std::chrono::steady_clock::now() < *deadline_) {
            changed_.wait_until(lock, *deadline_);
            continue;
        }
        deadline_.reset();
        lock.unlock();
        on_fire_();
        lock.lock();
    }
}

}  // namespace orvo
