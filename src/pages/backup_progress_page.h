#pragma once

#include "pages/page_frame.h"

namespace orvo::pages {

inline constexpr PageText kBackupProgressTexts[] = {
    {IDC_BACKUP_PROGRESS_TITLE, IDS_BACKUP_PROGRESS_TITLE},
    {IDC_BACKUP_PROGRESS_WARNING, IDS_BACKUP_PROGRESS_WARNING, TextStyle::Warning},
    // By the link: serial, then USB.
    {IDC_BACKUP_PROGRESS_DURATION, IDS_BACKUP_DURATION_SERIAL, TextStyle::Plain, TextForm::Chosen},
    {IDC_BACKUP_PROGRESS_DURATION, IDS_BACKUP_DURATION_USB, TextStyle::Plain, TextForm::Chosen},
};

// The Backup progress page: bar, percent, what happens, a red warning and how long it takes,
// while its worker fetches the handheld's ROM. It has no buttons; the worker ends it.
class BackupProgressPage {
  public:
    BackupProgressPage(HWND dialog, PageContext& context) : dialog_(dialog), context_(context) {}
    INT_PTR Initialise();
    INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam);

  private:
    HWND dialog_;
    PageContext& context_;
};

}  // namespace orvo::pages
