#pragma once
// The user-interface seam over real dialog pages.

#include "pages/page_context.h"
#include "platform/ui.h"

#include <atomic>

namespace orvo::pages {

class PageUi : public Ui {
  public:
    explicit PageUi(PageContext& context) : context_(context) {}

    int OpenPage(Page page) override;
    void RequestClose() override;
    bool CloseRequested() const override;
    void ShowCheckingNotice() override;
    void CloseCheckingNotice() override;
    void SetWatchdog(int period_ms) override;
    void StopWatchdog() override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPosition(int position) override;
    void SetProgressPercent(unsigned percent) override;
    void RefreshProgressCursor() override;
    void ShrinkProgressPage(bool repaint) override;
    void EndProgressPage(int result) override;

  private:
    PageContext& context_;
    std::atomic<bool> close_requested_{false};
};

}  // namespace orvo::pages
