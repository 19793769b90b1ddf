#pragma once
// The real pages of the built romwizard.exe over the page seam, with a stand-in main window so
// that pages are shown, and the services they reach held in memory.

#include "fakes/fake_files.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_registry.h"
#include "fakes/fake_remote_api.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fake_ui.h"
#include "fakes/recording_log.h"
#include "fakes/scaled_clock.h"
#include "pages/page_ui.h"
#include "platform/win32/win32_code_page.h"
#include "unit/image_test_files.h"
#include "win32/program_resources.h"

#include <windows.h>
#include <commctrl.h>

namespace orvo::test {

struct PageRig {
    PageRig() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        catalogue.Load([&](int id) { return resources.String(id); });
        display.Make(resources.Module());
        context.hInst = resources.Module();
        context.hMainWnd =
            CreateWindowW(L"STATIC", L"SETUP", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        context.device = &device;
        context.link = &link;
        context.registry = &registry;
        context.processes = &processes;
        context.files = &files;
        dir.Write("SetSystemTime.dll", {0x4D, 0x5A});
        state.StartDir = dir.Folder();
        state.Device = {"Orvo 4700", "NBT", "GER", "2.04", "German", 32};
        state.Image.Version = "2.10";
    }
    // The pages' threads end before the link and the services they reach.
    ~PageRig() {
        context.workers.End(state, &link);
        DestroyWindow(context.hMainWnd);
    }
    std::wstring T(int id) const { return catalogue.Text(id); }

    ProgramResources resources;
    MessageCatalogue catalogue;
    WizardState state;
    pages::DisplayResources display;
    pages::PageContext context{
        .catalogue = catalogue, .state = state, .display = display, .WarningBrush = {}};
    pages::PageUi ui{context};
    FakeRemoteApi remote;
    ScaledClock clock{10};
    win32::Win32AnsiCodePage code_page;
    win32::Win32PcClock pc_clock;
    RecordingLog log;
    DeviceServices device{remote, clock, code_page, pc_clock, ui, log};
    // The same handheld with file dialogs and warnings answered by script.
    FakeUi script_ui;
    DeviceServices scripted_device{remote, clock, code_page, pc_clock, script_ui, log};
    FakeSerialPorts ports;
    BootLink link{state, LinkServices{ports, clock, log, ui, {}, {}}};
    FakeRegistry registry;
    FakeProcesses processes;
    FakeFiles files;
    testing::TempDir dir;
};

// Polls `done` for up to five seconds.
template <typename Done>
bool Eventually(Done done) {
    for (int i = 0; i < 500; ++i) {
        if (done()) return true;
        Sleep(10);
    }
    return done();
}

inline std::wstring TextOf(HWND page, int control) {
    wchar_t text[2048] = {};
    GetDlgItemTextW(page, control, text, 2048);
    return text;
}

}  // namespace orvo::test
