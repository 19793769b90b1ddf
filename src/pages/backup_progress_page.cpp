#include "pages/backup_progress_page.h"

#include "backup/backup_thread.h"
#include "pages/page_ui.h"

#include <thread>

namespace orvo::pages {

namespace {

enum Control : int {
    kWhatHappens = 1087,
    kWarning = 1088,
    kDuration = 1089,
};

enum Text : int {
    kWhatHappensText = 11177,
    kWarningText = 11178,
    kSerialDurationText = 11179,
    kUsbDurationText = 11180,
};

}  // namespace

INT_PTR BackupProgressPage::Initialise() {
    SetText(dialog_, kWhatHappens, context_, kWhatHappensText);
    SetText(dialog_, kWarning, context_, kWarningText);
    SetText(dialog_, kDuration, context_,
            context_.state.SerialLink == 1 ? kSerialDurationText : kUsbDurationText);
    context_.hBackupPage = dialog_;
    MakeWarningBrush(context_);
    context_.hProgressBar = GetDlgItem(dialog_, kProgressBarControl);
    CentreAndShowInFront(dialog_);
    if (DeviceServices* device = context_.device) {
        std::thread(BackupThread, std::ref(context_.state), std::ref(*device)).detach();
    }
    return TRUE;
}

INT_PTR BackupProgressPage::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
    if (HandleProgressPageRequest(dialog_, message, wparam)) return TRUE;
    switch (message) {
        case WM_CTLCOLORSTATIC:
            if (GetDlgCtrlID(reinterpret_cast<HWND>(lparam)) == kWarning) {
                return WarningTextColours(reinterpret_cast<HDC>(wparam), context_);
            }
            return FALSE;
        case WM_COMMAND:
            // No buttons: Enter and Esc do nothing.
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace orvo::pages
