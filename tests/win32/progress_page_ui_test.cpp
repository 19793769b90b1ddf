// The progress-page calls of the UI seam on a real Update progress page (template 102 of the
// built romwizard.exe), made from another thread as the link's workers make them.

#include "win32/page_rig.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace orvo::pages {
namespace {

std::atomic<HWND> shown_page{nullptr};
std::atomic<int> watchdog_fired{0};

INT_PTR CALLBACK ProgressPageProc(HWND page, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_INITDIALOG) {
        shown_page = page;
        return TRUE;
    }
    if (message == WM_TIMER && wparam == 2) {
        ++watchdog_fired;
        KillTimer(page, 2);
        return TRUE;
    }
    return HandleProgressPageRequest(page, message, wparam);
}

using test::PageRig;

TEST(ProgressPageUi, WorkerCallsReachTheShownPage) {
    PageRig rig;
    ASSERT_NE(rig.resources.Module(), nullptr);
    test::ProgramResources& resources = rig.resources;
    PageContext& context = rig.context;
    PageUi& ui = rig.ui;
    // No page shown: the calls do nothing.
    ui.SetWatchdog(10);
    ui.EndProgressPage(1);

    std::atomic<INT_PTR> result{-100};
    std::thread page_thread([&] {
        result = DialogBoxParamW(resources.Module(), MAKEINTRESOURCEW(102), nullptr,
                                 ProgressPageProc, 0);
    });
    for (int i = 0; i < 500 && shown_page == nullptr; ++i) Sleep(10);
    const HWND page = shown_page;
    ASSERT_NE(page, nullptr);
    context.hProgressPage = page;
    context.hProgressBar = GetDlgItem(page, 1020);

    ui.SetProgressRange(0, 100);
    ui.SetProgressPosition(57);
    ui.SetProgressPercent(42);
    EXPECT_EQ(SendDlgItemMessageW(page, 1020, PBM_GETPOS, 0, 0), 57);
    EXPECT_EQ(SendDlgItemMessageW(page, 1020, PBM_GETRANGE, FALSE, 0), 100);
    BOOL translated = FALSE;
    EXPECT_EQ(GetDlgItemInt(page, 1023, &translated, FALSE), 42u);

    ui.SetWatchdog(10);
    for (int i = 0; i < 200 && watchdog_fired == 0; ++i) Sleep(10);
    EXPECT_EQ(watchdog_fired, 1);
    ui.SetWatchdog(100);
    ui.StopWatchdog();
    Sleep(300);
    EXPECT_EQ(watchdog_fired, 1);

    ui.ShrinkProgressPage(false);
    RECT rect{};
    GetWindowRect(page, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right - rect.left, 0);
    EXPECT_EQ(rect.bottom - rect.top, 0);

    ui.EndProgressPage(2);
    page_thread.join();
    EXPECT_EQ(result, 2);
}

}  // namespace
}  // namespace orvo::pages
