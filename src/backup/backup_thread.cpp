#include "backup/backup_thread.h"

#include "device/device_copy.h"
#include "image/backup_image_writer.h"
#include "image/start_dir_image.h"

#include <vector>

namespace orvo {
namespace {

using namespace std::chrono_literals;
using namespace device_file;

constexpr char kDeviceProgram[] = "backup.exe";
constexpr char16_t kDeviceProgramPath[] = u"\\Temp\\backup.exe";
constexpr char16_t kChunkPath[] = u"\\Temp\\image.nb";
constexpr Millis kStartPause = 5000ms;
constexpr Millis kPollPause = 100ms;

// A failure the program goes on after: the page ends with 2 and the error page follows.
void FailAndGoOn(Ui& ui, Page error_page) {
    ui.EndBackupPage(2);
    ui.OpenPage(error_page);
}

// A failure that ends the program: the page stays, shrunk, under the error page.
void FailAndEnd(Ui& ui, Page error_page) {
    ui.ShrinkBackupPage();
    ui.OpenPage(error_page);
    ui.RequestClose();
}

// Waits for the next chunk file; the invalid handle after the poll limit.
DeviceFile WaitForChunk(DeviceServices& services) {
    for (int attempt = 0; attempt < kBackupPollLimit; ++attempt) {
        services.clock.Sleep(kPollPause);
        const DeviceFile chunk = services.remote.CeCreateFile(kChunkPath, kGenericRead, kShareRead,
                                                              kOpenExisting, kAttributeNormal);
        if (chunk != kInvalidDeviceFile) return chunk;
    }
    return kInvalidDeviceFile;
}

}  // namespace

void BackupThread(WizardState& state, DeviceServices& services) {
    RemoteApi& api = services.remote;
    Ui& ui = services.ui;
    ui.SetBackupPercent(0);
    std::vector<std::uint8_t> buffer(kBackupChunkBytes);

    api.CeDeleteFile(kDeviceProgramPath);
    api.CeDeleteFile(kChunkPath);
    if (const std::optional<std::string> program = FileInFolder(state.StartDir, kDeviceProgram)) {
        CopyFileToDeviceWithProgress(services, PathInFolder(state.StartDir, *program),
                                     "\\Temp\\" + *program, *program);
    }
    // The copy used the bar for the program; from here on it counts the ROM.
    ui.SetProgressRange(0, static_cast<int>(kBackupImageBytes));
    ui.SetProgressPosition(0);
    if (!api.CeCreateProcess(kDeviceProgramPath)) {
        api.CeRapiUninit();
        FailAndEnd(ui, Page::RemoteProgramError);
        return;
    }
    services.clock.Sleep(kStartPause);

    BackupImageWriter writer;
    if (!writer.Create(state.BackupPath)) {
        FailAndGoOn(ui, Page::ImageOpenError);
        return;
    }
    for (std::uint32_t fetched = 0; fetched < kBackupImageBytes; fetched += kBackupChunkBytes) {
        const DeviceFile chunk = WaitForChunk(services);
        if (chunk == kInvalidDeviceFile) {
            FailAndEnd(ui, Page::BackupError);
            return;
        }
        // Only a whole chunk may reach the file: a short or failed read would leave bytes of
        // the chunk before in its place.
        const std::optional<std::uint32_t> read = api.CeReadFile(chunk, buffer);
        api.CeCloseHandle(chunk);
        if (!read || *read != kBackupChunkBytes || !writer.Append(buffer)) {
            FailAndGoOn(ui, Page::BackupError);
            return;
        }
        api.CeDeleteFile(kChunkPath);
        const std::uint32_t position = fetched + kBackupChunkBytes;
        ui.SetProgressPosition(static_cast<int>(position));
        ui.SetBackupPercent(position * 100 / kBackupImageBytes);
    }
    if (!writer.Finish(state.Device)) {
        FailAndGoOn(ui, Page::BackupError);
        return;
    }
    api.CeDeleteFile(kDeviceProgramPath);
    api.CeDeleteFile(kChunkPath);
    ui.EndBackupPage(1);
}

}  // namespace orvo
