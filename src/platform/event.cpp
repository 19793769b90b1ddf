#include "platform/event.h"

namespace orvo {

void Event::Set() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    if (manual_) {
        changed_.notify_all();
    } else {
        changed_.notify_one();
    }
}

void Event::Clear() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

void Event::Pulse() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = false;
        if (waiters_ == 0) return;
        pulses_ = manual_ ? static_cast<unsigned>(waiters_) : 1;
    }
    changed_.notify_all();
}

bool Event::Wait(const Clock& clock, Millis timeout) {
    std::unique_lock lock(mutex_);
    ++waiters_;
    const bool woken =
        changed_.wait_for(lock, clock.Real(timeout), [this] { return signalled_ || pulses_ > 0; });
    --waiters_;
    if (!woken) return false;
    if (pulses_ > 0) {
        --pulses_;
    } else if (!manual_) {
        signalled_ = false;
    }
    return true;
}

}  // namespace orvo
