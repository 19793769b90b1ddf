#include "device/device_copy.h"

#include "image/image_file.h"
#include "base/text_compare.h"

#include <array>
#include <vector>

namespace orvo {
namespace {

using namespace device_file;

constexpr std::size_t kLibraryBlock = 256;
constexpr std::size_t kProgressBlock = 4096;

// Closes a handheld file when it goes out of scope.
class DeviceFileCloser {
  public:
    DeviceFileCloser(RemoteApi& api, DeviceFile file) : api_(api), file_(file) {}
    DeviceFileCloser(const DeviceFileCloser&) = delete;
    DeviceFileCloser& operator=(const DeviceFileCloser&) = delete;
    ~DeviceFileCloser() { Close(); }
    void Close() {
        if (file_ != kInvalidDeviceFile) api_.CeCloseHandle(file_);
        file_ = kInvalidDeviceFile;
    }

  private:
    RemoteApi& api_;
    DeviceFile file_;
};

// Whether a failed create met a file the handheld already holds: the remote API reports its own
// errors, the handheld's file system its last error.
bool TargetAlreadyThere(RemoteApi& api) {
    if (api.CeRapiGetError() == static_cast<std::int32_t>(kDeviceErrorAlreadyExists)) return true;
    const std::uint32_t last = api.CeGetLastError();
    return last == kDeviceErrorAlreadyExists || last == kDeviceErrorFileExists ||
           last == kDeviceErrorSharingViolation;
}

// Copies the rest of `source` into `target` through `buffer`; `moved` hears of every block.
template <typename OnBlock>
bool CopyContents(RemoteApi& api, ImageFile& source, DeviceFile target,
                  std::span<std::uint8_t> buffer, OnBlock moved) {
    for (;;) {
        const std::optional<std::size_t> read = source.Read(buffer);
        if (!read) return false;
        if (*read == 0) return true;
        const std::optional<std::uint32_t> written = api.CeWriteFile(target, buffer.first(*read));
        if (!written || *written != *read) return false;
        moved(*read);
    }
}

}  // namespace

int CopyFileToDevice(DeviceServices& services, const std::string& pc_path,
                     std::u16string_view device_path) {
    RemoteApi& api = services.remote;
    ImageFile source;
    if (source.Open(pc_path) != ImageFile::OpenResult::Opened) return 0;
    const DeviceFile target =
        api.CeCreateFile(device_path, kGenericWrite, kShareRead, kCreateAlways, kAttributeNormal);
    if (target == kInvalidDeviceFile) return TargetAlreadyThere(api) ? 1 : 0;
    DeviceFileCloser closer(api, target);
    std::array<std::uint8_t, kLibraryBlock> buffer{};
    return CopyContents(api, source, target, buffer, [](std::size_t) {}) ? 1 : 0;
}

int CopyFileToDeviceWithProgress(DeviceServices& services, const std::string& pc_path,
                                 const std::string& device_path, const std::string& aside_name) {
    RemoteApi& api = services.remote;
    ImageFile source;
    if (source.Open(pc_path) != ImageFile::OpenResult::Opened) return 0;
    const std::optional<std::uint64_t> size = source.Size();
    if (!size) return 0;
    const std::u16string target_path = services.code_page.ToUtf16(device_path);

    DeviceFile target = api.CeCreateFile(target_path, kGenericRead | kGenericWrite,
                                         kShareRead | kShareWrite, kCreateNew, kAttributeHidden);
    if (target == kInvalidDeviceFile) {
        const DeviceFile probe = api.CeCreateFile(target_path, kGenericRead, kShareRead,
                                                  kOpenExisting, kAttributeHidden);
        if (probe == kInvalidDeviceFile) return 0;
        // The probe is closed before the target is moved or deleted, which an open file forbids.
        api.CeCloseHandle(probe);
        const std::string aside_path = "\\Temp\\" + aside_name;
        if (EqualIgnoringCase(aside_path, device_path)) {
            if (!api.CeDeleteFile(target_path)) return 0;
        } else {
            const std::u16string aside = services.code_page.ToUtf16(aside_path);
            api.CeDeleteFile(aside);
            if (!api.CeMoveFile(target_path, aside)) return 0;
        }
        target = api.CeCreateFile(target_path, kGenericWrite, kShareRead, kCreateAlways,
                                  kAttributeHidden);
        if (target == kInvalidDeviceFile) return 0;
    }
    DeviceFileCloser closer(api, target);

    services.ui.SetProgressRange(0, static_cast<int>(*size));
    services.ui.SetProgressPosition(0);
    std::vector<std::uint8_t> buffer(kProgressBlock);
    std::uint64_t total = 0;
    const bool copied = CopyContents(api, source, target, buffer, [&](std::size_t moved) {
        total += moved;
        services.ui.SetProgressPosition(static_cast<int>(total));
    });
    return copied ? 1 : 0;
}

}  // namespace orvo
