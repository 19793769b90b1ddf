#pragma once
// The program-wide state shared by the flow, the pages and the workers. One instance lives for
// the whole run and is passed to whoever needs it. Flags that other threads read or write are
// atomic 32-bit words; texts are written before the threads that read them start.

#include "device/device_identity.h"
#include "image/image_file.h"
#include "image/image_header.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace orvo {

struct WizardState {
    // Places.
    std::string StartDir;
    std::string WindowsDir;
    std::string MarkerFilePath;

    // Files.
    std::string ImagePath;
    std::string UpdateImagePath;
    std::string BackupPath;
    std::atomic<std::uint32_t> ImageSizeKB{0};
    // The image open for the download; closed by whoever ends the download.
    ImageFile ImageFileHandle;

    // The connected handheld and the header of the last image read.
    DeviceIdentity Device;
    ImageHeader Image;

    // Navigation: set by a page just before it ends, cleared by the flow once acted on.
    std::atomic<int> ExitRequested{0};
    std::atomic<int> BackFromPreparation{0};
    std::atomic<int> BackFromConnection{0};
    std::atomic<int> BackFromOptions{0};
    std::atomic<int> BackFromConfirmation{0};
    std::atomic<int> BackFromUpdateReady{0};
    std::atomic<int> BackFromBootLoaderEntry{0};

    // Resume.
    std::atomic<int> ResumePending{0};
    std::atomic<int> ImagePathFromSettings{0};
    std::atomic<int> ConfirmBackEnabled{1};

    // Which check refused the image; the Incompatible-image page marks these rows.
    std::atomic<int> RomVersionMismatch{0};
    std::atomic<int> ImageModelMismatch{0};
    std::atomic<int> ImageLanguageMismatch{0};

    // The link: 1 = serial line, 0 = USB.
    std::atomic<int> SerialLink{1};
    std::atomic<int> DownloadStatus{0};

    // Ends the Boot-loader entry page's watcher: set by the page when it ends, and by the
    // watcher once the boot loader has been found.
    std::atomic<int> BootWaitStop{0};
};

}  // namespace orvo
