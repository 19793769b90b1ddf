#include "terminal_ui.h"

#include "printable.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace orvo::romflash {
namespace {

constexpr int kBarWidth = 20;
// The line is redrawn at most this often as bytes go out.
constexpr Millis kRedrawPeriod{500};

std::string Mebibytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / (1 << 20));
    return text;
}

std::string Duration(std::uint64_t seconds) {
    char text[32];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof text, "%u:%02u:%02u", static_cast<unsigned>(seconds / 3600),
                      static_cast<unsigned>(seconds / 60 % 60),
                      static_cast<unsigned>(seconds % 60));
    } else {
        std::snprintf(text, sizeof text, "%u:%02u", static_cast<unsigned>(seconds / 60),
                      static_cast<unsigned>(seconds % 60));
    }
    return text;
}

std::string IncompatibleReason(const WizardState& state) {
    std::string why = "the image is not made for this handheld:";
    if (state.ImageModelMismatch == 1) {
        why += " model " + Printable(state.Image.ModelID) + " (handheld " +
               Printable(state.Device.ModelID) + ")";
    }
    if (state.ImageLanguageMismatch == 1) {
        why += " language " + Printable(state.Image.Lang) + " (handheld " +
               Printable(state.Device.Lang) + ")";
    }
    if (state.RomVersionMismatch == 1) {
        why += " ROM type " + Printable(state.Image.RomTypeCode) + " (handheld " +
               Printable(state.Device.RomTypeCode) + ")";
    }
    return why;
}

}  // namespace

TerminalUi::TerminalUi(const WizardState& state, std::ostream& out, std::ostream& err)
    : state_(state), out_(out), err_(err) {}

TerminalUi::~TerminalUi() { EndWatchdog(); }

void TerminalUi::EndWatchdog() {
    std::unique_ptr<WatchdogTimer> ending;
    {
        std::lock_guard lock(mutex_);
        ending.swap(watchdog_);
    }
    // Destroyed unlocked: a firing watchdog ends the page, which takes the lock.
    ending.reset();
}

int TerminalUi::OpenPage(Page page) {
    std::string why;
    switch (page) {
        case Page::IdentificationError:
            why = "the handheld's identity record was not found in its flash";
            break;
        case Page::IncompatibleImage:
            why = IncompatibleReason(state_);
            break;
        case Page::ImageOpenError:
            why = "the image file cannot be opened or read";
            break;
        case Page::UpdateError:
            why = "a load command could not be sent to the boot loader";
            break;
        default:
            why = "error page " + std::to_string(static_cast<int>(page));
            break;
    }
    std::lock_guard lock(mutex_);
    if (close_requested_) return kPageClosedAtOnce;
    refusal_ = why;
    return 1;
}

void TerminalUi::RequestClose() {
    std::lock_guard lock(mutex_);
    close_requested_ = true;
    changed_.notify_all();
}

bool TerminalUi::CloseRequested() const {
    std::lock_guard lock(mutex_);
    return close_requested_;
}

std::string TerminalUi::Refusal() const {
    std::lock_guard lock(mutex_);
    return refusal_;
}

void TerminalUi::BeginProgress(const Clock& clock, std::function<void()> on_watchdog) {
    auto watchdog = std::make_unique<WatchdogTimer>(clock, [this, on_watchdog] {
        on_watchdog();
        EndProgressPage(2);
    });
    std::lock_guard lock(mutex_);
    watchdog_ = std::move(watchdog);
    clock_ = &clock;
    shown_ = true;
}

std::optional<int> TerminalUi::WaitProgressEnd() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return end_.has_value() || close_requested_; });
    return end_;
}

void TerminalUi::SetWatchdog(int period_ms) {
    std::lock_guard lock(mutex_);
    if (shown_ && watchdog_) watchdog_->Arm(period_ms);
}

void TerminalUi::StopWatchdog() {
    std::lock_guard lock(mutex_);
    if (shown_ && watchdog_) watchdog_->Stop();
}

void TerminalUi::SetProgressPercent(unsigned percent) {
    std::lock_guard lock(mutex_);
    if (!shown_ || static_cast<int>(percent) == last_percent_) return;
    last_percent_ = static_cast<int>(percent);
    DrawProgress();
}

void TerminalUi::ExpectImageBytes(std::uint64_t total) {
    std::lock_guard lock(mutex_);
    total_bytes_ = total;
}

void TerminalUi::AddImageBytes(std::size_t count) {
    std::lock_guard lock(mutex_);
    if (!clock_) return;
    const Millis now = clock_->Now();
    if (!first_sent_) first_sent_ = now;
    sent_bytes_ += count;
    if (shown_ && last_percent_ >= 0 && now - last_drawn_ >= kRedrawPeriod) DrawProgress();
}

void TerminalUi::DrawProgress() {
    const int percent = std::max(last_percent_, 0);
    const int filled = percent * kBarWidth / 100;
    out_ << "\r[" << std::string(filled, '#') << std::string(kBarWidth - filled, ' ') << "] "
         << percent << " %  " << Mebibytes(sent_bytes_) << " of " << Mebibytes(total_bytes_)
         << " MiB";
    // The average since the first image bytes went out: a serial line's rate hardly changes.
    const Millis now = clock_ ? clock_->Now() : Millis{0};
    const double seconds =
        first_sent_ ? std::chrono::duration<double>(now - *first_sent_).count() : 0;
    if (seconds > 0 && sent_bytes_ > 0) {
        const double rate = static_cast<double>(sent_bytes_) / seconds;
        const std::uint64_t left = total_bytes_ > sent_bytes_ ? total_bytes_ - sent_bytes_ : 0;
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", rate / 1024);
        out_ << "  " << text << " KiB/s  "
             << Duration(static_cast<std::uint64_t>(static_cast<double>(left) / rate)) << " left";
    }
    // Blanks over what a longer line before left behind.
    out_ << "   " << std::flush;
    last_drawn_ = now;
}

void TerminalUi::EndProgressPage(int result) {
    std::lock_guard lock(mutex_);
    if (!shown_) return;
    if (last_percent_ >= 0) {
        DrawProgress();
        out_ << '\n';
    }
    shown_ = false;
    end_ = result;
    changed_.notify_all();
}

}  // namespace orvo::romflash
