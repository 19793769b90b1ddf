#pragma once
// The checks that an image is intact and made for the connected handheld. Each refusal marks
// which comparison failed, shows its error page through the UI seam and makes the close request.

#include "device/device_identity.h"
#include "image/image_header.h"
#include "image/image_operations.h"
#include "platform/ui.h"
#include "shell/wizard_state.h"

#include <cstdint>

namespace orvo {

// Whole texts, letter case ignored.
int CheckRomType(const DeviceIdentity& device, const ImageHeader& image);
bool ModelMatches(const DeviceIdentity& device, const ImageHeader& image);
bool LanguageMatches(const DeviceIdentity& device, const ImageHeader& image);

// Both sides in whole megabytes rounded down; refused only when the flash is smaller.
bool ImageFitsFlash(std::uint8_t flash_size_mb, std::uint32_t image_size_kb);

// The first load command asks for the payload from 0xA0000000 on, its length in 32 bits: a
// payload it can address ends within the 32-bit address space. The download refuses any other
// before its first load command; romflash before it looks for the boot loader.
inline constexpr std::uint64_t kLoadCommandPayloadLimit = 0x100000000 - 0xA0000000;
bool LoadCommandCanAddress(std::uint64_t payload_bytes);

// ImageSizeKB for a file of `size_bytes` (kilobytes rounded down, at most what 32 bits hold).
std::uint32_t SizeInKB(std::uint64_t size_bytes);

// Reads the header of ImagePath and compares model and language with the handheld. 0 when the
// path is empty or the header unreadable, or on a difference: quietly while
// ImagePathFromSettings is set (the remembered image is dropped), otherwise after the
// Incompatible-image page with its mismatch flag set. `before_error_page` runs before either
// error page.
int CheckImageMatchesDevice(WizardState& state, Ui& ui,
                            const BeforeErrorPage& before_error_page = {});

// How the acceptance checks come by ImageSizeKB: kept as measured while the handheld was
// identified (update), or measured from ImagePath (restore).
enum class ImageSizeSource { AsIdentified, MeasureFile };

// The acceptance checks of an image for an update or a restore, the first refusal deciding:
// header, checksum, ROM type, model, language, size. 1 when the image is accepted.
// `before_size_error_page` runs before the Image-open error page of a failed measurement.
int AcceptImage(WizardState& state, Ui& ui, ImageSizeSource size_source,
                const BeforeErrorPage& before_size_error_page = {});

}  // namespace orvo
