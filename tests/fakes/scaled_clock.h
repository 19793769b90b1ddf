#pragma once
// A clock whose time runs `factor` times faster than the wall clock, so that the system's
// pauses and time-outs keep their proportions while tests run quickly.

#include "platform/clock.h"

namespace orvo {

class ScaledClock final : public Clock {
  public:
    explicit ScaledClock(int factor) : factor_(factor) {}

    std::chrono::nanoseconds Real(Millis span) const override {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(span) / factor_;
    }
    Millis Now() const override {
        return std::chrono::duration_cast<Millis>((std::chrono::steady_clock::now() - start_) *
                                                  factor_);
    }

  private:
    const int factor_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace orvo
