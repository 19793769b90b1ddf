#include "pages/boot_loader_entry_page.h"

#include "bootlink/boot_port.h"
#include "device/boot_loader_wait.h"

namespace orvo::pages {

namespace {

enum Control : int {
    kInstructions = 1204,
    kKeys = 1206,
    kReconnect = 1207,
    kContinueHint = 1205,
};

enum Text : int {
    kInstructionsText = 11184,
    kKeysText = 11167,
    kReconnectText = 11185,
    kContinueHintText = 11039,
};

}  // namespace

INT_PTR BootLoaderEntryPage::Initialise() {
    SetPageTitle(dialog_, context_);
    SetText(dialog_, kInstructions, context_, kInstructionsText);
    SetText(dialog_, kKeys, context_, kKeysText);
    SetText(dialog_, kReconnect, context_, kReconnectText);
    SetText(dialog_, kContinueHint, context_, kContinueHintText);
    SetText(dialog_, IDOK, context_, IDS_WEITER);
    SetText(dialog_, IDCANCEL, context_, IDS_ABBRECHEN);
    picture_.Load(context_.hInst, IDB_KEYS_PICTURE);

    // The watcher of an earlier showing ends before this page clears the stop flag.
    context_.workers.JoinBootWait();
    context_.hBootEntryPage = dialog_;
    EnableWindow(GetDlgItem(dialog_, IDOK), FALSE);
    WizardState& state = context_.state;
    state.BootWaitStop = 0;
    DeviceServices* device = context_.device;
    BootLink* link = context_.link;
    if (device != nullptr && link != nullptr) {
        context_.workers.StartBootWait([&state, device, link] {
            BootLoaderWaitThread(state, *device, [link] { return OpenBootPort(*link); });
        });
    }
    CentreAndShowInFront(dialog_);
    return TRUE;
}

INT_PTR BootLoaderEntryPage::Handle(UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_PAINT:
            PaintPicture(dialog_, picture_.Context(), picture_.Bitmap());
            return TRUE;
        case WM_COMMAND:
            OnCommand(LOWORD(wparam));
            return TRUE;
        case WM_DESTROY:
            // However the page ends, its watcher starts no further port search (each one ends
            // ActiveSync's processes) and switches no buttons.
            context_.state.BootWaitStop = 1;
            context_.hBootEntryPage = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

void BootLoaderEntryPage::OnCommand(int control) {
    WizardState& state = context_.state;
    switch (control) {
        case IDOK:
            EndDialog(dialog_, 1);
            break;
        case kBootEntryBackButton:
            state.BackFromBootLoaderEntry = 1;
            EndDialog(dialog_, 0);
            break;
        case IDCANCEL:
            state.ExitRequested = 1;
            EndDialog(dialog_, 0);
            break;
        default:
            break;
    }
}

}  // namespace orvo::pages
