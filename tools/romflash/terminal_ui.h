#pragma once
// romflash's pages: error pages become one line on standard error, the Update progress page a
// bar on the terminal with the link's watchdog behind it.

#include "platform/clock.h"
#include "platform/ui.h"
#include "platform/watchdog_timer.h"
#include "shell/wizard_state.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>

namespace orvo::romflash {

class TerminalUi final : public Ui {
  public:
    TerminalUi(const WizardState& state, std::ostream& out, std::ostream& err);
    ~TerminalUi() override;

    int OpenPage(Page page) override;
    // A terminal has neither the Update progress page nor file dialogs.
    int OpenUpdateProgressPage(UpdateVariant) override { return kPageClosedAtOnce; }
    bool ShowFileDialog(const FileDialog&, std::string&) override { return false; }
    void RequestClose() override;
    bool CloseRequested() const override;
    void ShowCheckingNotice() override {}
    void CloseCheckingNotice() override {}

    // Shows the progress page; when its watchdog fires, `on_watchdog` stops the link and the
    // page ends with 2.
    void BeginProgress(const Clock& clock, std::function<void()> on_watchdog);
    // The image bytes the update sends, and the ones that went out so far: the progress line
    // shows them with the rate and the time left.
    void ExpectImageBytes(std::uint64_t total);
    void AddImageBytes(std::size_t count);
    // Ends the watchdog's thread: what it reaches may go afterwards.
    void EndWatchdog();
    // The page's end code, once it has ended or the close request was made.
    std::optional<int> WaitProgressEnd();
    // The line said by the last error page, empty when none was shown.
    std::string Refusal() const;

    void SetWatchdog(int period_ms) override;
    void StopWatchdog() override;
    void SetProgressRange(int, int) override {}
    void SetProgressPosition(int) override {}
    void SetProgressPercent(unsigned percent) override;
    void RefreshProgressCursor() override {}
    void ShrinkProgressPage(bool) override {}
    void EndProgressPage(int result) override;
    // The tool makes no backup and shows no page buttons.
    void SetBackupPercent(unsigned) override {}
    void ShrinkBackupPage() override {}
    void EndBackupPage(int) override {}
    void EnablePageControl(Page, int, bool) override {}

  private:
    const WizardState& state_;
    std::ostream& out_;
    std::ostream& err_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool close_requested_ = false;
    bool shown_ = false;
    std::optional<int> end_;
    std::string refusal_;
    int last_percent_ = -1;
    const Clock* clock_ = nullptr;
    std::uint64_t total_bytes_ = 0;
    std::uint64_t sent_bytes_ = 0;
    std::optional<Millis> first_sent_;  // when the first image bytes went out
    Millis last_drawn_{0};
    // Redraws the progress line; called with mutex_ held.
    void DrawProgress();
    // Set, armed and ended under mutex_ alone: the link's threads arm it while it is ended.
    std::unique_ptr<WatchdogTimer> watchdog_;
};

}  // namespace orvo::romflash
