#pragma once
// The boot-loader link: the open port, the flags the link's threads share, the stored answers,
// the events they hand work over with and the download context. One instance per run, passed to
// every link operation; it outlives the reader and download threads, which it ends and waits
// for when it goes.

#include "platform/clock.h"
#include "platform/debug_log.h"
#include "platform/event.h"
#include "platform/serial_port.h"
#include "platform/ui.h"
#include "shell/wizard_state.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace orvo {

inline constexpr std::uint32_t BLOCK_LENGTH = 0x20000;
inline constexpr std::size_t TXQUEUE = 0x400;

// A text of fixed room (terminating zero included) written by one thread and read by others;
// a longer text is cut to fit.
template <std::size_t Room>
class SharedText {
  public:
    void Store(std::string_view text) {
        std::lock_guard lock(mutex_);
        text_.assign(text.substr(0, Room - 1));
    }
    void Clear() { Store({}); }
    std::string Load() const {
        std::lock_guard lock(mutex_);
        return text_;
    }

  private:
    mutable std::mutex mutex_;
    std::string text_;
};

// `hPort`: the open port or none. Whoever closes it shuts the port, which wakes its reader; the
// device itself is released when the last thread using it lets go.
class PortSlot {
  public:
    std::shared_ptr<SerialPort> Get() const;
    void Set(std::shared_ptr<SerialPort> port);
    bool IsOpen() const { return Get() != nullptr; }
    void Close();

  private:
    mutable std::mutex mutex_;
    std::shared_ptr<SerialPort> port_;
};

struct DownloadContext {
    SharedText<128> Message;
    Event NotifyHeaderEvent{Event::Reset::Auto};
    Event NotifyRecordEvent{Event::Reset::Auto};
    std::thread thread;
    std::atomic<int> DownloadActive{0};
    SharedText<260> FileName;
    SharedText<260> AddressText;
    SharedText<260> OffsetText;
    SharedText<260> LengthText;
};

struct PortCandidate {
    std::string path;
    std::string test_text;
    int serial;  // SerialLink when this port answers
};
using PortCandidates = std::array<PortCandidate, 4>;

// COM1, the two USB serial devices, COM2: the order in which the ports are tried.
PortCandidates SystemPortCandidates();

struct LinkServices {
    SerialPorts& ports;
    const Clock& clock;
    DebugLog& log;
    Ui& ui;
    // Ends the synchronisation service's processes that hold the port.
    std::function<void()> stop_active_sync;
    // Deletes the settings record once the update is complete.
    std::function<void()> clear_settings;
};

class BootLink {
  public:
    BootLink(WizardState& state, LinkServices services,
             PortCandidates candidates = SystemPortCandidates());
    ~BootLink();
    BootLink(const BootLink&) = delete;
    BootLink& operator=(const BootLink&) = delete;

    // Raises LinkStop and wakes the reader: the reader ends, every send is refused.
    void Stop();
    // Stop, then close the port, as a page that ends an update does.
    void ShutDown();
    // Waits for the reader thread to end (it ends only after Stop).
    void JoinReader();

    void Log(std::string_view text) { services.log.Write(text); }

    WizardState& state;
    LinkServices services;
    const PortCandidates candidates;

    PortSlot hPort;
    std::atomic<int> LinkStop{1};
    std::atomic<int> ReaderReady{0};
    std::atomic<int> FramedMode{0};
    SharedText<32> PortTestAnswer;
    SharedText<128> AnswerLine;
    Event PortTestEvent{Event::Reset::Auto};
    Event SendStringCompleteEvent{Event::Reset::Auto};
    DownloadContext Download;
    // Downloads that ended with their end record sent; an update is complete at 2.
    std::atomic<int> CompletedDownloads{0};
    std::thread reader;
};

}  // namespace orvo
