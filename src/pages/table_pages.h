#pragma once
// The pages that are nothing but their texts and buttons.

#include "pages/frame_page.h"

namespace orvo::pages {

inline constexpr PageText kPreparationTexts[] = {
    {IDC_PREPARATION_STEPS, IDS_PREPARATION_STEPS},
    {IDC_PREPARATION_MORE_STEPS, IDS_PREPARATION_MORE_STEPS},
    {IDC_PREPARATION_CONTINUE_HINT, IDS_CONTINUE_HINT},
    {IDC_FORWARD, IDS_WEITER},
    {IDC_CANCEL, IDS_ABBRECHEN},
};
inline constexpr PageButton kPreparationButtons[] = {
    {IDC_FORWARD, 0},
    {IDC_CANCEL, 1, &WizardState::ExitRequested},
    {IDC_BACK, 1, &WizardState::BackFromPreparation},
};
inline constexpr PageSpec kPreparationPage{kPreparationTexts, kPreparationButtons, Picture::Left,
                                           BrushUse::MakeAndDelete};

inline constexpr PageText kConnectionTexts[] = {
    {IDC_CONNECTION_HEADING, IDS_CONNECTION_HEADING},
    {IDC_CONNECTION_STEPS, IDS_CONNECTION_STEPS},
    {IDC_CONNECTION_WARNING, IDS_CONNECTION_WARNING, TextStyle::Warning},
    {IDC_CONNECTION_CONTINUE_HINT, IDS_CONTINUE_HINT},
    {IDC_FORWARD, IDS_WEITER},
    {IDC_CANCEL, IDS_ABBRECHEN},
};
inline constexpr PageButton kConnectionButtons[] = {
    {IDC_FORWARD, 0},
    {IDC_CANCEL, 1, &WizardState::ExitRequested},
    {IDC_BACK, 0, &WizardState::BackFromConnection},
};
inline constexpr PageSpec kConnectionPage{kConnectionTexts, kConnectionButtons, Picture::Left,
                                          BrushUse::MakeAndDelete};

inline constexpr PageText kFileExistsTexts[] = {
    {IDC_FILE_EXISTS_HEADING, IDS_FILE_EXISTS_HEADING, TextStyle::Heading},
    {IDC_FILE_EXISTS_TEXT, IDS_FILE_EXISTS_TEXT},
    {IDC_FORWARD, IDS_WEITER},
    {IDC_CANCEL, IDS_ABBRECHEN},
};
inline constexpr PageButton kFileExistsButtons[] = {{IDC_FORWARD, 1}, {IDC_CANCEL, 2}};
inline constexpr PageSpec kFileExistsPage{kFileExistsTexts, kFileExistsButtons};

using PreparationPage = TablePage<kPreparationPage>;
using ConnectionPage = TablePage<kConnectionPage>;
using FileExistsPage = TablePage<kFileExistsPage>;

}  // namespace orvo::pages
