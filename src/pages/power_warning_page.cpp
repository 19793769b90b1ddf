#include "pages/power_warning_page.h"

#include "device/power_source.h"

namespace orvo::pages {

namespace {

enum Control : int {
    kHeading = 1040,
    kExplanation = 1144,
    kContinueHint = 1089,
};

enum Text : int {
    kHeadingText = 11029,
    kExplanationText = 11126,
    kContinueHintText = 11039,
};

}  // namespace

INT_PTR PowerWarningPage::Initialise() {
    SetPageTitle(dialog_, context_);
    SetText(dialog_, kHeading, context_, kHeadingText);
    SetText(dialog_, kExplanation, context_, kExplanationText);
    SetText(dialog_, kContinueHint, context_, kContinueHintText);
    SetText(dialog_, IDOK, context_, IDS_WEITER);
    SetText(dialog_, IDCANCEL, context_, IDS_ABBRECHEN);
    heading_font_ = HeadingFont::Make(dialog_);
    SetHeading(dialog_, kHeading, heading_font_);
    context_.hPowerPage = dialog_;
    // A poller left running by an earlier showing is reused.
    if (context_.device != nullptr) context_.workers.power_poller.Start(*context_.device);
    CentreAndShowInFront(dialog_);
    return TRUE;
}

INT_PTR PowerWarningPage::Handle(UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_PAINT:
            PaintPicture(dialog_, context_.display.hPictureDC.Get(),
                         context_.display.LeftPicture.Get());
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK) OnWeiter();
            if (LOWORD(wparam) == IDCANCEL) EndDialog(dialog_, 1);
            return TRUE;
        case WM_DESTROY:
            // The poller's later changes reach no page.
            context_.hPowerPage = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

// On battery the page stays; on mains power, or when the power cannot be read, it ends.
void PowerWarningPage::OnWeiter() {
    if (context_.device != nullptr &&
        QueryPowerSource(context_.device->remote) == PowerSource::NotMains) {
        return;
    }
    EndDialog(dialog_, 0);
}

}  // namespace orvo::pages
