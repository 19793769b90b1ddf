#include "pages/page_ui.h"

#include "pages/backup_progress_page.h"
#include "pages/battery_disconnect_page.h"
#include "pages/boot_loader_entry_page.h"
#include "pages/checking_notice.h"
#include "pages/completion_page.h"
#include "pages/confirmation_page.h"
#include "pages/error_pages.h"
#include "pages/incompatible_image_page.h"
#include "pages/options_page.h"
#include "pages/power_warning_page.h"
#include "pages/table_pages.h"
#include "pages/update_error_page.h"
#include "pages/update_progress_page.h"
#include "pages/update_ready_page.h"
#include "pages/welcome_page.h"

#include <commctrl.h>
#include <commdlg.h>

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
        case Page::BackupProgress:
            return PageProc<BackupProgressPage>;
        case Page::Preparation:
            return PageProc<PreparationPage>;
        case Page::Connection:
            return PageProc<ConnectionPage>;
        case Page::Options:
            return PageProc<OptionsPage>;
        case Page::Confirmation:
            return PageProc<ConfirmationPage>;
        case Page::UpdateReady:
            return PageProc<UpdateReadyPage>;
        case Page::FileExistsWarning:
            return PageProc<FileExistsPage>;
        case Page::BatteryDisconnect:
            return PageProc<BatteryDisconnectPage>;
        case Page::Completion:
            return PageProc<CompletionPage>;
        case Page::ConnectionError:
            return PageProc<PlainErrorPage<Page::ConnectionError>>;
        case Page::ChecksumError:
            return PageProc<PlainErrorPage<Page::ChecksumError>>;
        case Page::ImageNotFound:
            return PageProc<ImageNotFoundPage>;
        case Page::ImageOpenError:
            return PageProc<PlainErrorPage<Page::ImageOpenError>>;
        case Page::RemoteProgramError:
            return PageProc<PlainErrorPage<Page::RemoteProgramError>>;
        case Page::BackupSpaceError:
            return PageProc<PlainErrorPage<Page::BackupSpaceError>>;
        case Page::BackupError:
            return PageProc<PlainErrorPage<Page::BackupError>>;
        case Page::ImageTooLarge:
            return PageProc<ImageTooLargePage>;
        case Page::ActiveSyncVersionError:
            return PageProc<PlainErrorPage<Page::ActiveSyncVersionError>>;
        case Page::IdentificationError:
            return PageProc<PlainErrorPage<Page::IdentificationError>>;
        case Page::InvalidModel:
            return PageProc<PlainErrorPage<Page::InvalidModel>>;
        case Page::IncompatibleImage:
            return PageProc<IncompatibleImagePage>;
        case Page::UpdateError:
            return PageProc<UpdateErrorPage>;
        case Page::UpdateProgress:
            return PageProc<UpdateProgressPage>;
        case Page::PowerWarning:
            return PageProc<PowerWarningPage>;
        case Page::BootLoaderEntry:
            return PageProc<BootLoaderEntryPage>;
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

int PageUi::OpenUpdateProgressPage(UpdateVariant variant) {
    context_.update_variant = variant;
    return OpenPage(Page::UpdateProgress);
}

bool PageUi::ShowFileDialog(const FileDialog& dialog, std::string& path) {
    if (CloseRequested()) return false;
    static constexpr char kFilter[] = "ROM image (*.nbf)\0*.nbf\0All files (*.*)\0*.*\0";
    char file[MAX_PATH] = {};
    path.copy(file, MAX_PATH - 1);
    OPENFILENAMEA request{};
    request.lStructSize = sizeof request;
    request.lpstrFilter = kFilter;
    request.lpstrFile = file;
    request.nMaxFile = MAX_PATH;
    request.lpstrInitialDir = dialog.initial_folder.c_str();
    request.lpstrDefExt = "nbf";
    BOOL chosen = FALSE;
    if (dialog.kind == FileDialog::Kind::Open) {
        request.hwndOwner = context_.hMainWnd;
        request.Flags = OFN_FILEMUSTEXIST;
        chosen = GetOpenFileNameA(&request);
    } else {
        request.hwndOwner = context_.hOptionsPage;
        request.Flags = OFN_NOCHANGEDIR;
        chosen = GetSaveFileNameA(&request);
    }
    if (!chosen) return false;
    path = file;
    return true;
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

// The calls below come from the link's threads; with no progress page shown they do nothing.

INT_PTR HandleProgressPageRequest(HWND page, UINT message, WPARAM wparam) {
    switch (message) {
        case kSetWatchdogMessage:
            SetTimer(page, kWatchdogTimer, static_cast<UINT>(wparam), nullptr);
            return TRUE;
        case kStopWatchdogMessage:
            KillTimer(page, kWatchdogTimer);
            return TRUE;
        case kEndProgressPageMessage:
            EndDialog(page, static_cast<INT_PTR>(wparam));
            return TRUE;
        default:
            return FALSE;
    }
}

void PageUi::SetWatchdog(int period_ms) {
    if (HWND page = context_.hProgressPage) {
        PostMessageW(page, kSetWatchdogMessage, static_cast<WPARAM>(period_ms), 0);
    }
}

void PageUi::StopWatchdog() {
    if (HWND page = context_.hProgressPage) PostMessageW(page, kStopWatchdogMessage, 0, 0);
}

void PageUi::SetProgressRange(int low, int high) {
    if (HWND bar = context_.hProgressBar) {
        SendMessageW(bar, PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
    }
}

void PageUi::SetProgressPosition(int position) {
    if (HWND bar = context_.hProgressBar) {
        SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    }
}

void PageUi::SetProgressPercent(unsigned percent) {
    if (HWND page = context_.hProgressPage)
        SetDlgItemInt(page, kPercentTextControl, percent, FALSE);
}

void PageUi::RefreshProgressCursor() {
    if (HWND page = context_.hProgressPage) PostMessageW(page, WM_SETCURSOR, 0, 0);
}

void PageUi::ShrinkProgressPage(bool repaint) {
    if (HWND page = context_.hProgressPage) MoveWindow(page, 0, 0, 0, 0, repaint);
}

void PageUi::EndProgressPage(int result) {
    if (HWND page = context_.hProgressPage) {
        PostMessageW(page, kEndProgressPageMessage, static_cast<WPARAM>(result), 0);
    }
}

void PageUi::SetBackupPercent(unsigned percent) {
    if (HWND page = context_.hBackupPage) SetDlgItemInt(page, kPercentTextControl, percent, FALSE);
}

void PageUi::ShrinkBackupPage() {
    if (HWND page = context_.hBackupPage) MoveWindow(page, 0, 0, 0, 0, TRUE);
}

void PageUi::EndBackupPage(int result) {
    if (HWND page = context_.hBackupPage) {
        PostMessageW(page, kEndProgressPageMessage, static_cast<WPARAM>(result), 0);
    }
}

void PageUi::EnablePageControl(Page page, int control, bool enable) {
    HWND window = nullptr;
    if (page == Page::BootLoaderEntry) window = context_.hBootEntryPage;
    if (page == Page::PowerWarning) window = context_.hPowerPage;
    if (window != nullptr) EnableWindow(GetDlgItem(window, control), enable ? TRUE : FALSE);
}

}  // namespace orvo::pages
