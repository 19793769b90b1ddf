// What the boot loader sends, byte for byte, through the link's reader: lines, keys, framed
// answers, request bytes and the download they start, until the stream ends as a USB device
// that went away. The stored texts keep to their rooms and the link ends stopped.
#include "bootlink/boot_link.h"
#include "bootlink/reader.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fake_ui.h"
#include "fuzz/fuzz_check.h"
#include "image/image_header.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <string>

using orvo::fuzz::Require;

namespace {

// Pauses take no time; a second of the system's time passes in a tenth of a millisecond, so that
// every bounded wait of a download ends soon.
class InstantClock final : public orvo::Clock {
  public:
    std::chrono::nanoseconds Real(orvo::Millis) const override { return {}; }
    orvo::Millis Now() const override {
        return std::chrono::duration_cast<orvo::Millis>(
            (std::chrono::steady_clock::now() - start_) * 10000);
    }

  private:
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Keeps nothing: the reader and the download log each key, request and record they meet.
class NullLog final : public orvo::DebugLog {
  public:
    void Write(std::string_view) override {}
};

// A USB serial device that delivers the input and is gone after it; it takes every write. As a
// boot loader waits for its answer, it holds what follows a request byte during a download until
// the PC has written (for a while at most), so that the stream can lead a download on.
class StreamPort final : public orvo::SerialPort {
  public:
    StreamPort(const std::uint8_t* data, std::size_t size, const std::atomic<int>& download_active)
        : next_(data), end_(data + size), download_active_(download_active) {}

    bool ApplyLineSettings() override { return true; }
    bool RaiseDtr() override { return true; }
    bool RaiseRts() override { return true; }
    bool SetReadReturnsAtOnce() override { return true; }
    std::size_t Write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds) override {
        ++writes_;
        return bytes.size();
    }
    bool Drain(std::chrono::milliseconds) override { return true; }
    ReadResult ReadByte(std::uint8_t& byte, std::chrono::milliseconds) override {
        if (held_since_ && writes_ == writes_when_held_ && download_active_ == 1 &&
            std::chrono::steady_clock::now() - *held_since_ < kLongestHold) {
            return ReadResult::Nothing;
        }
        held_since_.reset();
        if (next_ == end_) return ReadResult::Failed;
        byte = *next_++;
        if (byte == 0x01 || byte == 0x02) {
            held_since_ = std::chrono::steady_clock::now();
            writes_when_held_ = writes_;
        }
        return ReadResult::Byte;
    }
    void WakeReader() override {}
    bool ProbePresence() override { return next_ != end_; }
    void Shut() override {}

  private:
    // Ample for the download thread to answer; a longer hold only slows every mismatched request.
    static constexpr std::chrono::microseconds kLongestHold{200};
    const std::uint8_t* next_;
    const std::uint8_t* const end_;
    const std::atomic<int>& download_active_;
    std::atomic<unsigned> writes_{0};
    unsigned writes_when_held_ = 0;
    std::optional<std::chrono::steady_clock::time_point> held_since_;
};

// An image whose first download (from offset 0x80000) is two and a half blocks long.
const orvo::fuzz::TemporaryFile kImage("reader-fuzz",
                                       "Orvo 4700-NBT-GER-2.04-0--------" +
                                           std::string(0x80000 + orvo::BLOCK_LENGTH * 5 / 2, 'Z'));

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const InstantClock clock;
    NullLog log;
    orvo::FakeSerialPorts ports;
    orvo::FakeUi ui;
    orvo::WizardState state;
    state.ImagePath = kImage.path();
    state.SerialLink = 0;
    state.DownloadStatus = 1;
    orvo::BootLink link(state, orvo::LinkServices{ports, clock, log, ui, {}, {}});
    link.Requests.Offer({0xA0080000, orvo::BLOCK_LENGTH * 2});
    link.hPort.Set(std::make_shared<StreamPort>(data, size, link.Download.DownloadActive));
    link.Restart();
    orvo::USBReadThread(link);

    Require(link.LinkStop == 1 && link.ReaderReady == 0 && !link.hPort.IsOpen(),
            "the reader ended with the link still up");
    Require(link.AnswerLine.Load().size() < orvo::kAnswerLineRoom &&
                link.PortTestAnswer.Load().size() < 32 &&
                link.Download.AddressText.Load().size() < 260 &&
                link.Download.LengthText.Load().size() < 260 &&
                link.Download.OffsetText.Load().size() < 260,
            "a stored text is longer than its room");
    if (link.Download.thread.joinable()) link.Download.thread.join();
    Require(link.CompletedDownloads <= 1, "more downloads completed than were asked for");
    return 0;
}
