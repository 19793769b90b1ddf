#include "image/image_operations.h"

#include "image/image_checksum.h"
#include "image/image_header.h"

#include <array>
#include <vector>

namespace orvo {
namespace {

void EndWithImageOpenError(Ui& ui, const BeforeErrorPage& before_error_page) {
    if (before_error_page) before_error_page();
    ui.OpenPage(Page::ImageOpenError);
    ui.RequestClose();
}

// Closes the Checking notice on every way out of the checksum pass.
class CheckingNotice {
  public:
    explicit CheckingNotice(Ui& ui) : ui_(ui) { ui_.ShowCheckingNotice(); }
    CheckingNotice(const CheckingNotice&) = delete;
    CheckingNotice& operator=(const CheckingNotice&) = delete;
    ~CheckingNotice() { Close(); }
    void Close() {
        if (open_) ui_.CloseCheckingNotice();
        open_ = false;
    }

  private:
    Ui& ui_;
    bool open_ = true;
};

}  // namespace

int ReadImageHeader(const std::string& path, WizardState& state, Ui& ui,
                    const BeforeErrorPage& before_error_page) {
    ImageFile file;
    const ImageFile::OpenResult opened = file.Open(path);
    if (opened == ImageFile::OpenResult::NotFound && state.ImagePathFromSettings != 0) return 0;
    std::array<std::uint8_t, kImageHeaderSize> header{};
    if (opened != ImageFile::OpenResult::Opened || !file.ReadExactly(header)) {
        EndWithImageOpenError(ui, before_error_page);
        return 0;
    }
    ParseImageHeader(header, state.Image);
    return 1;
}

std::optional<ImageSum> SumImageFile(ImageFile& file, std::span<std::uint8_t> buffer) {
    std::array<std::uint8_t, kImageHeaderSize> header{};
    if (!file.Seek(0) || !file.ReadExactly(header)) return std::nullopt;
    std::uint32_t sum = SumBytes(std::span(header).first(kSummedHeaderBytes));
    std::uint64_t payload_bytes = 0;
    for (;;) {
        const std::optional<std::size_t> read = file.Read(buffer);
        if (!read) return std::nullopt;
        if (*read == 0) break;
        sum = SumBytes(buffer.first(*read), sum);
        payload_bytes += *read;
    }
    return ImageSum{static_cast<std::uint16_t>(sum), payload_bytes};
}

int VerifyImageChecksum(WizardState& state, Ui& ui) {
    ImageFile file;
    if (file.Open(state.ImagePath) != ImageFile::OpenResult::Opened) {
        EndWithImageOpenError(ui, {});
        return 0;
    }
    CheckingNotice notice(ui);
    std::vector<std::uint8_t> buffer(kChecksumBufferSize);
    const std::optional<ImageSum> sum = SumImageFile(file, buffer);
    file.Close();
    notice.Close();
    if (!sum) {
        EndWithImageOpenError(ui, {});
        return 0;
    }
    const std::optional<std::uint16_t> expected = ParseHexText(state.Image.ChecksumText);
    return expected && *expected == sum->checksum ? 1 : 0;
}

std::optional<std::uint64_t> ImageFileSize(const std::string& path, Ui& ui,
                                           const BeforeErrorPage& before_error_page) {
    ImageFile file;
    std::optional<std::uint64_t> size;
    if (file.Open(path) == ImageFile::OpenResult::Opened) size = file.Size();
    if (!size) EndWithImageOpenError(ui, before_error_page);
    return size;
}

std::optional<std::uint64_t> OpenImageForDownload(WizardState& state, Ui& ui,
                                                  const DownloadOpenHooks& hooks) {
    ImageFile& file = state.ImageFileHandle;
    if (file.Open(state.ImagePath) != ImageFile::OpenResult::Opened) {
        file.Close();
        EndWithImageOpenError(ui, hooks.before_error_page);
        return std::nullopt;
    }
    const std::optional<std::uint64_t> size = file.Size();
    if (!size) {
        file.Close();
        if (hooks.debug_output) hooks.debug_output("\nGet File size error\n");
        return std::nullopt;
    }
    if (*size < kImageHeaderSize) {
        // Cut short since its header was read: there is no payload to send.
        file.Close();
        EndWithImageOpenError(ui, hooks.before_error_page);
        return std::nullopt;
    }
    return *size - kImageHeaderSize;
}

}  // namespace orvo
