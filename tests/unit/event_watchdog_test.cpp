// The link's events and the watchdog timer, on a clock 100 times faster than the wall clock.

#include "fakes/scaled_clock.h"
#include "platform/event.h"
#include "platform/watchdog_timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace orvo {
namespace {

using namespace std::chrono_literals;

// A set is taken once; a pulse wakes a waiter and with nobody waiting it is lost.
TEST(Event, SetIsTakenOncePulseReachesOnlyAWaiter) {
    const ScaledClock clock(100);
    Event event(Event::Reset::Auto);
    event.Set();
    EXPECT_TRUE(event.Wait(clock, 0ms));
    EXPECT_FALSE(event.Wait(clock, 100ms));
    event.Pulse();
    EXPECT_FALSE(event.Wait(clock, 100ms));
    std::atomic<bool> woken{false};
    std::thread waiter([&] { woken = event.Wait(clock, 500000ms); });
    for (int i = 0; i < 500 && !woken; ++i) {
        event.Pulse();
        std::this_thread::sleep_for(10ms);
    }
    waiter.join();
    EXPECT_TRUE(woken);
    EXPECT_FALSE(event.Wait(clock, 0ms));
}

TEST(WatchdogTimer, FiresOncePerArmingAndRearmingPostponesIt) {
    const ScaledClock clock(100);
    std::atomic<int> fired{0};
    WatchdogTimer timer(clock, [&] { ++fired; });
    timer.Arm(30000);  // 300 ms of wall time
    for (int i = 0; i < 8; ++i) {
        std::this_thread::sleep_for(50ms);
        timer.Arm(30000);
    }
    EXPECT_EQ(fired, 0);
    for (int i = 0; i < 200 && fired == 0; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(fired, 1);
    timer.Arm(10000);
    timer.Stop();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(fired, 1);
}

}  // namespace
}  // namespace orvo
