#pragma once

#include "pages/frame_page.h"

namespace orvo::pages {

inline constexpr PageText kOptionsTexts[] = {
    {IDC_OPTIONS_DEVICE_INFO, IDS_OPTIONS_DEVICE_INFO},
    {IDC_OPTIONS_MODEL, IDS_MODEL_LABEL, TextStyle::Plain, TextForm::Labelled},
    {IDC_OPTIONS_VERSION, IDS_ROM_VERSION_LABEL, TextStyle::Plain, TextForm::Labelled},
    {IDC_OPTIONS_LANGUAGE, IDS_LANGUAGE_LABEL, TextStyle::Plain, TextForm::Labelled},
    {IDC_OPTIONS_CHOOSE, IDS_OPTIONS_CHOOSE},
    {IDC_OPTIONS_UPDATE_HINT, IDS_OPTIONS_UPDATE_HINT},
    {IDC_OPTIONS_RESTORE_HINT, IDS_OPTIONS_RESTORE_HINT},
    {IDC_OPTIONS_BACKUP_HINT, IDS_OPTIONS_BACKUP_HINT},
    {IDC_OPTIONS_UPDATE, IDS_AKTUALISIEREN},
    {IDC_OPTIONS_RESTORE, IDS_WIEDERHERSTELLEN},
    {IDC_OPTIONS_BACKUP, IDS_SICHERN},
    {IDC_OPTIONS_CANCEL_HINT, IDS_CANCEL_HINT},
    {IDC_CANCEL, IDS_ABBRECHEN},
};
// Sichern ends the page only once a backup file is chosen; Enter (the page has no OK button)
// ends it with 0.
inline constexpr PageButton kOptionsButtons[] = {
    {IDC_OPTIONS_UPDATE, kOptionsUpdate},
    {IDC_OPTIONS_RESTORE, kOptionsRestore},
    {IDC_BACK, 1, &WizardState::BackFromOptions, true},
    {IDC_CANCEL, 1, &WizardState::ExitRequested, true},
    {IDC_FORWARD, kOptionsEnter},
};
inline constexpr PageSpec kOptionsPage{kOptionsTexts, kOptionsButtons};

// What the handheld is, and the choice of update, restore or backup.
class OptionsPage : public FramePage {
  public:
    OptionsPage(HWND dialog, PageContext& context) : FramePage(dialog, context, kOptionsPage) {}
    ~OptionsPage() override;

  private:
    void Start() override;
    bool Command(int control) override;
};

}  // namespace orvo::pages
