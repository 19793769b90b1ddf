#pragma once
// An event as the link's threads hand work over with it: auto-reset (one waiter takes a set) or
// manual-reset (stays set until reset). Waits are bounded and measured on the clock seam.

#include "platform/clock.h"

#include <condition_variable>
#include <mutex>

namespace orvo {

class Event {
  public:
    enum class Reset { Auto, Manual };

    explicit Event(Reset reset, bool signalled = false)
        : manual_(reset == Reset::Manual), signalled_(signalled) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Clear();
    // Wakes one waiter (an auto-reset event) or all waiters (manual) and leaves the event clear:
    // a pulse that no one waits for is lost.
    void Pulse();
    // True when the event was set within `timeout` of the clock's time.
    bool Wait(const Clock& clock, Millis timeout);

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    const bool manual_;
    bool signalled_;
    int waiters_ = 0;
    unsigned pulses_ = 0;  // pulses not yet taken by a waiter that was waiting when they came
};

}  // namespace orvo
