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
    return flash.Open(path, id.flash_mb, error);
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
