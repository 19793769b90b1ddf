#pragma once
// What every page reaches: the program's module and main window, the texts, the shared state
// and the display objects the pages paint with.

#include "bootlink/boot_link.h"
#include "device/device_services.h"
#include "pages/page_workers.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "platform/win32/gdi_handles.h"
#include "shell/message_catalogue.h"
#include "shell/wizard_state.h"

#include <windows.h>

#include <atomic>

namespace orvo::pages {

// The display context, the picture's memory context and the left-hand picture, made when the
// wizard starts and released when the main window is destroyed.
struct DisplayResources {
    win32::OwnedBitmap LeftPicture;
    win32::OwnedDC hScreenDC;
    win32::OwnedDC hPictureDC;

    void Make(HINSTANCE instance);
    // Releases the memory context first, then the display context, then the picture.
    void Release();
};

struct PageContext {
    HINSTANCE hInst = nullptr;
    HWND hMainWnd = nullptr;
    const MessageCatalogue& catalogue;
    WizardState& state;
    DisplayResources& display;
    // The brush of red warning texts; a page that makes it replaces the one before.
    win32::OwnedBrush WarningBrush;
    // The Update progress page while it is shown: the link's threads reach its bar, its percent
    // text and its timer 2 through it.
    std::atomic<HWND> hProgressPage{nullptr};
    // The bar of the progress page shown last, either page.
    std::atomic<HWND> hProgressBar{nullptr};
    std::atomic<HWND> hBackupPage{nullptr};
    // The pages whose buttons their workers switch.
    std::atomic<HWND> hBootEntryPage{nullptr};
    std::atomic<HWND> hPowerPage{nullptr};
    // The Options page while it is shown: it owns the save dialog.
    std::atomic<HWND> hOptionsPage{nullptr};
    // Which worker the Update progress page starts; set before the page opens.
    UpdateVariant update_variant = UpdateVariant::Main;
    // The services on the running handheld, for the pages' workers; none where the program
    // was started without them.
    DeviceServices* device = nullptr;
    // The boot-loader link, the settings and ActiveSync's keys, the PC's processes.
    BootLink* link = nullptr;
    Registry* registry = nullptr;
    Processes* processes = nullptr;
    Files* files = nullptr;
    // The threads the pages start; ended by the program before the services above go.
    PageWorkers workers{};
};

}  // namespace orvo::pages
