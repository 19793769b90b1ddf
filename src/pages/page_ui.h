#pragma once
// The user-interface seam over real dialog pages.

#include "pages/page_context.h"
#include "platform/ui.h"

#include <atomic>

namespace orvo::pages {

// A timer belongs to the thread of its window and a page is ended by its own thread, so the
// link's threads ask the progress page for both with these messages.
inline constexpr UINT kSetWatchdogMessage = WM_APP + 2;  // wparam: period in ms
inline constexpr UINT kStopWatchdogMessage = WM_APP + 3;
inline constexpr UINT kEndProgressPageMessage = WM_APP + 4;  // wparam: the page result

// Timer 2 of the Update progress page: the link's watchdog.
inline constexpr UINT_PTR kWatchdogTimer = 2;

// The bar and the percent text of both progress pages.
inline constexpr int kProgressBarControl = IDC_PROGRESS_BAR;
inline constexpr int kPercentTextControl = IDC_PROGRESS_PERCENT;

// Handles those messages on the progress page's thread; TRUE when the message was one of them.
INT_PTR HandleProgressPageRequest(HWND page, UINT message, WPARAM wparam);

class PageUi : public Ui {
  public:
    explicit PageUi(PageContext& context) : context_(context) {}

    int OpenPage(Page page) override;
    int OpenUpdateProgressPage(UpdateVariant variant) override;
    bool ShowFileDialog(const FileDialog& dialog, std::string& path) override;
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
    void SetBackupPercent(unsigned percent) override;
    void ShrinkBackupPage() override;
    void EndBackupPage(int result) override;
    void EnablePageControl(Page page, int control, bool enable) override;

  private:
    PageContext& context_;
    std::atomic<bool> close_requested_{false};
};

}  // namespace orvo::pages
