#include "shell/identify_device.h"

#include "bootlink/boot_identity.h"
#include "bootlink/boot_port.h"
#include "bootlink/link_commands.h"
#include "device/query_device_data.h"
#include "image/image_checks.h"
#include "image/image_operations.h"
#include "shell/find_image_in_start_dir.h"
#include "shell/flash_settings.h"
#include "shell/update_outcome.h"

#include <chrono>

namespace orvo {
namespace {

using namespace std::chrono_literals;

constexpr Millis kSessionWait = 3000ms;
// The Confirmation page's Weiter.
constexpr int kConfirmationGoOn = 1;

bool IdentifyOverRemoteApi(WizardState& state, const WizardServices& services) {
    // The handheld runs normally, so no update is waiting to be resumed.
    ClearFlashSettings(services.registry);
    // A refusal has shown its page; the flow's model check follows either way.
    QueryDeviceData(state, services.device);
    services.ui.CloseCheckingNotice();
    return true;
}

// Forgets the image remembered in the settings; the delivered one is tried in its place.
void DropRememberedImage(WizardState& state) {
    state.ImagePath.clear();
    state.ImagePathFromSettings = 0;
}

// The image to write again and the handheld's identity through its boot loader. A remembered
// image that is missing or unreadable, or made for another handheld, is replaced by the
// delivered one without a word; a delivered image that does not fit ends the program. The
// second pass always takes the delivered image, so there are at most two.
bool ChooseResumeImage(WizardState& state, const WizardServices& services) {
    Ui& ui = services.ui;
    BootLink& link = services.link;
    for (;;) {
        if (state.ImagePath.empty()) {
            if (!FindImageInStartDir(state, ui)) return false;
            state.ImagePathFromSettings = 0;
        }
        EnterFramedMode(link);
        if (!ReadBootIdentity(link)) {
            // A boot loader that fell silent stops the link without a page: the user is told.
            if (link.LinkStop == 1) ui.OpenPage(Page::IdentificationError);
            ui.CloseCheckingNotice();
            LeaveFramedMode(link);
            return false;
        }
        LeaveFramedMode(link);
        const bool remembered = state.ImagePathFromSettings == 1;
        // Reads the header of ImagePath; for the delivered image a difference has ended the
        // program with its page.
        if (!CheckImageMatchesDevice(state, ui)) {
            if (!remembered) return false;
            DropRememberedImage(state);
            continue;
        }
        if (!CheckRomType(state.Device, state.Image)) {
            if (remembered) {
                DropRememberedImage(state);
                continue;
            }
            ui.CloseCheckingNotice();
            state.RomVersionMismatch = 1;
            ui.OpenPage(Page::IncompatibleImage);
            return false;
        }
        return true;
    }
}

bool ResumeThroughBootLoader(WizardState& state, const WizardServices& services) {
    Ui& ui = services.ui;
    const Clock& clock = services.device.clock;
    if (OpenBootPort(services.link) != 1) {
        // The Checking notice stays behind the page until the program ends.
        ui.OpenPage(Page::ConnectionError);
        services.device.remote.CeRapiUninit();
        return false;
    }
    state.ResumePending = LoadFlashSettings(state, services.registry);
    if (state.ResumePending == 1 && !state.ImagePath.empty() &&
        !ReadImageHeader(state.ImagePath, state, ui)) {
        DropRememberedImage(state);
    }
    if (ui.CloseRequested() || !ChooseResumeImage(state, services)) return false;

    state.ConfirmBackEnabled = 0;
    clock.Sleep(2000ms);
    ui.CloseCheckingNotice();
    if (ui.OpenPage(Page::Confirmation) != kConfirmationGoOn) return false;
    clock.Sleep(1000ms);
    EndUpdate(ui.OpenUpdateProgressPage(UpdateVariant::Resume), state, services);
    return false;
}

}  // namespace

bool IdentifyDevice(WizardState& state, const WizardServices& services) {
    services.ui.ShowCheckingNotice();
    const auto wall = std::chrono::duration_cast<std::chrono::milliseconds>(
        services.device.clock.Real(kSessionWait));
    if (services.device.remote.WaitForSession(static_cast<std::uint32_t>(wall.count()))) {
        return IdentifyOverRemoteApi(state, services);
    }
    return ResumeThroughBootLoader(state, services);
}

}  // namespace orvo
