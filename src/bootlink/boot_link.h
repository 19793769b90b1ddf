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
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace orvo {

inline constexpr std::uint32_t BLOCK_LENGTH = 0x20000;
inline constexpr std::size_t TXQUEUE = 0x400;
// Room of the stored answer line, terminating zero included.
inline constexpr std::size_t kAnswerLineRoom = 128;
// One write to the port that has not gone out within this time has failed.
inline constexpr Millis kWriteBound{10000};
// A poll with no bound of its own: only the link's stop ends it (the page's watchdog raises it).
inline constexpr Millis kUntilStopped = Millis::max();

enum class PollResult { Done, Stopped, TimedOut };

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
    // Stores `text` only while nothing is stored.
    void StoreIfEmpty(std::string_view text) {
        std::lock_guard lock(mutex_);
        if (text_.empty()) text_.assign(text.substr(0, Room - 1));
    }
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

// What a load command asked for: the file header its download must send.
struct LoadRequest {
    std::uint32_t start = 0;
    std::uint32_t count = 0;
    bool operator==(const LoadRequest&) const = default;
};

// The load command sent and not yet taken by a download: a download that finds none here was
// not asked for by the PC.
class RequestSlot {
  public:
    void Offer(LoadRequest request);
    std::optional<LoadRequest> Take();

  private:
    std::mutex mutex_;
    std::optional<LoadRequest> request_;
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

    // Clears LinkStop and the cause an earlier attempt ended with, as a new reader starts.
    void Restart();
    // Raises LinkStop and wakes the reader: the reader ends, every send is refused.
    void Stop();
    // Stop, then close the port, as a page that ends an update does.
    void ShutDown();
    // Waits for the reader thread to end (it ends only after Stop).
    void JoinReader();
    // Shuts the link down and waits for its threads, so that nothing more is logged.
    void End();

    // Ends the link because of `cause` (the first cause given is kept): the link stops and the
    // progress page ends within 10 ms.
    void Fail(std::string_view cause);
    // Arms the watchdog with `period_ms`; `cause` is what ended the link if it fires.
    void Await(std::string_view cause, int period_ms);
    // What the page's watchdog does: the link ends with the cause of the last Await.
    void WatchdogFired();
    // Why the link ended; empty while it did not end by a fault it noticed.
    std::string FailureCause() const { return failure_.Load(); }

    // Asks `done`, then whether the link stopped, then whether `bound` has passed, every
    // `period` until one of them holds.
    template <typename Done>
    PollResult PollUntil(Millis bound, Millis period, Done done) {
        const Clock& clock = services.clock;
        const Millis until = bound == kUntilStopped ? bound : clock.Now() + bound;
        for (;;) {
            if (done()) return PollResult::Done;
            if (LinkStop == 1) return PollResult::Stopped;
            if (clock.Now() >= until) return PollResult::TimedOut;
            clock.Sleep(period);
        }
    }

    // The wall-clock length of `span` for a bounded wait on the port.
    std::chrono::milliseconds WallTime(Millis span) const;

    void Log(std::string_view text) { services.log.Write(text); }

    WizardState& state;
    LinkServices services;
    const PortCandidates candidates;

    PortSlot hPort;
    std::atomic<int> LinkStop{1};
    std::atomic<int> ReaderReady{0};
    std::atomic<int> FramedMode{0};
    SharedText<32> PortTestAnswer;
    SharedText<kAnswerLineRoom> AnswerLine;
    Event PortTestEvent{Event::Reset::Auto};
    Event SendStringCompleteEvent{Event::Reset::Auto};
    DownloadContext Download;
    // Downloads that sent exactly what their own load command asked for, their end record
    // drained; an update is complete at 2.
    std::atomic<int> CompletedDownloads{0};
    RequestSlot Requests;
    // Set by the reader when an answer line was longer than AnswerLine holds.
    std::atomic<int> AnswerTooLong{0};
    std::thread reader;

  private:
    SharedText<256> failure_;
    SharedText<256> awaited_;
};

}  // namespace orvo
