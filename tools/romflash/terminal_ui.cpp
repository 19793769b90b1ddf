#include "terminal_ui.h"

#include "printable.h"

namespace orvo::romflash {
namespace {

constexpr int kBarWidth = 40;

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
    const int filled = static_cast<int>(percent) * kBarWidth / 100;
    out_ << "\r[" << std::string(filled, '#') << std::string(kBarWidth - filled, ' ') << "] "
         << percent << " %" << std::flush;
}

void TerminalUi::EndProgressPage(int result) {
    std::lock_guard lock(mutex_);
    if (!shown_) return;
    shown_ = false;
    end_ = result;
    if (last_percent_ >= 0) out_ << '\n';
    changed_.notify_all();
}

}  // namespace orvo::romflash
