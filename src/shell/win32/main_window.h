#pragma once
// The program's one top-level window: an invisible carrier whose creation runs the wizard.

#include "pages/page_context.h"
#include "pages/page_ui.h"
#include "activesync/stop_active_sync.h"
#include "bootlink/boot_link.h"
#include "platform/win32/debug_output_log.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_serial_port.h"
#include "shell/flash_settings.h"
#include "platform/win32/win32_code_page.h"
#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_remote_api.h"
#include "shell/message_catalogue.h"
#include "shell/wizard_state.h"

#include <windows.h>

namespace orvo::win32 {

inline constexpr wchar_t kMainWindowClass[] = L"SETUP";

// Everything the program keeps for its whole run.
struct Application {
    explicit Application(HINSTANCE instance) {
        context.hInst = instance;
        context.device = &device;
        context.link = &link;
        context.registry = &registry;
        context.processes = &processes;
        context.files = &files;
    }
    // The pages' workers end before the services and the link they reach.
    ~Application() { context.workers.End(state, &link); }
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    MessageCatalogue catalogue;
    WizardState state;
    pages::DisplayResources display;
    pages::PageContext context{
        .catalogue = catalogue, .state = state, .display = display, .WarningBrush = {}};
    pages::PageUi ui{context};
    Win32Environment environment;
    SystemClock clock;
    DebugOutputLog log;
    Win32RemoteApi remote;
    Win32AnsiCodePage code_page;
    Win32PcClock pc_clock;
    DeviceServices device{remote, clock, code_page, pc_clock, ui, log};
    Win32Registry registry;
    Win32Processes processes{context.hMainWnd};
    ActiveSyncHost active_sync{registry, processes, clock};
    Win32Files files;
    Win32SerialPorts ports;
    // Last: its threads end before what they reach goes.
    BootLink link{state,
                  LinkServices{ports, clock, log, ui, [this] { StopActiveSync(active_sync); },
                               [this] { ClearFlashSettings(registry); }}};
};

bool RegisterMainWindowClass(HINSTANCE instance);
// Creates the main window; the wizard has normally run and ended when this returns.
void CreateMainWindow(Application& application);

}  // namespace orvo::win32
