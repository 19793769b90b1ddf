#pragma once
// The user-interface seam: what the core asks of the window system. The Win32 adapter shows real
// dialog pages; tests use a scripted fake. Every call may come from any thread unless noted.

#include "resources/resource_ids.h"

#include <string>

namespace orvo {

// The pages by their dialog templates.
enum class Page : int {
    Welcome = IDD_WELCOME,
    Preparation = IDD_PREPARATION,
    Connection = IDD_CONNECTION,
    CheckingNotice = IDD_CHECKING_NOTICE,
    Options = IDD_OPTIONS,
    Confirmation = IDD_CONFIRMATION,
    UpdateReady = IDD_UPDATE_READY,
    BootLoaderEntry = IDD_BOOT_LOADER_ENTRY,
    PowerWarning = IDD_POWER_WARNING,
    FileExistsWarning = IDD_FILE_EXISTS_WARNING,
    BatteryDisconnect = IDD_BATTERY_DISCONNECT,
    Completion = IDD_COMPLETION,
    UpdateProgress = IDD_UPDATE_PROGRESS,
    BackupProgress = IDD_BACKUP_PROGRESS,
    ConnectionError = IDD_CONNECTION_ERROR,
    ChecksumError = IDD_CHECKSUM_ERROR,
    ImageNotFound = IDD_IMAGE_NOT_FOUND,
    ImageOpenError = IDD_IMAGE_OPEN_ERROR,
    RemoteProgramError = IDD_REMOTE_PROGRAM_ERROR,
    BackupSpaceError = IDD_BACKUP_SPACE_ERROR,
    BackupError = IDD_BACKUP_ERROR,
    ImageTooLarge = IDD_IMAGE_TOO_LARGE,
    ActiveSyncVersionError = IDD_ACTIVESYNC_VERSION_ERROR,
    IdentificationError = IDD_IDENTIFICATION_ERROR,
    InvalidModel = IDD_INVALID_MODEL,
    IncompatibleImage = IDD_INCOMPATIBLE_IMAGE,
    UpdateError = IDD_UPDATE_ERROR,
};

// The Update progress page's two workers: the main variant identifies the handheld through its
// boot loader and checks the image before it writes; the resume variant, opened at start-up
// for a handheld found waiting in its boot loader, re-reads the image header only.
enum class UpdateVariant { Main, Resume };

// The platform's file dialogs, both with the filters "ROM image (*.nbf)" and "All files (*.*)"
// and the default extension "nbf". Open: owned by the main window, the file must exist. Save:
// owned by the Options page, the current directory is left unchanged.
struct FileDialog {
    enum class Kind { Open, Save };
    Kind kind;
    // Passed to the dialog unchanged (it may hold %USERPROFILE%).
    std::string initial_folder;
};

// The Options page's end codes: Enter (the page has no OK button), a backup file chosen, and
// its two buttons by their own IDs.
inline constexpr int kOptionsEnter = 0;
inline constexpr int kOptionsBackup = 1000;
inline constexpr int kOptionsUpdate = IDC_OPTIONS_UPDATE;
inline constexpr int kOptionsRestore = IDC_OPTIONS_RESTORE;

// The result OpenPage gives for a page that was not shown because the program is ending.
inline constexpr int kPageClosedAtOnce = -1;

class Ui {
  public:
    virtual ~Ui() = default;

    // Runs the page modally on the calling thread and returns its page result. Once the close
    // request has been made, pages are no longer shown and this returns kPageClosedAtOnce.
    virtual int OpenPage(Page page) = 0;
    // The Update progress page (template 102) with the given worker; its page result.
    virtual int OpenUpdateProgressPage(UpdateVariant variant) = 0;
    // Shows the dialog with `path` as the proposed name (empty: none). True with the chosen file
    // in `path`; false, `path` unchanged, when the user cancels or no dialog can be shown.
    virtual bool ShowFileDialog(const FileDialog& dialog, std::string& path) = 0;

    // The close request to the main window: the program ends once the flow returns.
    virtual void RequestClose() = 0;
    virtual bool CloseRequested() const = 0;

    // The Checking notice, shown on a thread of its own while something is examined.
    virtual void ShowCheckingNotice() = 0;
    virtual void CloseCheckingNotice() = 0;

    // The Update progress page as the link's threads reach it; each call does nothing while no
    // such page is shown. Timer 2 is the link's watchdog, armed by the link for each of its
    // phases: when it fires the page stops the link (keeping the cause of the phase) and ends
    // with 2.
    virtual void SetWatchdog(int period_ms) = 0;
    virtual void StopWatchdog() = 0;
    // The bar of the progress page shown last, the Update or the Backup progress page.
    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressPosition(int position) = 0;
    virtual void SetProgressPercent(unsigned percent) = 0;
    // Makes the page set its hourglass again.
    virtual void RefreshProgressCursor() = 0;
    // Moves the page to the origin with zero size.
    virtual void ShrinkProgressPage(bool repaint) = 0;
    virtual void EndProgressPage(int result) = 0;

    // The Backup progress page as its worker reaches it; nothing while it is not shown.
    virtual void SetBackupPercent(unsigned percent) = 0;
    // Moves the page to the origin with zero size, repainting.
    virtual void ShrinkBackupPage() = 0;
    virtual void EndBackupPage(int result) = 0;

    // Enables or disables a button of a page now shown, as the page's workers do; nothing while
    // that page is not shown.
    virtual void EnablePageControl(Page page, int control, bool enable) = 0;
};

}  // namespace orvo
