#pragma once
// The real pages of the built romwizard.exe over the page seam, with a stand-in main window so
// that pages are shown.

#include "pages/page_ui.h"
#include "win32/program_resources.h"

#include <windows.h>
#include <commctrl.h>

namespace orvo::test {

struct PageRig {
    PageRig() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        catalogue.Load([&](int id) { return resources.String(id).value_or(L""); });
        context.hInst = resources.Module();
        context.hMainWnd =
            CreateWindowW(L"STATIC", L"SETUP", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    }
    ~PageRig() { DestroyWindow(context.hMainWnd); }

    ProgramResources resources;
    MessageCatalogue catalogue;
    WizardState state;
    pages::DisplayResources display;
    pages::PageContext context{
        .catalogue = catalogue, .state = state, .display = display, .WarningBrush = {}};
    pages::PageUi ui{context};
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

}  // namespace orvo::test
