#pragma once

#include "pages/frame_page.h"

namespace orvo::pages {

inline constexpr PageText kWelcomeTexts[] = {
    {IDC_WELCOME_HEADING, IDS_WELCOME_HEADING, TextStyle::Heading},
    {IDC_WELCOME_INTRODUCTION, IDS_WELCOME_INTRODUCTION},
    {IDC_WELCOME_BULLETS, IDS_WELCOME_BULLETS},
    {IDC_WELCOME_WARNING, IDS_WELCOME_WARNING},
    {IDC_WELCOME_WARNING_LABEL, IDS_WELCOME_WARNING_LABEL, TextStyle::Bold},
    {IDC_WELCOME_ACKNOWLEDGEMENT, IDS_WELCOME_ACKNOWLEDGEMENT},
    {IDC_WELCOME_README, IDS_README_BUTTON},
    {IDC_WELCOME_CONTINUE_HINT, IDS_CONTINUE_HINT},
    {IDC_FORWARD, IDS_WEITER},
    {IDC_CANCEL, IDS_ABBRECHEN},
};

inline constexpr PageButton kWelcomeButtons[] = {
    {IDC_FORWARD, 0},
    {IDC_CANCEL, 1, &WizardState::ExitRequested, true},
};
inline constexpr PageSpec kWelcomePage{kWelcomeTexts, kWelcomeButtons};

// The first page: what the wizard does, the warning that all data is erased, and the check box
// by which the user acknowledges it before Weiter is enabled.
class WelcomePage : public FramePage {
  public:
    WelcomePage(HWND dialog, PageContext& context) : FramePage(dialog, context, kWelcomePage) {}

  private:
    bool Command(int control) override;
};

}  // namespace orvo::pages
