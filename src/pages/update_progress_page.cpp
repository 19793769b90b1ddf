#include "pages/update_progress_page.h"

#include "bootlink/update_worker.h"
#include "pages/page_ui.h"
#include "platform/win32/centre_window.h"
#include "shell/flash_settings.h"

namespace orvo::pages {

namespace {

constexpr UINT kFirstWatchdogMs = 90000;

// The pointer stays an hourglass over the page for the whole update.
void ShowHourglass() { SetCursor(LoadCursorW(nullptr, IDC_WAIT)); }

}  // namespace

int UpdateDurationText(std::string_view rom_type, bool serial_link) {
    if (rom_type == "NBT")
        return serial_link ? IDS_UPDATE_DURATION_60_MIN : IDS_UPDATE_DURATION_8_MIN;
    return serial_link ? IDS_UPDATE_DURATION_80_MIN : IDS_UPDATE_DURATION_10_MIN;
}

INT_PTR UpdateProgressPage::Initialise() {
    const WizardState& state = context_.state;
    SetFixedTexts(dialog_, context_, kUpdateProgressTexts);
    SetText(dialog_, IDC_UPDATE_PROGRESS_DURATION, context_,
            UpdateDurationText(state.Device.RomTypeCode, state.SerialLink == 1));
    MakeWarningBrush(context_);
    context_.hProgressPage = dialog_;
    context_.hProgressBar = GetDlgItem(dialog_, kProgressBarControl);
    win32::CentreWindow(dialog_);
    // Recorded before the worker starts, which rewrites the handheld's identity as it reads it.
    if (context_.registry != nullptr) SaveFlashSettings(state, *context_.registry);
    if (BootLink* link = context_.link) {
        if (context_.update_variant == UpdateVariant::Main) {
            context_.workers.StartProgressWorker([link] { UpdateWorker(*link); });
        } else {
            context_.workers.StartProgressWorker([link] { ResumeUpdateWorker(*link); });
        }
    }
    // The link's own periods, asked for by its threads, come after this one.
    SetTimer(dialog_, kWatchdogTimer, kFirstWatchdogMs, nullptr);
    SetForegroundWindow(dialog_);
    return TRUE;
}

INT_PTR UpdateProgressPage::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
    if (HandleProgressPageRequest(dialog_, message, wparam)) return TRUE;
    switch (message) {
        case WM_TIMER:
            if (wparam != kWatchdogTimer) return FALSE;
            OnWatchdog();
            return TRUE;
        case WM_SETCURSOR:
            ShowHourglass();
            SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, TRUE);
            return TRUE;
        case WM_CTLCOLORSTATIC:
            if (IsWarningText(kUpdateProgressTexts, GetDlgCtrlID(reinterpret_cast<HWND>(lparam)))) {
                return WarningTextColours(reinterpret_cast<HDC>(wparam), context_);
            }
            ShowHourglass();
            return FALSE;
        case WM_COMMAND:
            // No buttons: Enter and Esc do nothing.
            return TRUE;
        default:
            return FALSE;
    }
}

// The update has failed: the link stops (keeping the cause of its phase) and the page ends.
void UpdateProgressPage::OnWatchdog() {
    context_.state.ImageFileHandle.Close();
    KillTimer(dialog_, kWatchdogTimer);
    if (context_.link != nullptr) context_.link->WatchdogFired();
    EndDialog(dialog_, 2);
}

}  // namespace orvo::pages
