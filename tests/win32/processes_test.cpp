// The processes adapter against real programs under Wine: copies of the idle stand-in
// wcesmgr.exe (its window is titled "WCES Manager Thunk Window") under a name of this test's own.

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
        if (info_.hProcess == nullptr) return;
        TerminateProcess(info_.hProcess, 1);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }

    bool Running() const { return info_.hProcess && Ended(0) == STILL_ACTIVE; }
    // The exit code once it has ended within `wait_ms`, else STILL_ACTIVE.
    DWORD Ended(DWORD wait_ms) const {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(info_.hProcess, wait_ms) == WAIT_OBJECT_0) {
            GetExitCodeProcess(info_.hProcess, &code);
        }
        return code;
    }
    // Waits until its window exists.
    bool HasWindow() const {
        for (int i = 0; i < 100; ++i) {
            for (HWND w = FindWindowA(nullptr, kIdleTitle); w; w = GetWindow(w, GW_HWNDNEXT)) {
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner == info_.dwProcessId) return true;
            }
            Sleep(50);
        }
        return false;
    }

  private:
    PROCESS_INFORMATION info_{};
};

class ProcessesAdapterTest : public ::testing::Test {
  protected:
    ProcessesAdapterTest() {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string folder(self);
        // tests\win32_tests.exe -> ..\wcesmgr.exe
        for (int level = 0; level < 2; ++level) folder.erase(folder.find_last_of("\\/"));
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        name_ = "Idle-" + std::to_string(GetCurrentProcessId()) + ".EXE";
        copy_ = std::string(temp) + name_;
        copied_ = CopyFileA((folder + "\\wcesmgr.exe").c_str(), copy_.c_str(), FALSE);
    }
    ~ProcessesAdapterTest() override {
        if (main_window_) DestroyWindow(main_window_);
        DeleteFileA(copy_.c_str());
    }

    void MakeMainWindow() {
        main_window_ = CreateWindowExA(0, "STATIC", "main", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                       nullptr, nullptr);
    }
    // The same name whatever the case, as the wizard's rule matches it.
    TextMatch OurProgram() const {
        return [this](std::string_view path) {
            return path.size() >= name_.size() &&
                   _strnicmp(path.data() + path.size() - name_.size(), name_.c_str(),
                             name_.size()) == 0;
        };
    }

    std::string name_, copy_;
    bool copied_ = false;
    HWND main_window_ = nullptr;
};

TEST_F(ProcessesAdapterTest, EachListingEndsTheFirstMatchOnlyWithExitCodeZero) {
    ASSERT_TRUE(copied_) << "wcesmgr.exe is built beside the tests";
    for (ProcessListing listing : {ProcessListing::ProcessStatus, ProcessListing::Snapshot}) {
        const char* way = listing == ProcessListing::ProcessStatus ? "process status" : "snapshot";
        Started first(copy_), second(copy_);
        ASSERT_TRUE(first.Running() && second.Running()) << way;
        Win32Processes processes(main_window_);
        processes.EndFirstProcess(listing, OurProgram());
        const DWORD codes[2] = {first.Ended(5000), second.Ended(200)};
        EXPECT_EQ((codes[0] == STILL_ACTIVE) + (codes[1] == STILL_ACTIVE), 1) << way;
        EXPECT_TRUE(codes[0] == 0 || codes[1] == 0) << way;
    }
}

TEST_F(ProcessesAdapterTest, TheWindowWalkEndsOwnersBelowTheMainWindowOnly) {
    ASSERT_TRUE(copied_) << "wcesmgr.exe is built beside the tests";
    Win32Processes processes(main_window_);
    {
        // Made after the main window, its window lies above it.
        MakeMainWindow();
        Started above(copy_);
        ASSERT_TRUE(above.HasWindow());
        processes.EndFirstWindowOwner([](std::string_view title) { return title == kIdleTitle; });
        EXPECT_EQ(above.Ended(500), STILL_ACTIVE) << "a window above the main window";
        DestroyWindow(std::exchange(main_window_, nullptr));
    }
    Started below(copy_);
    ASSERT_TRUE(below.HasWindow());
    // A window of this program lies between: the walk never offers the caller's own windows.
    const HWND own = CreateWindowExA(0, "STATIC", "Own", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                     nullptr, nullptr);
    MakeMainWindow();
    processes.EndFirstWindowOwner([](std::string_view title) {
        EXPECT_NE(title, "Own");
        return title == kIdleTitle;
    });
    EXPECT_EQ(below.Ended(5000), 0u) << "the window below the main window";
    DestroyWindow(own);
}

TEST_F(ProcessesAdapterTest, AProgramThatIsMissingDoesNotStart) {
    Win32Processes processes(main_window_);
    EXPECT_FALSE(processes.StartProgram(copy_ + ".missing"));
}

}  // namespace
}  // namespace orvo::win32
