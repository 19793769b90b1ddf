#pragma once

#include "pages/frame_page.h"

#include <string_view>

namespace orvo::pages {

inline constexpr PageText kUpdateReadyTexts[] = {
    // By the handheld's language and the link: known language over a serial line, over USB,
    // another language over a serial line, over USB.
    {IDC_READY_TEXT, IDS_READY_KNOWN_SERIAL, TextStyle::Plain, TextForm::Chosen},
    {IDC_READY_TEXT, IDS_READY_KNOWN_USB, TextStyle::Plain, TextForm::Chosen},
    {IDC_READY_TEXT, IDS_READY_OTHER_SERIAL, TextStyle::Plain, TextForm::Chosen},
    {IDC_READY_TEXT, IDS_READY_OTHER_USB, TextStyle::Plain, TextForm::Chosen},
    {IDC_READY_BULLETS, IDS_READY_BULLETS},
    {IDC_READY_CONTINUE_HINT, IDS_CONTINUE_HINT},
    {IDC_FORWARD, IDS_WEITER},
    {IDC_CANCEL, IDS_ABBRECHEN},
};
inline constexpr PageButton kUpdateReadyButtons[] = {
    {IDC_FORWARD, 1},
    {IDC_CANCEL, 2, &WizardState::ExitRequested},
    {IDC_BACK, 2, &WizardState::BackFromUpdateReady},
};
inline constexpr PageSpec kUpdateReadyPage{kUpdateReadyTexts, kUpdateReadyButtons, Picture::Left,
                                           BrushUse::Make};

// The text of the Update-ready page for the handheld's `Language` and the link.
int UpdateReadyText(std::string_view language, int serial_link);

// What happens during the update and how long it takes.
class UpdateReadyPage : public FramePage {
  public:
    UpdateReadyPage(HWND dialog, PageContext& context)
        : FramePage(dialog, context, kUpdateReadyPage) {}

  private:
    void Start() override;
};

}  // namespace orvo::pages
