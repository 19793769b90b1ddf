#pragma once
// The resources of the built romwizard.exe, and its real pages over the page seam, with a stand-in
// main window so that pages are shown, and the services they reach held in memory.

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

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace orvo::test {

// The built romwizard.exe, one folder above the test program, loaded as a resource image and
// never run.
class ProgramResources {
  public:
    ProgramResources() {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring path(self);
        // tests\win32_tests.exe -> ..\romwizard.exe
        for (int level = 0; level < 2; ++level) path.erase(path.find_last_of(L"\\/"));
        module_ = LoadLibraryExW((path + L"\\romwizard.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    ~ProgramResources() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    ProgramResources(const ProgramResources&) = delete;
    ProgramResources& operator=(const ProgramResources&) = delete;

    HMODULE Module() const { return module_; }

    // The whole string-table entry; empty when the entry is missing or empty.
    std::wstring String(int id) const {
        const wchar_t* text = nullptr;
        const int length =
            LoadStringW(module_, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
        return length > 0 && text != nullptr ? std::wstring(text, static_cast<std::size_t>(length))
                                             : std::wstring();
    }

  private:
    HMODULE module_ = nullptr;
};

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
