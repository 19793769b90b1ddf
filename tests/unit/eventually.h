#pragma once
// Waiting in tests for what another thread does.

#include <chrono>
#include <thread>

namespace orvo::test {

// Polls `done` for up to five seconds of wall time.
template <typename Done>
bool Eventually(Done done) {
    using namespace std::chrono_literals;
    for (int i = 0; i < 500; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(10ms);
    }
    return done();
}

}  // namespace orvo::test
