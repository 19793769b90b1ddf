#pragma once

#include "pages/frame_page.h"

namespace orvo::pages {

inline constexpr PageText kUpdateErrorTexts[] = {
    {IDC_UPDATE_ERROR_HEADING, IDS_UPDATE_ERROR_HEADING, TextStyle::Heading},
    {IDC_UPDATE_ERROR_STEPS, IDS_UPDATE_ERROR_STEPS},
    {IDC_UPDATE_ERROR_KEYS, IDS_BOOT_KEYS},
    {IDC_UPDATE_ERROR_LAST_STEPS, IDS_UPDATE_ERROR_LAST_STEPS},
    {IDC_CANCEL, IDS_BEENDEN},
};
inline constexpr PageButton kUpdateErrorButtons[] = {{IDC_CANCEL, 1}};
inline constexpr PageSpec kUpdateErrorPage{kUpdateErrorTexts, kUpdateErrorButtons, Picture::Keys,
                                           BrushUse::Make};

// How to recover after a failed download. Over a serial line it closes the port first, so that
// the next start finds it free.
class UpdateErrorPage : public FramePage {
  public:
    UpdateErrorPage(HWND dialog, PageContext& context);
};

}  // namespace orvo::pages
