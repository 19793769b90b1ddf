#pragma once
// The boot-loader link over in-memory ports, with a clock 50 times faster than the wall clock
// and a progress page whose watchdog stops the link as the real page does.

#include "bootlink/boot_link.h"
#include "bootlink/reader.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fake_ui.h"
#include "fakes/recording_log.h"
#include "fakes/scaled_clock.h"

#include <atomic>
#include <chrono>
#include <memory>

namespace orvo::test {

struct LinkRig {
    explicit LinkRig(int clock_factor = 50) : clock(clock_factor) {
        ui.RunWatchdog(clock, [this] { link.WatchdogFired(); });
    }

    // A port put straight into the link with its reader running, as OpenBootPort leaves it.
    std::shared_ptr<FakeSerialPort> Connect(std::shared_ptr<FakeSerialPort::Behaviour> behaviour,
                                            int serial = 1) {
        auto port = std::make_shared<FakeSerialPort>(std::move(behaviour));
        state.SerialLink = serial;
        link.hPort.Set(port);
        link.LinkStop = 0;
        link.reader = std::thread(USBReadThread, std::ref(link));
        // A reader that ends at once (a vanished device) may be ready only for a moment.
        while (link.ReaderReady != 1 && link.LinkStop != 1) std::this_thread::yield();
        return port;
    }

    // The link's threads end first, then the watchdog that reaches the link.
    ~LinkRig() {
        link.ShutDown();
        link.JoinReader();
        if (link.Download.thread.joinable()) link.Download.thread.join();
        ui.EndWatchdog();
    }

    WizardState state;
    FakeSerialPorts ports;
    ScaledClock clock;
    RecordingLog log;
    FakeUi ui;
    std::atomic<int> settings_cleared{0};
    BootLink link{state, LinkServices{ports, clock, log, ui, {}, [this] { ++settings_cleared; }}};
};

}  // namespace orvo::test
