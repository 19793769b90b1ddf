#pragma once
// What the tests share: image files built field by field with a checksum summed byte by byte
// (apart from the code under test) in a temporary folder removed afterwards; a fake handheld
// behind the remote API; and the boot-loader link over in-memory ports. The Win32 tests use the
// image files too.

#include "bootlink/boot_link.h"
#include "bootlink/reader.h"
#include "device/device_data_reply.h"
#include "device/device_identity.h"
#include "device/device_services.h"
#include "fakes/fake_remote_api.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fake_ui.h"
#include "fakes/recording_log.h"
#include "fakes/scaled_clock.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <string_view>
#include <thread>

namespace orvo::testing {

struct ImageSpec {
    std::string model = "Orvo 4700", rom_type = "NBT", lang = "GER", version = "2.04";
    std::vector<std::uint8_t> payload{};
};

inline std::vector<std::uint8_t> MakeImage(const ImageSpec& spec) {
    std::string head = spec.model + "-" + spec.rom_type + "-" + spec.lang + "-" + spec.version;
    std::vector<std::uint8_t> bytes(head.begin(), head.end());
    bytes.insert(bytes.end(), spec.payload.begin(), spec.payload.end());
    // The checksum text as the header carries it: hexadecimal without leading zeros.
    char tail[16];
    std::snprintf(tail, sizeof tail, "-%x---------",
                  std::reduce(bytes.begin(), bytes.end(), 0u) & 0xFFFF);
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(head.size()), tail, tail + 10);
    return bytes;
}

// A handheld identity; the defaults are those of the default test image.
inline DeviceIdentity Identity(const ImageSpec& s = {}) {
    return {s.model, s.rom_type, s.lang, s.version, "", 0};
}

// Polls `done` for up to five seconds of wall time.
template <typename Done>
bool Eventually(Done done) {
    for (int i = 0; i < 500 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

// A text's bytes, in a field of `width` bytes filled up with zeros when a width is given.
inline std::vector<std::uint8_t> FieldBytes(std::string_view text, std::size_t width = 0) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    if (width) bytes.resize(width, 0);
    return bytes;
}

inline std::vector<std::uint8_t> Payload(std::size_t size, std::uint32_t seed = 1) {
    std::vector<std::uint8_t> payload(size);
    for (auto& byte : payload) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(seed >> 24);
    }
    return payload;
}

class TempDir {
  public:
    TempDir() { std::filesystem::create_directory(path_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() { std::filesystem::remove_all(path_); }

    std::string Folder() const { return path_.string(); }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        std::ofstream(Path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return Path(name);
    }
    std::vector<std::uint8_t> Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

  private:
    const std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                        ("romimage-" + std::to_string(std::random_device{}()));
};

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

// The PC's time: a zone record of 1, 2, 3, ... and a UTC record of 0xEE bytes.
class FixedPcClock final : public PcClock {
  public:
    std::array<std::uint8_t, kTimeZoneRecordBytes> TimeZoneRecord() override {
        std::array<std::uint8_t, kTimeZoneRecordBytes> zone;
        std::iota(zone.begin(), zone.end(), 1);
        return zone;
    }
    std::array<std::uint8_t, kSystemTimeRecordBytes> UtcTimeRecord() override {
        std::array<std::uint8_t, kSystemTimeRecordBytes> now;
        now.fill(0xEE);
        return now;
    }
};

// GetDeviceData's 150-byte reply with the three texts in their 25-character slots.
inline std::vector<std::uint8_t> DeviceDataReply(std::u16string version, std::u16string model,
                                                 std::u16string flash) {
    std::vector<std::uint8_t> reply(kDeviceDataReplyBytes);
    const std::u16string texts[] = {version, model, flash};
    for (std::size_t i = 0; i < 75; ++i) {
        const char16_t c = i % 25 < texts[i / 25].size() ? texts[i / 25][i % 25] : 0;
        reply[2 * i] = static_cast<std::uint8_t>(c);
        reply[2 * i + 1] = static_cast<std::uint8_t>(c >> 8);
    }
    return reply;
}

// The services on the running handheld, with a clock that adds up the pauses instead of sleeping
// them, and the program's folder.
struct DeviceRig {
    DeviceRig() { state.StartDir = start_dir.Folder(); }

    FakeRemoteApi remote;
    PauseCountingClock clock;
    Latin1CodePage code_page;
    FixedPcClock pc_clock;
    FakeUi ui;
    RecordingLog log;
    DeviceServices services{remote, clock, code_page, pc_clock, ui, log};
    TempDir start_dir;
    WizardState state;
};

// The boot-loader link over in-memory ports, with a clock 50 times faster than the wall clock
// and a progress page whose watchdog stops the link as the real page does.
struct LinkRig {
    explicit LinkRig(int clock_factor = 50) : clock(clock_factor) {
        ui.RunWatchdog(clock, [this] { link.WatchdogFired(); });
    }

    // Puts `line` straight into the link with its reader running, as OpenBootPort leaves it.
    std::shared_ptr<FakeSerialPort> Connect(int serial = 1) {
        auto port = std::make_shared<FakeSerialPort>(line);
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
        state.ImageFileHandle.Close();
    }

    WizardState state;
    FakeSerialPorts ports;
    std::shared_ptr<FakeSerialPort::Behaviour> line = ports.Add("p");
    TempDir files;
    ScaledClock clock;
    RecordingLog log;
    FakeUi ui;
    std::atomic<int> settings_cleared{0};
    BootLink link{state, LinkServices{ports, clock, log, ui, {}, [this] { ++settings_cleared; }}};
};

}  // namespace orvo::testing
