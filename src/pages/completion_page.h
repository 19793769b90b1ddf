#pragma once

#include "pages/frame_page.h"

namespace orvo::pages {

inline constexpr PageText kCompletionTexts[] = {
    {IDC_COMPLETION_TEXT, IDS_COMPLETION_TEXT},
    {IDC_FORWARD, IDS_FERTIG_STELLEN},
};
// Fertig stellen, or the close box and Esc.
inline constexpr PageButton kCompletionButtons[] = {{IDC_FORWARD, 0}, {IDC_CANCEL, 1}};
inline constexpr PageSpec kCompletionPage{kCompletionTexts, kCompletionButtons};

// The last page; however it is closed, it first sets the handheld's clock to the PC's.
class CompletionPage : public FramePage {
  public:
    CompletionPage(HWND dialog, PageContext& context)
        : FramePage(dialog, context, kCompletionPage) {}

  private:
    bool Command(int control) override;
};

}  // namespace orvo::pages
