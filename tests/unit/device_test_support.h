#pragma once
// What the tests of the services on the running handheld share: a fake handheld, a clock that
// adds up the pauses instead of sleeping them, the PC's time, and a program folder.

#include "device/device_data_reply.h"
#include "device/device_services.h"
#include "fakes/fake_remote_api.h"
#include "fakes/fake_ui.h"
#include "fakes/recording_log.h"
#include "unit/image_test_files.h"

#include <atomic>

namespace orvo::testing {

// Every pause is taken at once and added up.
class PauseCountingClock final : public Clock {
  public:
    std::chrono::nanoseconds Real(Millis span) const override {
        paused_ += span.count();
        return std::chrono::nanoseconds(0);
    }
    Millis Now() const override { return Millis(paused_.load()); }
    long long Paused() const { return paused_; }

  private:
    mutable std::atomic<long long> paused_{0};
};

class FixedPcClock final : public PcClock {
  public:
    std::array<std::uint8_t, kTimeZoneRecordBytes> TimeZoneRecord() override {
        std::array<std::uint8_t, kTimeZoneRecordBytes> zone{};
        for (std::size_t i = 0; i < zone.size(); ++i) zone[i] = static_cast<std::uint8_t>(i + 1);
        return zone;
    }
    std::array<std::uint8_t, kSystemTimeRecordBytes> UtcTimeRecord() override {
        std::array<std::uint8_t, kSystemTimeRecordBytes> now{};
        now.fill(0xEE);
        return now;
    }
};

// GetDeviceData's 150-byte reply with the three texts in their slots.
inline std::vector<std::uint8_t> DeviceDataReply(std::u16string version, std::u16string model,
                                                 std::u16string flash) {
    std::vector<std::uint8_t> reply(kDeviceDataReplyBytes);
    const std::u16string texts[] = {version, model, flash};
    for (std::size_t slot = 0; slot < 3; ++slot) {
        for (std::size_t i = 0; i < texts[slot].size() && i < 25; ++i) {
            reply[(slot * 25 + i) * 2] = static_cast<std::uint8_t>(texts[slot][i]);
            reply[(slot * 25 + i) * 2 + 1] = static_cast<std::uint8_t>(texts[slot][i] >> 8);
        }
    }
    return reply;
}

struct DeviceRig {
    FakeRemoteApi remote;
    PauseCountingClock clock;
    Latin1CodePage code_page;
    FixedPcClock pc_clock;
    FakeUi ui;
    RecordingLog log;
    DeviceServices services{remote, clock, code_page, pc_clock, ui, log};
    TempDir start_dir;
};

}  // namespace orvo::testing
