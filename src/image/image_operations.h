#pragma once
// The operations on the image file named in ImagePath: reading its header, the checksum pass,
// its size, and opening it for the download. Each failure that ends the wizard shows the
// Image-open error page through the UI seam and then makes the close request.

#include "image/image_file.h"
#include "platform/ui.h"
#include "shell/wizard_state.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace orvo {

// The working buffer of the checksum pass.
inline constexpr std::size_t kChecksumBufferSize = 262'144;

// What the caller must undo before an error page is shown: collapse the progress page now
// shown, close the remote-API session or the boot-loader port.
using BeforeErrorPage = std::function<void()>;

// Fills state.Image from the file's first 32 bytes; 1 on success. A missing file whose path came
// from the settings fails quietly; every other failure (including a file shorter than the
// header) ends the wizard with the Image-open error page.
int ReadImageHeader(const std::string& path, WizardState& state, Ui& ui,
                    const BeforeErrorPage& before_error_page = {});

// The checksum and payload length found by one pass over an image file.
struct ImageSum {
    std::uint16_t checksum;
    std::uint64_t payload_bytes;
};

// Sums header bytes 0 to 21 and the payload of `file`, from its start, through `buffer` alone.
// No value when the header is incomplete or a read fails.
std::optional<ImageSum> SumImageFile(ImageFile& file, std::span<std::uint8_t> buffer);

// 1 when the checksum of ImagePath equals the checksum text of state.Image (read before); 0
// when not, when that text is not hexadecimal, or when the file cannot be read (then the
// Image-open error page has ended the wizard). The Checking notice shows meanwhile.
int VerifyImageChecksum(WizardState& state, Ui& ui);

// The file's size in bytes; no value when it cannot be opened or measured (the Image-open error
// page has then ended the wizard).
std::optional<std::uint64_t> ImageFileSize(const std::string& path, Ui& ui,
                                           const BeforeErrorPage& before_error_page = {});

struct DownloadOpenHooks {
    BeforeErrorPage before_error_page;                   // closes the boot-loader port
    std::function<void(std::string_view)> debug_output;  // the debugger's output stream
};

// Opens ImagePath into state.ImageFileHandle and returns the payload length (file size - 32).
// No value, and the handle closed, when it cannot be opened, measured, or is shorter than the
// header.
std::optional<std::uint64_t> OpenImageForDownload(WizardState& state, Ui& ui,
                                                  const DownloadOpenHooks& hooks = {});

}  // namespace orvo
