// The Power warning page's poller: one at a time, Weiter following the power source, and an end
// of its own.

#include "device/power_poll.h"
#include "device_test_support.h"
#include "eventually.h"
#include "fakes/scaled_clock.h"

#include <gtest/gtest.h>

namespace orvo::test {
namespace {

using ControlCall = FakeUi::ControlCall;

TEST(PowerPoller, OneAtATimeFollowsTheMainsUntilItsOwnStop) {
    testing::DeviceRig rig;
    ScaledClock clock(50);
    DeviceServices services{rig.remote, clock, rig.code_page, rig.pc_clock, rig.ui, rig.log};
    const auto last_call = [&rig] {
        const auto calls = rig.ui.ControlCalls();
        return calls.empty() ? std::nullopt : std::optional(calls.back());
    };
    const ControlCall enabled{Page::PowerWarning, kPowerWarningForwardButton, true};
    const ControlCall disabled{Page::PowerWarning, kPowerWarningForwardButton, false};

    PowerPoller poller;
    rig.remote.SetPowerLine(0);
    ASSERT_TRUE(poller.Start(services));
    EXPECT_FALSE(poller.Start(services)) << "a poller already runs";
    EXPECT_TRUE(Eventually([&] { return last_call() == disabled; }));
    rig.remote.SetPowerLine(1);
    EXPECT_TRUE(Eventually([&] { return last_call() == enabled; }));

    // An unreachable handheld leaves Weiter as it is.
    rig.remote.SetPowerLine(std::nullopt);
    const std::size_t calls = rig.ui.ControlCalls().size();
    const int queries = rig.remote.PowerQueries();
    EXPECT_TRUE(Eventually([&] { return rig.remote.PowerQueries() > queries + 3; }));
    EXPECT_EQ(rig.ui.ControlCalls().size(), calls);

    poller.Stop();
    const int stopped_at = rig.remote.PowerQueries();
    clock.Sleep(std::chrono::milliseconds(500));
    EXPECT_EQ(rig.remote.PowerQueries(), stopped_at) << "nothing polls after Stop";
    EXPECT_TRUE(poller.Start(services)) << "a stopped poller can start again";
}

}  // namespace
}  // namespace orvo::test
