#include "pages/backup_progress_page.h"

#include "backup/backup_thread.h"
#include "pages/page_ui.h"

namespace orvo::pages {

INT_PTR BackupProgressPage::Initialise() {
    SetFixedTexts(dialog_, context_, kBackupProgressTexts);
    SetText(dialog_, IDC_BACKUP_PROGRESS_DURATION, context_,
            context_.state.SerialLink == 1 ? IDS_BACKUP_DURATION_SERIAL : IDS_BACKUP_DURATION_USB);
    context_.hBackupPage = dialog_;
    MakeWarningBrush(context_);
    context_.hProgressBar = GetDlgItem(dialog_, kProgressBarControl);
    CentreAndShowInFront(dialog_);
    if (DeviceServices* device = context_.device) {
        WizardState& state = context_.state;
        context_.workers.StartProgressWorker([&state, device] { BackupThread(state, *device); });
    }
    return TRUE;
}

INT_PTR BackupProgressPage::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
    if (HandleProgressPageRequest(dialog_, message, wparam)) return TRUE;
    switch (message) {
        case WM_CTLCOLORSTATIC:
            if (IsWarningText(kBackupProgressTexts, GetDlgCtrlID(reinterpret_cast<HWND>(lparam)))) {
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
