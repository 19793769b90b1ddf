#pragma once
// Writing the image into the handheld's flash: the two load commands, the download thread that
// answers the boot loader's header and record requests, and the progress shown on the page.

#include "bootlink/boot_link.h"

#include <cstdint>

namespace orvo {

inline constexpr char kLoadFileName[] = "c:\\test.nbf";

// The values of WizardState::DownloadStatus, in the order an update takes them.
enum DownloadStatusValue : int {
    kNoUpdateStarted = 0,
    kFirstLoadSent = 1,  // the first download requested or running
    kFirstDownloadEnded = 2,
    kSecondLoadSent = 3,  // the second download requested or running
};

// The first download's percentage after a full block: R bytes still to send of T.
int DownloadPercent(std::int32_t remaining, std::uint32_t total);

// Sends the two load commands, the second once the first download has ended with its end
// record. Returns when both went out or the link stopped.
void FlashSequence(BootLink& link);

// The download thread's procedure; the reader starts it on link.Download.thread.
void DownloadThread(BootLink& link);

// Moves the bar and the percent text; at 100 deletes the settings record and ends the page
// with 1.
void SetDownloadProgress(BootLink& link, int percent);

}  // namespace orvo
