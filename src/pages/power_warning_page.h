#pragma once

#include "pages/frame_page.h"

namespace orvo::pages {

inline constexpr PageText kPowerWarningTexts[] = {
    {IDC_POWER_HEADING, IDS_POWER_HEADING, TextStyle::Heading},
    {IDC_POWER_TEXT, IDS_POWER_TEXT},
    {IDC_POWER_CONTINUE_HINT, IDS_CONTINUE_HINT},
    {IDC_FORWARD, IDS_WEITER},
    {IDC_CANCEL, IDS_ABBRECHEN},
};
// Weiter is the page's own: it asks the handheld first.
inline constexpr PageButton kPowerWarningButtons[] = {{IDC_CANCEL, 1}};
inline constexpr PageSpec kPowerWarningPage{kPowerWarningTexts, kPowerWarningButtons};

// WARNUNG 111: the handheld is not on mains power. Weiter lets the user go on only while it is
// (or while its power cannot be read); the page's poller follows the mains meanwhile.
class PowerWarningPage : public FramePage {
  public:
    PowerWarningPage(HWND dialog, PageContext& context)
        : FramePage(dialog, context, kPowerWarningPage) {}
    // The poller's later changes reach no page.
    ~PowerWarningPage() override { context_.hPowerPage = nullptr; }

  private:
    void Start() override;
    bool Command(int control) override;
};

}  // namespace orvo::pages
