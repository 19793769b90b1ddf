#pragma once

#include "pages/frame_page.h"

namespace orvo::pages {

inline constexpr PageText kIncompatibleImageTexts[] = {
    {IDC_INCOMPATIBLE_HEADING, IDS_INCOMPATIBLE_HEADING, TextStyle::Heading},
    {IDC_INCOMPATIBLE_TEXT, IDS_INCOMPATIBLE_TEXT},
    {IDC_DEVICE_MODEL_ROW, IDS_MODEL_LABEL, TextStyle::Plain, TextForm::Labelled},
    {IDC_DEVICE_VERSION_ROW, IDS_ROM_VERSION_LABEL, TextStyle::Plain, TextForm::Labelled},
    {IDC_DEVICE_LANGUAGE_ROW, IDS_LANGUAGE_LABEL, TextStyle::Plain, TextForm::Labelled},
    {IDC_IMAGE_INFO, IDS_IMAGE_INFO},
    {IDC_IMAGE_MODEL_ROW, IDS_MODEL_LABEL, TextStyle::Plain, TextForm::Labelled},
    {IDC_IMAGE_VERSION_ROW, IDS_IMAGE_VERSION_LABEL, TextStyle::Plain, TextForm::Labelled},
    {IDC_IMAGE_LANGUAGE_ROW, IDS_LANGUAGE_LABEL, TextStyle::Plain, TextForm::Labelled},
    {IDC_INCOMPATIBLE_ADVICE, IDS_INCOMPATIBLE_ADVICE},
    {IDC_CANCEL, IDS_BEENDEN},
};
// Beenden, or Enter.
inline constexpr PageButton kIncompatibleImageButtons[] = {{IDC_CANCEL, 1}, {IDC_FORWARD, 0}};
inline constexpr PageSpec kIncompatibleImagePage{kIncompatibleImageTexts, kIncompatibleImageButtons,
                                                 Picture::Left, BrushUse::MakeAndDelete};

// The handheld's data beside the image's, the rows that differ marked in red.
class IncompatibleImagePage : public FramePage {
  public:
    IncompatibleImagePage(HWND dialog, PageContext& context)
        : FramePage(dialog, context, kIncompatibleImagePage) {}

  private:
    void Start() override;
    bool Command(int control) override;
    INT_PTR StaticColours(HDC dc, int control) override;
    bool Marked(int control) const;
};

}  // namespace orvo::pages
