// The device backup program: started as "\Temp\backup.exe", it leaves the first 124 chunks of
// the ROM one after the other in "\Temp\image.nb", each only once the previous one is gone.
// While it runs its file cannot be replaced or deleted.
#include "handheld.h"

namespace rig {

void Handheld::StartBackupProgram() {
    if (backup.running) return;  // the handheld runs one copy
    backup = BackupState{true, 0, 0, backup.stop_after, ""};
    SetProgramInUse(true);
    changed.notify_all();
}

void Handheld::ProgramLoop() {
    std::unique_lock lock(mu);
    while (!shutdown_) {
        changed.wait(lock, [&] { return shutdown_ || backup.running; });
        if (!shutdown_) RunBackupProgram(lock);
    }
}

void Handheld::RunBackupProgram(std::unique_lock<std::mutex>& lock) {
    const std::uint32_t started_in = rapi.connection;  // a restart ends the program
    auto killed = [&] { return shutdown_ || rapi.connection != started_in; };
    auto chunk_gone = [&] { return killed() || !files.Exists(kBackupChunkFile); };
    for (unsigned k = 0; k < kBackupChunks; ++k) {
        changed.wait(lock, chunk_gone);
        if (killed() || (backup.stop_after != 0 && k >= backup.stop_after)) break;
        // The chunk appears whole: the PC can open it only once it is complete.
        files.Put(kBackupChunkFile, flash.Read(kRomBase + k * kBackupChunk, kBackupChunk));
        ++backup.chunks_written;
        changed.notify_all();
    }
    if (backup.chunks_written == kBackupChunks) changed.wait(lock, chunk_gone);
    backup.outcome = killed()                                 ? "killed"
                     : backup.chunks_written == kBackupChunks ? "complete"
                                                              : "stopped";
    backup.running = false;
    SetProgramInUse(false);
}

void Handheld::SetProgramInUse(bool running) {
    if (DeviceFile* program = files.Find(kBackupProgram)) program->in_use = running;
}

}  // namespace rig
