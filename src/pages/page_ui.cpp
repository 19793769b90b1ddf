#include "pages/page_ui.h"

#include "pages/checking_notice.h"
#include "pages/welcome_page.h"

#include <chrono>
#include <thread>

namespace orvo::pages {

namespace {

DLGPROC ProcedureOf(Page page) {
    switch (page) {
        case Page::Welcome:
            return PageProc<WelcomePage>;
        case Page::CheckingNotice:
            return PageProc<CheckingNotice>;
        default:
            return nullptr;
    }
}

}  // namespace

int PageUi::OpenPage(Page page) {
    if (CloseRequested()) return kPageClosedAtOnce;
    DLGPROC procedure = ProcedureOf(page);
    if (procedure == nullptr) {
        OutputDebugStringA("Page without a procedure was asked for");
        return kPageClosedAtOnce;
    }
    const INT_PTR result = DialogBoxParamW(context_.hInst, MAKEINTRESOURCEW(static_cast<int>(page)),
                                           nullptr, procedure, reinterpret_cast<LPARAM>(&context_));
    return static_cast<int>(result);
}

void PageUi::RequestClose() {
    close_requested_ = true;
    if (IsWindow(context_.hMainWnd)) SendMessageW(context_.hMainWnd, WM_CLOSE, 0, 0);
}

bool PageUi::CloseRequested() const { return close_requested_ || !IsWindow(context_.hMainWnd); }

void PageUi::ShowCheckingNotice() {
    if (CloseRequested()) return;
    std::thread([this] {
        DialogBoxParamW(context_.hInst, MAKEINTRESOURCEW(static_cast<int>(Page::CheckingNotice)),
                        nullptr, PageProc<CheckingNotice>, reinterpret_cast<LPARAM>(&context_));
    }).detach();
    // Wait until the notice has a window, so that an early close request reaches it.
    using namespace std::chrono_literals;
    for (int waited = 0; CheckingNotice::hNoticeWnd == nullptr && waited < 500; ++waited) {
        std::this_thread::sleep_for(10ms);
    }
}

void PageUi::CloseCheckingNotice() {
    if (HWND notice = CheckingNotice::hNoticeWnd) SendMessageW(notice, kCloseNoticeMessage, 0, 0);
}

}  // namespace orvo::pages
