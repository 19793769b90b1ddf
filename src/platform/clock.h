#pragma once
// The clock seam: every fixed pause and time-out of the system goes through it, so that tests can
// run the same waits faster. Times are the system's milliseconds; Real() says how long such a
// span takes on the wall clock.

#include <chrono>
#include <thread>

namespace orvo {

using Millis = std::chrono::milliseconds;

class Clock {
  public:
    virtual ~Clock() = default;

    // The wall-clock length of `span` of the system's time.
    virtual std::chrono::nanoseconds Real(Millis span) const = 0;
    // The system's time since some fixed start.
    virtual Millis Now() const = 0;

    void Sleep(Millis span) const { std::this_thread::sleep_for(Real(span)); }
};

// The shipped clock: the system's time is the wall clock.
class SystemClock final : public Clock {
  public:
    std::chrono::nanoseconds Real(Millis span) const override { return span; }
    Millis Now() const override {
        return std::chrono::duration_cast<Millis>(
            std::chrono::steady_clock::now().time_since_epoch());
    }
};

}  // namespace orvo
