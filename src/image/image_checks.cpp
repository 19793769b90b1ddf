#include "image/image_checks.h"

#include "base/text_compare.h"

#include <limits>

namespace orvo {
namespace {

int Refuse(Ui& ui, Page page) {
    ui.OpenPage(page);
    ui.RequestClose();
    return 0;
}

int RefuseIncompatible(Ui& ui, std::atomic<int>& mismatch,
                       const BeforeErrorPage& before_error_page = {}) {
    if (before_error_page) before_error_page();
    mismatch = 1;
    return Refuse(ui, Page::IncompatibleImage);
}

}  // namespace

int CheckRomType(const DeviceIdentity& device, const ImageHeader& image) {
    return EqualIgnoringCase(device.RomTypeCode, image.RomTypeCode) ? 1 : 0;
}

bool ModelMatches(const DeviceIdentity& device, const ImageHeader& image) {
    return EqualIgnoringCase(device.ModelID, image.ModelID);
}

bool LanguageMatches(const DeviceIdentity& device, const ImageHeader& image) {
    return EqualIgnoringCase(device.Lang, image.Lang);
}

bool ImageFitsFlash(std::uint8_t flash_size_mb, std::uint32_t image_size_kb) {
    return !(static_cast<std::uint32_t>(flash_size_mb) < (image_size_kb >> 10));
}

bool LoadCommandCanAddress(std::uint64_t payload_bytes) {
    return payload_bytes < kLoadCommandPayloadLimit;
}

std::uint32_t SizeInKB(std::uint64_t size_bytes) {
    const std::uint64_t kb = size_bytes >> 10;
    return kb > std::numeric_limits<std::uint32_t>::max()
               ? std::numeric_limits<std::uint32_t>::max()
               : static_cast<std::uint32_t>(kb);
}

int CheckImageMatchesDevice(WizardState& state, Ui& ui, const BeforeErrorPage& before_error_page) {
    if (state.ImagePath.empty()) return 0;
    if (!ReadImageHeader(state.ImagePath, state, ui, before_error_page)) {
        ui.RequestClose();
        return 0;
    }
    if (!ModelMatches(state.Device, state.Image)) {
        if (state.ImagePathFromSettings == 1) return 0;
        return RefuseIncompatible(ui, state.ImageModelMismatch, before_error_page);
    }
    if (!LanguageMatches(state.Device, state.Image)) {
        if (state.ImagePathFromSettings == 1) return 0;
        return RefuseIncompatible(ui, state.ImageLanguageMismatch, before_error_page);
    }
    return 1;
}

int AcceptImage(WizardState& state, Ui& ui, ImageSizeSource size_source,
                const BeforeErrorPage& before_size_error_page) {
    // A header that could not be read is never checked as if it were this image's.
    if (!ReadImageHeader(state.ImagePath, state, ui)) {
        ui.RequestClose();
        return 0;
    }
    if (!VerifyImageChecksum(state, ui)) {
        // An unreadable file has already ended the wizard with its own page.
        return ui.CloseRequested() ? 0 : Refuse(ui, Page::ChecksumError);
    }
    if (!CheckRomType(state.Device, state.Image)) {
        return RefuseIncompatible(ui, state.RomVersionMismatch);
    }
    if (!ModelMatches(state.Device, state.Image)) {
        return RefuseIncompatible(ui, state.ImageModelMismatch);
    }
    if (!LanguageMatches(state.Device, state.Image)) {
        return RefuseIncompatible(ui, state.ImageLanguageMismatch);
    }
    if (size_source == ImageSizeSource::MeasureFile) {
        const std::optional<std::uint64_t> size =
            ImageFileSize(state.ImagePath, ui, before_size_error_page);
        if (!size) return 0;
        state.ImageSizeKB = SizeInKB(*size);
    }
    // A flash of at most 255 MB also keeps the image within what the load command addresses.
    if (!ImageFitsFlash(state.Device.FlashSizeMB, state.ImageSizeKB)) {
        return Refuse(ui, Page::ImageTooLarge);
    }
    return 1;
}

}  // namespace orvo
