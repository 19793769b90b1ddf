#pragma once
// The numbered error pages that differ only in their texts, as one table, and the two of them
// that do a little more: the sizes of an image too large, and the main window closed by the
// Image-not-found page itself. Each ends with 1 by its exit button.

#include "pages/frame_page.h"

#include <array>

namespace orvo::pages {

inline constexpr PageButton kExitByCancel[] = {{IDC_CANCEL, 1}};
// The close box and Esc do nothing on these pages.
inline constexpr PageButton kExitByExit[] = {{IDC_EXIT, 1}};

inline constexpr PageText kConnectionErrorTexts[] = {
    {IDC_CONNECTION_ERROR_HEADING, IDS_CONNECTION_ERROR_HEADING, TextStyle::Heading},
    {IDC_CONNECTION_ERROR_BODY, IDS_CONNECTION_ERROR_BODY},
    {IDC_CONNECTION_ERROR_BEENDEN_HINT, IDS_BEENDEN_HINT},
    {IDC_CANCEL, IDS_BEENDEN},
};
inline constexpr PageText kChecksumErrorTexts[] = {
    {IDC_CHECKSUM_ERROR_HEADING, IDS_CHECKSUM_ERROR_HEADING, TextStyle::Heading},
    {IDC_CHECKSUM_ERROR_BODY, IDS_CHECKSUM_ERROR_BODY},
    {IDC_CHECKSUM_ERROR_BEENDEN_HINT, IDS_BEENDEN_HINT},
    {IDC_CANCEL, IDS_BEENDEN},
};
inline constexpr PageText kImageNotFoundTexts[] = {
    {IDC_IMAGE_NOT_FOUND_HEADING, IDS_IMAGE_NOT_FOUND_HEADING, TextStyle::Heading},
    {IDC_IMAGE_NOT_FOUND_BODY, IDS_IMAGE_NOT_FOUND_BODY},
    {IDC_IMAGE_NOT_FOUND_BEENDEN_HINT, IDS_BEENDEN_HINT},
    {IDC_CANCEL, IDS_BEENDEN},
};
inline constexpr PageText kImageOpenErrorTexts[] = {
    {IDC_IMAGE_OPEN_ERROR_HEADING, IDS_IMAGE_OPEN_ERROR_HEADING, TextStyle::Heading},
    {IDC_IMAGE_OPEN_ERROR_BODY, IDS_IMAGE_OPEN_ERROR_BODY},
    {IDC_IMAGE_OPEN_ERROR_BEENDEN_HINT, IDS_BEENDEN_HINT},
    {IDC_CANCEL, IDS_BEENDEN},
};
inline constexpr PageText kRemoteProgramErrorTexts[] = {
    {IDC_REMOTE_PROGRAM_ERROR_HEADING, IDS_REMOTE_PROGRAM_ERROR_HEADING, TextStyle::Heading},
    {IDC_REMOTE_PROGRAM_ERROR_BODY, IDS_REMOTE_PROGRAM_ERROR_BODY},
    {IDC_REMOTE_PROGRAM_ERROR_BEENDEN_HINT, IDS_BEENDEN_HINT},
    {IDC_CANCEL, IDS_BEENDEN},
};
inline constexpr PageText kBackupSpaceErrorTexts[] = {
    {IDC_BACKUP_SPACE_ERROR_HEADING, IDS_BACKUP_SPACE_ERROR_HEADING, TextStyle::Heading},
    {IDC_BACKUP_SPACE_ERROR_BODY, IDS_BACKUP_SPACE_ERROR_BODY},
    {IDC_BACKUP_SPACE_ERROR_NOTE, IDS_BACKUP_SPACE_ERROR_NOTE},
    {IDC_BACKUP_SPACE_ERROR_BEENDEN_HINT, IDS_BEENDEN_HINT},
    {IDC_CANCEL, IDS_BEENDEN},
};
inline constexpr PageText kBackupErrorTexts[] = {
    {IDC_BACKUP_ERROR_HEADING, IDS_BACKUP_ERROR_HEADING, TextStyle::Heading},
    {IDC_BACKUP_ERROR_BODY, IDS_BACKUP_ERROR_BODY},
    {IDC_BACKUP_ERROR_BEENDEN_HINT, IDS_BEENDEN_HINT},
    {IDC_CANCEL, IDS_BEENDEN},
};
inline constexpr PageText kImageTooLargeTexts[] = {
    {IDC_IMAGE_TOO_LARGE_HEADING, IDS_IMAGE_TOO_LARGE_HEADING, TextStyle::Heading},
    {IDC_IMAGE_TOO_LARGE_BODY, IDS_IMAGE_TOO_LARGE_BODY},
    {IDC_IMAGE_SIZE_LABEL, IDS_IMAGE_SIZE_LABEL},
    {IDC_IMAGE_SIZE_VALUE, IDS_MB, TextStyle::Plain, TextForm::Number},
    {IDC_FLASH_SIZE_LABEL, IDS_FLASH_SIZE_LABEL},
    {IDC_FLASH_SIZE_VALUE, IDS_MB, TextStyle::Plain, TextForm::Number},
    {IDC_IMAGE_TOO_LARGE_BEENDEN_HINT, IDS_BEENDEN_HINT},
    {IDC_CANCEL, IDS_BEENDEN},
};
inline constexpr PageText kActiveSyncVersionErrorTexts[] = {
    {IDC_ACTIVESYNC_VERSION_HEADING, IDS_ACTIVESYNC_VERSION_HEADING, TextStyle::Heading},
    {IDC_ACTIVESYNC_VERSION_BODY, IDS_ACTIVESYNC_VERSION_BODY},
    {IDC_ACTIVESYNC_VERSION_BEENDEN_HINT, IDS_BEENDEN_HINT},
    {IDC_EXIT, IDS_BEENDEN},
};
inline constexpr PageText kIdentificationErrorTexts[] = {
    {IDC_IDENTIFICATION_ERROR_HEADING, IDS_IDENTIFICATION_ERROR_HEADING, TextStyle::Heading},
    {IDC_IDENTIFICATION_ERROR_BODY, IDS_IDENTIFICATION_ERROR_BODY},
    {IDC_EXIT, IDS_BEENDEN},
};
inline constexpr PageText kInvalidModelTexts[] = {
    {IDC_INVALID_MODEL_HEADING, IDS_INVALID_MODEL_HEADING, TextStyle::Heading},
    {IDC_INVALID_MODEL_BODY, IDS_INVALID_MODEL_BODY},
    {IDC_INVALID_MODEL_BEENDEN_HINT, IDS_BEENDEN_HINT},
    {IDC_EXIT, IDS_BEENDEN},
};

struct ErrorPage {
    Page page;
    PageSpec spec;
};

inline constexpr std::array<ErrorPage, 11> kPlainErrorPages = {{
    {Page::ConnectionError, {kConnectionErrorTexts, kExitByCancel}},
    {Page::ChecksumError, {kChecksumErrorTexts, kExitByCancel}},
    {Page::ImageNotFound, {kImageNotFoundTexts, kExitByCancel}},
    {Page::ImageOpenError, {kImageOpenErrorTexts, kExitByCancel}},
    {Page::RemoteProgramError, {kRemoteProgramErrorTexts, kExitByCancel}},
    {Page::BackupSpaceError, {kBackupSpaceErrorTexts, kExitByCancel}},
    {Page::BackupError, {kBackupErrorTexts, kExitByCancel}},
    {Page::ImageTooLarge, {kImageTooLargeTexts, kExitByCancel}},
    {Page::ActiveSyncVersionError, {kActiveSyncVersionErrorTexts, kExitByExit}},
    {Page::IdentificationError, {kIdentificationErrorTexts, kExitByExit}},
    {Page::InvalidModel, {kInvalidModelTexts, kExitByExit}},
}};

consteval const PageSpec& PlainErrorSpec(Page page) {
    for (const ErrorPage& entry : kPlainErrorPages) {
        if (entry.page == page) return entry.spec;
    }
    throw "not a plain error page";  // a compile error: the function runs at compile time only
}

template <Page P>
inline constexpr const PageSpec& kErrorPageSpec = PlainErrorSpec(P);

template <Page P>
class PlainErrorPage : public FramePage {
  public:
    PlainErrorPage(HWND dialog, PageContext& context)
        : FramePage(dialog, context, kErrorPageSpec<P>) {}
};

// With the image's size in whole megabytes (rounded down) and the handheld's flash size.
class ImageTooLargePage : public FramePage {
  public:
    ImageTooLargePage(HWND dialog, PageContext& context)
        : FramePage(dialog, context, kErrorPageSpec<Page::ImageTooLarge>) {}

  private:
    void Start() override;
};

// Its Beenden closes the main window itself and returns to its caller a second later.
class ImageNotFoundPage : public FramePage {
  public:
    ImageNotFoundPage(HWND dialog, PageContext& context)
        : FramePage(dialog, context, kErrorPageSpec<Page::ImageNotFound>) {}

  private:
    bool Command(int control) override;
};

}  // namespace orvo::pages
