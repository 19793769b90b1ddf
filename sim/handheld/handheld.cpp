#include "handheld.h"

namespace rig {

const char* ModeName(Mode m) {
    switch (m) {
        case Mode::Normal:
            return "normal";
        case Mode::BootLoader:
            return "bootloader";
        case Mode::Off:
            return "off";
    }
    return "?";
}

std::optional<Mode> ParseMode(const std::string& name) {
    for (Mode m : {Mode::Normal, Mode::BootLoader, Mode::Off}) {
        if (name == ModeName(m)) return m;
    }
    return std::nullopt;
}

Handheld::Handheld() : program_([this] { ProgramLoop(); }) {}

Handheld::~Handheld() {
    {
        std::lock_guard lock(mu);
        shutdown_ = true;
        changed.notify_all();
    }
    program_.join();
}

bool Handheld::OpenFlash(const std::string& path, std::string& error) {
    std::lock_guard lock(mu);
    if (!flash.Open(path, id.flash_mb, error)) return false;
    if (flash.created()) {
        // The factory's identity record, for a handheld whose reserve area was never written.
        std::string text = id.model + id.rom_type + id.lang + id.version;
        flash.Write(kIdentityRegion2, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                    text.size() + 1);
        flash.ClearWritten();
    }
    return true;
}

bool Handheld::PullDue() {
    if (pull_after_blocks && boot.blocks_written() >= *pull_after_blocks) {
        pull_after_blocks.reset();
        return true;
    }
    const auto& downloads = journal.downloads;
    if (pull_during && downloads.size() > pull_during->download &&
        downloads[pull_during->download].blocks >= pull_during->blocks) {
        pull_during.reset();
        return true;
    }
    return false;
}

void Handheld::Restart(Mode m) {
    std::lock_guard lock(mu);
    mode = m;
    boot.Reset();
    files.Restart();
    ++rapi.connection;
    if (m == Mode::BootLoader) screen.Clear();
    changed.notify_all();
}

}  // namespace rig
