#pragma once
// One simulated handheld: its flash, screen, files, power, clock, and which face it shows (running
// normally with the remote API, in its boot loader, or off). The faces and the control channel
// lock `mu` around everything they touch.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "boot_loader.h"
#include "device_files.h"
#include "device_libraries.h"
#include "flash.h"
#include "journal.h"

namespace rig {

enum class Mode { Normal, BootLoader, Off };

const char* ModeName(Mode m);
std::optional<Mode> ParseMode(const std::string& name);

inline constexpr std::uint32_t kBackupChunk = 0x40000;
inline constexpr unsigned kBackupChunks = 124;
inline constexpr char kBackupProgram[] = "\\Temp\\backup.exe";
inline constexpr char kBackupChunkFile[] = "\\Temp\\image.nb";

struct BackupState {
    bool running = false;
    unsigned chunks_written = 0;
    unsigned chunks_taken = 0;
    unsigned stop_after = 0;  // 0: the program writes every chunk
    std::string outcome;      // "", "complete", "stopped", "killed"
};

struct RapiLog {
    std::uint32_t connection = 1;  // grows at every restart; calls of an older one fail
    unsigned inits = 0;
    unsigned uninits = 0;
    unsigned refused_inits = 0;  // nested ones answered "already initialised"
    unsigned calls = 0;
    struct Invoke {
        std::string library;
        std::string entry;
        std::size_t input = 0;
        std::int32_t result = 0;
    };
    std::vector<Invoke> invokes;
    std::vector<std::string> processes;  // programs started
};

class Handheld {
  public:
    Handheld();
    ~Handheld();
    Handheld(const Handheld&) = delete;
    Handheld& operator=(const Handheld&) = delete;

    bool OpenFlash(const std::string& path, std::string& error);

    // Restart into a mode: handles, loaded libraries, the device program and any download end.
    // Takes `mu` itself.
    void Restart(Mode m);
    // Starts the device backup program; call with `mu` held.
    void StartBackupProgram();

    // Everything below is guarded by mu.
    bool connected() const { return mode == Mode::Normal && cable; }
    bool serial_link() const { return link.rfind("com", 0) == 0; }
    std::chrono::system_clock::time_point Now() const {
        return std::chrono::system_clock::now() + clock_offset;
    }

    std::mutex mu;
    std::condition_variable changed;
    Identity id;
    std::string link = "com1";  // the port the boot loader answers on: com1, com2, usb1, usb2
    Mode mode = Mode::Normal;
    bool mains = true;
    bool cable = true;
    bool silent = false;
    // The remote API as the platform counts sessions: a nested initialisation is refused and
    // the first CeRapiUninit ends the connection. Off, sessions nest.
    bool rapi_strict = false;
    unsigned baud = 0;                          // 0: as fast as the pty goes
    std::optional<unsigned> pull_after_blocks;  // pull the cable when this many blocks are written
    // Pull the cable once the download with this journal index has written this many blocks.
    struct PullDuring {
        std::size_t download;
        unsigned blocks;
    };
    std::optional<PullDuring> pull_during;
    // What a fault placed on the boot loader (BootLoader::SetTrap) does when it strikes: pull
    // the cable, or leave the boot loader silent.
    bool fault_pulls_cable = false;
    // Whether a planned pull is due now; clears the plan that is. Call with `mu` held.
    bool PullDue();
    // Ports that ActiveSync on the PC holds open: what the handheld sends there goes to it.
    std::map<std::string, unsigned> holds;
    std::chrono::system_clock::duration clock_offset{};
    std::optional<SysTimeRecord> time_set;
    Flash flash;
    Screen screen;
    Journal journal;
    BootLoader boot{flash, screen, journal};
    DeviceFiles files;
    RapiLog rapi;
    BackupState backup;

  private:
    void ProgramLoop();
    void RunBackupProgram(std::unique_lock<std::mutex>& lock);
    void SetProgramInUse(bool running);

    bool shutdown_ = false;  // guarded by mu
    std::thread program_;    // runs the device program whenever it is started
};

}  // namespace rig
