// Backup benchmark under Wine: a whole backup through the stand-in rapi.dll from handheld-sim with
// the real pauses, its device program handing out each chunk at once. Prints the whole time against
// its floor (the start pause and a poll per chunk), the PC's own time per chunk and the heap held.

#include "win32/wine_sim.h"

#include "backup/backup_thread.h"
#include "fakes/fake_ui.h"
#include "fakes/recording_log.h"
#include "platform/win32/win32_code_page.h"
#include "platform/win32/win32_remote_api.h"
#include "unit/test_support.h"

#include <malloc.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>

// The heap the program holds through new and delete, now and at its peak.
std::atomic<std::size_t> g_live{0};
std::atomic<std::size_t> g_peak{0};

void* operator new(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    const std::size_t live = g_live += _msize(block);
    for (std::size_t peak = g_peak; live > peak && !g_peak.compare_exchange_weak(peak, live);) {
    }
    return block;
}

void operator delete(void* block) noexcept {
    if (block == nullptr) return;
    g_live -= _msize(block);
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

int main() {
    using namespace orvo;
    wine::WineSim sim({});
    win32::Win32RemoteApi remote(RAPI_DLL);
    SystemClock clock;
    win32::Win32AnsiCodePage code_page;
    win32::Win32PcClock pc_clock;
    FakeUi ui;
    RecordingLog log;
    DeviceServices services{remote, clock, code_page, pc_clock, ui, log};
    if (!sim.Unavailable().empty() || remote.CeRapiInitEx() < 0 || !remote.WaitForSession(3000)) {
        std::printf("backup_bench: %s\n", sim.Unavailable().empty()
                                              ? "no connection to the simulator"
                                              : sim.Unavailable().c_str());
        return 1;
    }
    testing::TempDir dir;
    dir.Write("backup.exe", {0x4D, 0x5A});
    WizardState state;
    state.StartDir = dir.Folder();
    state.BackupPath = dir.Path("backup.nbf");
    state.Device = testing::Identity();

    const std::size_t before = g_live;
    g_peak = before;
    const auto start = std::chrono::steady_clock::now();
    BackupThread(state, services);
    const double total_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    remote.CeRapiUninit();

    const bool whole =
        ui.ProgressCalls().back() == FakeUi::ProgressCall{FakeUi::ProgressCall::BackupEnd, 1};
    const double floor_ms = 5000.0 + 124 * 100.0;
    std::printf("backup: %s, %.0f ms in all, floor %.0f ms (5 s + 124 polls of 100 ms)\n",
                whole ? "whole" : "FAILED", total_ms, floor_ms);
    std::printf("PC's own time per chunk beyond the poll: %.1f ms (target <= 10 ms)\n",
                (total_ms - floor_ms) / 124);
    std::printf("memory held by the backup: %.0f KiB at its peak (target <= 1024 KiB)\n",
                static_cast<double>(g_peak - before) / 1024);
    return whole ? 0 : 1;
}
