// What the boot loader sends, byte for byte, through the link's reader: lines, keys, framed
// answers, request bytes and the download they start, until the stream ends as a USB device
// that went away. The stored texts keep to their rooms and the link ends stopped.
#include "bootlink/boot_link.h"
#include "bootlink/reader.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fake_ui.h"
#include "fuzz/fuzz_check.h"
#include "image/image_header.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using orvo::fuzz::Require;

namespace {

// Pauses take no time; a second of the system's time passes in a microsecond, so that every
// bounded wait of a download ends at once.
class InstantClock final : public orvo::Clock {
  public:
    std::chrono::nanoseconds Real(orvo::Millis) const override { return {}; }
    orvo::Millis Now() const override {
        const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - start_);
        return orvo::Millis(elapsed.count() * 1000);
    }

  private:
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

class NullLog final : public orvo::DebugLog {
  public:
    void Write(std::string_view) override {}
};

// A USB serial device that delivers the input and is gone after it; it takes every write.
class StreamPort final : public orvo::SerialPort {
  public:
    StreamPort(const std::uint8_t* data, std::size_t size) : next_(data), end_(data + size) {}

    bool ApplyLineSettings() override { return true; }
    bool RaiseDtr() override { return true; }
    bool RaiseRts() override { return true; }
    bool SetReadReturnsAtOnce() override { return true; }
    std::size_t Write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds) override {
        return bytes.size();
    }
    bool Drain(std::chrono::milliseconds) override { return true; }
    ReadResult ReadByte(std::uint8_t& byte, std::chrono::milliseconds) override {
        if (next_ == end_) return ReadResult::Failed;
        byte = *next_++;
        return ReadResult::Byte;
    }
    void WakeReader() override {}
    bool ProbePresence() override { return next_ != end_; }
    void Shut() override {}

  private:
    const std::uint8_t* next_;
    const std::uint8_t* const end_;
};

// An image of two and a half blocks, for a download the stream starts.
const std::string& ImageFile() {
    static const orvo::fuzz::TemporaryFile file("reader-fuzz");
    static const bool written = [] {
        std::ofstream out(file.path(), std::ios::binary);
        const std::vector<char> payload(orvo::BLOCK_LENGTH * 5 / 2, '\x5A');
        out << "Orvo 4700-NBT-GER-2.04-0--------";
        out.write(payload.data(), static_cast<std::streamsize>(payload.size()));
        return out.good();
    }();
    Require(written, "the image file cannot be written");
    return file.path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const InstantClock clock;
    NullLog log;
    orvo::FakeSerialPorts ports;
    orvo::FakeUi ui;
    orvo::WizardState state;
    state.ImagePath = ImageFile();
    state.SerialLink = 0;
    state.DownloadStatus = 1;
    orvo::BootLink link(state, orvo::LinkServices{ports, clock, log, ui, {}, {}});
    link.Requests.Offer({0xA0080000, orvo::BLOCK_LENGTH * 2});
    link.hPort.Set(std::make_shared<StreamPort>(data, size));
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
