#pragma once

#include "pages/frame_page.h"

namespace orvo::pages {

inline constexpr PageText kConfirmationTexts[] = {
    {IDC_CONFIRM_QUESTION, IDS_CONFIRM_QUESTION},
    {IDC_CONFIRM_FROM, IDS_FROM},
    {IDC_CONFIRM_DEVICE_VERSION, IDS_ROM_VERSION_LABEL, TextStyle::Plain, TextForm::Labelled},
    {IDC_CONFIRM_TO, IDS_TO},
    {IDC_CONFIRM_IMAGE_VERSION, IDS_IMAGE_VERSION_LABEL, TextStyle::Plain, TextForm::Labelled},
    {IDC_CONFIRM_CONTINUE_HINT, IDS_CONTINUE_HINT},
    {IDC_FORWARD, IDS_WEITER},
    {IDC_CANCEL, IDS_ABBRECHEN},
};
inline constexpr PageButton kConfirmationButtons[] = {
    {IDC_FORWARD, 1},
    {IDC_CANCEL, 2, &WizardState::ExitRequested},
    {IDC_BACK, 2, &WizardState::BackFromConfirmation},
};
inline constexpr PageSpec kConfirmationPage{kConfirmationTexts, kConfirmationButtons};

// The handheld's ROM version and the image's, before the update starts. In a resumed update
// the user cannot go back.
class ConfirmationPage : public FramePage {
  public:
    ConfirmationPage(HWND dialog, PageContext& context)
        : FramePage(dialog, context, kConfirmationPage) {}

  private:
    void Start() override;
    bool Command(int control) override;
    void AfterPaint() override;
    bool BackAllowed() const { return context_.state.ConfirmBackEnabled != 0; }
};

}  // namespace orvo::pages
