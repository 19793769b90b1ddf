// The processes adapter against real programs under Wine: copies of the idle stand-in
// wcesmgr.exe (window "WCES Manager Thunk Window") under a name of this test's own. (The listing
// that Wine's version takes, ending the real stand-ins: every road's port search.)

#include "platform/win32/win32_processes.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>

namespace orvo::win32 {
namespace {

constexpr char kIdleTitle[] = "WCES Manager Thunk Window";

// A started copy of the idle program, ended when the test is done with it.
class Started {
  public:
    explicit Started(const std::string& path) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        CreateProcessA(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info_);
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;
    ~Started() {
        TerminateProcess(info_.hProcess, 1);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }

    // The exit code once it has ended within `wait_ms`, else STILL_ACTIVE.
    DWORD ExitCode(DWORD wait_ms) const {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(info_.hProcess, wait_ms) == WAIT_OBJECT_0) {
            GetExitCodeProcess(info_.hProcess, &code);
        }
        return code;
    }
    bool WindowShowsUp() const {
        for (int i = 0; i < 100; Sleep(50), ++i) {
            for (HWND w = FindWindowA(nullptr, kIdleTitle); w; w = GetWindow(w, GW_HWNDNEXT)) {
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner == info_.dwProcessId) return true;
            }
        }
        return false;
    }

  private:
    PROCESS_INFORMATION info_{};
};

class ProcessesAdapterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string folder(path);
        // tests\win32_tests.exe -> ..\wcesmgr.exe
        for (int level = 0; level < 2; ++level) folder.erase(folder.find_last_of("\\/"));
        GetTempPathA(MAX_PATH, path);
        name_ = "Idle-" + std::to_string(GetCurrentProcessId()) + ".EXE";
        copy_ = path + name_;
        ASSERT_TRUE(CopyFileA((folder + "\\wcesmgr.exe").c_str(), copy_.c_str(), FALSE))
            << "wcesmgr.exe is built beside the tests";
    }
    void TearDown() override {
        DestroyWindow(main_window_);
        DeleteFileA(copy_.c_str());
    }

    void MakeMainWindow() {
        DestroyWindow(std::exchange(main_window_, nullptr));
        main_window_ = CreateWindowExA(0, "STATIC", "main", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                       nullptr, nullptr);
    }

    std::string name_, copy_;
    HWND main_window_ = nullptr;
    Win32Processes processes_{main_window_};
};

TEST_F(ProcessesAdapterTest, EachListingEndsTheFirstMatchOnlyWithExitCodeZero) {
    for (ProcessListing listing : {ProcessListing::ProcessStatus, ProcessListing::Snapshot}) {
        Started first(copy_), second(copy_);
        processes_.EndFirstProcess(listing,
                                   [this](std::string_view path) { return path.ends_with(name_); });
        const DWORD codes[2] = {first.ExitCode(5000), second.ExitCode(200)};
        EXPECT_TRUE((codes[0] == 0 && codes[1] == STILL_ACTIVE) ||
                    (codes[1] == 0 && codes[0] == STILL_ACTIVE))
            << static_cast<int>(listing) << ": " << codes[0] << ", " << codes[1];
    }
}

TEST_F(ProcessesAdapterTest, TheWindowWalkEndsOwnersBelowTheMainWindowOnly) {
    const auto idle = [](std::string_view title) { return title == kIdleTitle; };
    {
        MakeMainWindow();
        Started above(copy_);  // its window is made later, above the main window
        ASSERT_TRUE(above.WindowShowsUp());
        processes_.EndFirstWindowOwner(idle);
        EXPECT_EQ(above.ExitCode(500), STILL_ACTIVE) << "a window above the main window";
    }
    Started below(copy_);
    ASSERT_TRUE(below.WindowShowsUp());
    // A window of this program lies between: the walk never offers the caller's own windows.
    const HWND own = CreateWindowExA(0, "STATIC", "Own", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                     nullptr, nullptr);
    MakeMainWindow();
    processes_.EndFirstWindowOwner([&idle](std::string_view title) {
        EXPECT_NE(title, "Own");
        return idle(title);
    });
    EXPECT_EQ(below.ExitCode(5000), 0u) << "the window below the main window";
    DestroyWindow(own);
}

}  // namespace
}  // namespace orvo::win32
