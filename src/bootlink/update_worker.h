#pragma once
// The Update progress page's two workers. Each runs on a thread of its own beside the page,
// checks what it must, then starts the download over the link and ends itself; the download or
// the page's watchdog ends the page.

#include "bootlink/boot_link.h"

namespace orvo {

// The main variant, with the port open and the handheld just restarted into its boot loader:
// identifies the handheld through its boot loader, checks the image against it and writes it.
void UpdateWorker(BootLink& link);

// The resume variant, with the handheld identified and the image tested already: reads the
// image header again and writes the image.
void ResumeUpdateWorker(BootLink& link);

}  // namespace orvo
