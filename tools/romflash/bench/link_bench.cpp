// Benchmark of the boot-loader link against handheld-sim over real ptys, on the wall clock:
//   1. the data phase of a download as a share of the line rate, the simulator slowed to 115200
//      baud (a one-block download);
//   2. the PC-side time per 128 KiB block on an unthrottled pty (a 32 MiB image) and the heap the
//      link holds meanwhile;
//   3. the CPU the process uses while the link waits with nothing to do;
//   4. the peak resident memory of a whole `romflash flash` of the 32 MiB image.
// Prints figures; it is not a test.

#include "bench_support.h"
#include "bootlink/boot_port.h"
#include "bootlink/download.h"
#include "image/image_checksum.h"
#include "image/image_header.h"
#include "platform/posix/posix_serial_port.h"
#include "rig/sim_harness.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Wall = std::chrono::steady_clock;
using namespace std::chrono_literals;
constexpr std::uint32_t kBlock = orvo::BLOCK_LENGTH;

// Keeps when the link said what.
class TimedLog final : public orvo::DebugLog {
  public:
    void Write(std::string_view text) override {
        std::lock_guard lock(mutex_);
        texts_.emplace_back(Wall::now(), std::string(text));
    }
    std::optional<Wall::time_point> First(std::string_view text) const {
        std::lock_guard lock(mutex_);
        for (const auto& [when, said] : texts_) {
            if (said == text) return when;
        }
        return std::nullopt;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::pair<Wall::time_point, std::string>> texts_;
};

// An image of `payload_size` bytes of payload with its right checksum.
std::string WriteImage(const std::filesystem::path& path, std::size_t payload_size) {
    const std::string fields = "Orvo 4700-NBT-GER-2.04";
    std::vector<std::uint8_t> payload(payload_size);
    std::uint32_t seed = 99;
    for (auto& byte : payload) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(seed >> 24);
    }
    const std::uint32_t sum = orvo::SumBytes(
        payload,
        orvo::SumBytes({reinterpret_cast<const std::uint8_t*>(fields.data()), fields.size()}));
    std::string header = fields + "-" + orvo::ChecksumText(static_cast<std::uint16_t>(sum));
    header.resize(orvo::kImageHeaderSize, '-');
    std::ofstream out(path, std::ios::binary);
    out << header;
    out.write(reinterpret_cast<const char*>(payload.data()),
              static_cast<std::streamsize>(payload.size()));
    return path.string();
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct FirstDownload {
    double data_seconds = 0;  // header request to the end record
    std::uint32_t blocks = 0;
    std::size_t heap_held = 0;
    double idle_cpu_share = -1;
};

// Finds the boot loader, then runs the first download of an update of `image` and stops the link.
FirstDownload RunFirstDownload(rigtest::Sim& sim, const std::string& image, bool measure_idle) {
    orvo::WizardState state;
    state.ImagePath = image;
    orvo::posix::PosixSerialPorts ports;
    const orvo::SystemClock clock;
    TimedLog log;
    bench::QuietUi ui;
    orvo::PortCandidates candidates = orvo::SystemPortCandidates();
    candidates[0].path = sim.Link("com1");
    orvo::BootLink link(state, orvo::LinkServices{ports, clock, log, ui, {}, {}}, candidates);
    FirstDownload result;
    if (!orvo::OpenBootPort(link)) {
        std::printf("the boot loader did not answer\n");
        return result;
    }
    if (measure_idle) {
        const double cpu = CpuSeconds();
        const auto start = Wall::now();
        std::this_thread::sleep_for(5s);
        result.idle_cpu_share =
            (CpuSeconds() - cpu) / std::chrono::duration<double>(Wall::now() - start).count();
    }
    bench::ResetHeapPeak();
    const std::size_t heap_before = bench::heap_now;
    std::thread sequence([&link] { orvo::FlashSequence(link); });
    while (link.CompletedDownloads < 1 && link.LinkStop == 0) std::this_thread::sleep_for(10ms);
    result.heap_held = bench::heap_peak - heap_before;
    link.ShutDown();
    sequence.join();
    const auto header = log.First("\r\n Port Line 281 Receive NotifyHeaderEvent\r\n");
    const auto complete = log.First("\nLine 559: Flash Complete!\n");
    if (header && complete) {
        result.data_seconds = std::chrono::duration<double>(*complete - *header).count();
    }
    return result;
}

int PeakKilobytesOfRomflash(rigtest::Sim& sim, const std::string& image) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        const std::string port = "com1=" + sim.Link("com1");
        std::freopen("/dev/null", "w", stdout);
        execl(ROMFLASH, ROMFLASH, "flash", "--port", port.c_str(), image.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::printf("romflash flash failed (status %d)\n", status);
        return -1;
    }
    return static_cast<int>(usage.ru_maxrss);
}

}  // namespace

int main() {
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const std::string pid = std::to_string(getpid());
    const std::string small =
        WriteImage(dir / ("link_bench_small_" + pid + ".nbf"), 0x80000 + kBlock);
    const std::string large =
        WriteImage(dir / ("link_bench_large_" + pid + ".nbf"), (32u << 20) - 32);

    double line_share = 0;
    {
        rigtest::Sim sim({"--mode", "bootloader"});
        sim.Control("baud 115200");
        const FirstDownload run = RunFirstDownload(sim, small, false);
        const double wire_bytes = 8 + (12.0 + kBlock) * 1 + 12;
        const double line_seconds = wire_bytes * 10 / 115200;
        line_share = run.data_seconds > 0 ? line_seconds / run.data_seconds : 0;
        std::printf(
            "1. one-block download at 115200 baud: data phase %.2f s, line time %.2f s: "
            "%.2f %% of the line rate (target >= 99 %%)\n",
            run.data_seconds, line_seconds, 100 * line_share);
    }
    FirstDownload fast;
    {
        rigtest::Sim sim({"--mode", "bootloader"});
        fast = RunFirstDownload(sim, large, true);
        const std::uint32_t blocks = ((32u << 20) - 32 - 0x80000 + kBlock - 1) / kBlock;
        std::printf(
            "2. 32 MiB image, unthrottled pty: %u blocks in %.2f s, %.1f ms per block "
            "beyond the wire time (target <= 25 ms; the reader's 20 ms pause per "
            "request byte included)\n",
            blocks, fast.data_seconds, 1000 * fast.data_seconds / blocks);
        std::printf("   heap held by the link during the download: %zu bytes (target <= 1 MiB)\n",
                    fast.heap_held);
        std::printf("3. CPU while the link waits idle: %.2f %% of one core (target <= 2 %%)\n",
                    100 * fast.idle_cpu_share);
    }
    {
        rigtest::Sim sim({"--mode", "bootloader"});
        const int kilobytes = PeakKilobytesOfRomflash(sim, large);
        std::printf(
            "4. romflash flash of the 32 MiB image: peak resident memory %.2f MiB "
            "(target <= 8 MiB)\n",
            kilobytes / 1024.0);
    }
    std::filesystem::remove(small);
    std::filesystem::remove(large);
    return 0;
}
