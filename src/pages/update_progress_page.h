#pragma once

#include "pages/page_frame.h"

#include <string_view>

namespace orvo::pages {

inline constexpr PageText kUpdateProgressTexts[] = {
    {IDC_UPDATE_PROGRESS_TITLE, IDS_UPDATE_PROGRESS_TITLE},
    {IDC_UPDATE_PROGRESS_WARNING, IDS_UPDATE_PROGRESS_WARNING, TextStyle::Warning},
    // By the handheld's ROM type and the link: "NBT" over a serial line, over USB, any other
    // type over a serial line, over USB.
    {IDC_UPDATE_PROGRESS_DURATION, IDS_UPDATE_DURATION_60_MIN, TextStyle::Plain, TextForm::Chosen},
    {IDC_UPDATE_PROGRESS_DURATION, IDS_UPDATE_DURATION_8_MIN, TextStyle::Plain, TextForm::Chosen},
    {IDC_UPDATE_PROGRESS_DURATION, IDS_UPDATE_DURATION_80_MIN, TextStyle::Plain, TextForm::Chosen},
    {IDC_UPDATE_PROGRESS_DURATION, IDS_UPDATE_DURATION_10_MIN, TextStyle::Plain, TextForm::Chosen},
};

// How long the update takes, by the handheld's ROM type (exactly "NBT", letter case counting)
// and the kind of line: the catalogue text.
int UpdateDurationText(std::string_view rom_type, bool serial_link);

// The Update progress page: bar, percent, what happens, a red warning and how long it takes,
// while its worker writes the image through the boot loader. It has no buttons; the download
// ends it with 1, its watchdog (timer 2) with 2.
class UpdateProgressPage {
  public:
    UpdateProgressPage(HWND dialog, PageContext& context) : dialog_(dialog), context_(context) {}
    INT_PTR Initialise();
    INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam);

  private:
    void OnWatchdog();

    HWND dialog_;
    PageContext& context_;
};

}  // namespace orvo::pages
