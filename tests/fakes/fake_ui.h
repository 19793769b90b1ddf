#pragma once
// A scripted user interface for tests of the core: it records every page opened and answers
// with the results queued for that page, running an optional action first (to set the flags a
// real page would set).

#include "platform/ui.h"

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

namespace orvo {

class FakeUi : public Ui {
public:
    using PageAction = std::function<int()>;

    // Queues what the next showing of the page does; its return value is the page result.
    void Script(Page page, PageAction action) {
        std::lock_guard lock(mutex_);
        script_[page].push_back(std::move(action));
    }
    void Script(Page page, int result) {
        Script(page, [result] { return result; });
    }

    int OpenPage(Page page) override {
        PageAction action;
        {
            std::lock_guard lock(mutex_);
            opened_.push_back(page);
            if (close_requested_) return kPageClosedAtOnce;
            auto& queue = script_[page];
            if (queue.empty()) {
                unscripted_.push_back(page);
                return kPageClosedAtOnce;
            }
            action = std::move(queue.front());
            queue.pop_front();
        }
        return action();
    }

    void RequestClose() override { close_requested_ = true; }
    bool CloseRequested() const override { return close_requested_; }
    void ShowCheckingNotice() override { ++notices_shown_; }
    void CloseCheckingNotice() override { ++notices_closed_; }

    std::vector<Page> Opened() const {
        std::lock_guard lock(mutex_);
        return opened_;
    }
    // Pages opened without a scripted answer: a test expecting none checks this is empty.
    std::vector<Page> Unscripted() const {
        std::lock_guard lock(mutex_);
        return unscripted_;
    }
    int NoticesShown() const { return notices_shown_; }
    int NoticesClosed() const { return notices_closed_; }

private:
    mutable std::mutex mutex_;
    std::map<Page, std::deque<PageAction>> script_;
    std::vector<Page> opened_;
    std::vector<Page> unscripted_;
    std::atomic<bool> close_requested_{false};
    std::atomic<int> notices_shown_{0};
    std::atomic<int> notices_closed_{0};
};

}  // namespace orvo
