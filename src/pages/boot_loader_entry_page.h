#pragma once

#include "pages/frame_page.h"

namespace orvo::pages {

inline constexpr PageText kBootLoaderEntryTexts[] = {
    {IDC_BOOT_ENTRY_STEPS, IDS_BOOT_ENTRY_STEPS},
    {IDC_BOOT_ENTRY_KEYS, IDS_BOOT_KEYS},
    {IDC_BOOT_ENTRY_RECONNECT, IDS_BOOT_ENTRY_RECONNECT},
    {IDC_BOOT_ENTRY_CONTINUE_HINT, IDS_CONTINUE_HINT},
    {IDC_FORWARD, IDS_WEITER},
    {IDC_CANCEL, IDS_ABBRECHEN},
};
inline constexpr PageButton kBootLoaderEntryButtons[] = {
    {IDC_FORWARD, 1},
    {IDC_CANCEL, 0, &WizardState::ExitRequested},
    {IDC_BACK, 0, &WizardState::BackFromBootLoaderEntry},
};
inline constexpr PageSpec kBootLoaderEntryPage{kBootLoaderEntryTexts, kBootLoaderEntryButtons,
                                               Picture::Keys};

// How to restart the handheld into its boot loader. Its watcher enables Weiter once the
// handheld has left ActiveSync and its boot loader answers on a port, which then stays open for
// the Update progress page.
class BootLoaderEntryPage : public FramePage {
  public:
    BootLoaderEntryPage(HWND dialog, PageContext& context)
        : FramePage(dialog, context, kBootLoaderEntryPage) {}
    ~BootLoaderEntryPage() override;

  private:
    void Start() override;
};

}  // namespace orvo::pages
