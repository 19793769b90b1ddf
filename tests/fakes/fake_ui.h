#pragma once
// A scripted user interface for tests of the core: it records every page opened and answers
// with the results queued for that page, running an optional action first (to set the flags a
// real page would set). Every call to the progress pages is recorded; they show from the start.

#include "platform/ui.h"
#include "platform/watchdog_timer.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orvo {

class FakeUi : public Ui {
  public:
    using PageAction = std::function<int()>;
    // Each dialog shown, with the name it proposed.
    struct DialogShown {
        FileDialog::Kind kind;
        std::string initial_folder, proposed;
        bool operator==(const DialogShown&) const = default;
    };
    struct ControlCall {
        Page page;
        int control;
        bool enable;
        bool operator==(const ControlCall&) const = default;
    };
    struct ProgressCall {
        // The Update progress page's calls, then the Backup progress page's.
        enum Kind { Watchdog, StopWatchdog, Range, Position, Percent, Cursor, Shrink, End };
        enum BackupKind { BackupPercent = End + 1, BackupShrink, BackupEnd };
        int kind;
        int value = 0, other = 0;
        bool operator==(const ProgressCall&) const = default;
    };

    // Queues what the next showing of the page does; its return value is the page result.
    void Script(Page page, PageAction action) {
        std::lock_guard lock(mutex_);
        script_[page].push_back(std::move(action));
    }
    void Script(Page page, int result) {
        Script(page, [result] { return result; });
    }
    // Queues the user's answer to the next file dialog: a path, or none for Cancel.
    void ScriptFileDialog(std::optional<std::string> chosen) {
        std::lock_guard lock(mutex_);
        file_answers_.push_back(std::move(chosen));
    }

    int OpenPage(Page page) override {
        std::unique_lock lock(mutex_);
        opened_.push_back(page);
        auto& queue = script_[page];
        if (close_requested_ || queue.empty()) return kPageClosedAtOnce;
        const PageAction action = std::move(queue.front());
        queue.pop_front();
        lock.unlock();
        return action();
    }
    // Recorded as the page UpdateProgress, scripted like it; the variant is kept.
    int OpenUpdateProgressPage(UpdateVariant variant) override {
        Push(variants_, variant);
        return OpenPage(Page::UpdateProgress);
    }
    bool ShowFileDialog(const FileDialog& dialog, std::string& path) override {
        std::lock_guard lock(mutex_);
        dialogs_.push_back({dialog.kind, dialog.initial_folder, path});
        if (close_requested_ || file_answers_.empty()) return false;
        const std::optional<std::string> chosen = std::move(file_answers_.front());
        file_answers_.pop_front();
        path = chosen.value_or(path);
        return chosen.has_value();
    }
    void RequestClose() override { close_requested_ = true; }
    bool CloseRequested() const override { return close_requested_; }
    void ShowCheckingNotice() override { ++notices_shown_; }
    void CloseCheckingNotice() override { ++notices_closed_; }
    void EnablePageControl(Page page, int control, bool enable) override {
        Push(control_calls_, ControlCall{page, control, enable});
    }

    std::vector<Page> Opened() const { return Copy(opened_); }
    std::vector<UpdateVariant> Variants() const { return Copy(variants_); }
    std::vector<DialogShown> Dialogs() const { return Copy(dialogs_); }
    std::vector<ControlCall> ControlCalls() const { return Copy(control_calls_); }
    std::vector<ProgressCall> ProgressCalls() const { return Copy(progress_calls_); }
    int NoticesShown() const { return notices_shown_; }
    int NoticesClosed() const { return notices_closed_; }

    // Runs timer 2 on `clock`: when it fires, `on_fire` does what the page does to the link,
    // and the page ends with 2.
    void RunWatchdog(const Clock& clock, std::function<void()> on_fire) {
        watchdog_ = std::make_unique<WatchdogTimer>(clock, [this, on_fire] {
            on_fire();
            EndProgressPage(2);
        });
    }
    // Ends the timer's thread; what it reached may go afterwards.
    void EndWatchdog() { watchdog_.reset(); }
    void SetWatchdog(int period_ms) override {
        Record(ProgressCall::Watchdog, period_ms);
        if (watchdog_) watchdog_->Arm(period_ms);
    }
    void StopWatchdog() override {
        Record(ProgressCall::StopWatchdog);
        if (watchdog_) watchdog_->Stop();
    }
    void SetProgressRange(int low, int high) override { Record(ProgressCall::Range, low, high); }
    void SetProgressPosition(int position) override { Record(ProgressCall::Position, position); }
    void SetProgressPercent(unsigned percent) override { Record(ProgressCall::Percent, percent); }
    void RefreshProgressCursor() override { Record(ProgressCall::Cursor); }
    void ShrinkProgressPage(bool repaint) override { Record(ProgressCall::Shrink, repaint); }
    // The page ends once; later ends are recorded but change nothing.
    void EndProgressPage(int result) override {
        Record(ProgressCall::End, result);
        std::lock_guard lock(mutex_);
        if (!progress_end_) progress_end_ = result;
        progress_ended_.notify_all();
    }
    void SetBackupPercent(unsigned percent) override {
        Record(ProgressCall::BackupPercent, percent);
    }
    void ShrinkBackupPage() override { Record(ProgressCall::BackupShrink); }
    void EndBackupPage(int result) override { Record(ProgressCall::BackupEnd, result); }
    // The page's end code once it has ended, waiting at most `wall_time` for it.
    std::optional<int> WaitProgressEnd(std::chrono::nanoseconds wall_time) {
        std::unique_lock lock(mutex_);
        progress_ended_.wait_for(lock, wall_time, [this] { return progress_end_.has_value(); });
        return progress_end_;
    }

  private:
    void Record(int kind, int value = 0, int other = 0) {
        Push(progress_calls_, ProgressCall{kind, value, other});
    }
    template <class T>
    void Push(std::vector<T>& calls, T call) {
        std::lock_guard lock(mutex_);
        calls.push_back(std::move(call));
    }
    template <class T>
    T Copy(const T& member) const {
        std::lock_guard lock(mutex_);
        return member;
    }

    mutable std::mutex mutex_;
    std::vector<ProgressCall> progress_calls_;
    std::vector<ControlCall> control_calls_;
    std::optional<int> progress_end_;
    std::condition_variable progress_ended_;
    std::map<Page, std::deque<PageAction>> script_;
    std::vector<Page> opened_;
    std::vector<UpdateVariant> variants_;
    std::deque<std::optional<std::string>> file_answers_;
    std::vector<DialogShown> dialogs_;
    std::atomic<bool> close_requested_{false};
    std::atomic<int> notices_shown_{0}, notices_closed_{0};
    // Last: its thread ends before the members it reaches go.
    std::unique_ptr<WatchdogTimer> watchdog_;
};

}  // namespace orvo
