#include "control.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "state_report.h"

namespace rig {

namespace {

constexpr char kHelp[] =
    "ok commands: state | mode | boot | reset | off | mains on|off | cable pull|plug | "
    "cable pull-after N | cable pull-during D N | silent on|off | fault cable|silent POINT | keys "
    "[L=HEX] [O=HEX] | keys off "
    "| baud N | set "
    "model|romtype|lang|version TEXT | "
    "set flashmb N | set link com1|com2|usb1|usb2 | hold PORT | rapi strict on|off | "
    "backup stop-after N | "
    "flash read ADDR LEN | "
    "flash write ADDR HEX | flash erase ADDR LEN | file put PATH HEX | file del PATH | quit";

// Every number of a command is 32 bits wide: a larger one is refused, not cut to fit.
bool Number(const std::string& text, unsigned long& value, int base = 10) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoul(text.c_str(), &end, base);
    return *end == '\0' && text[0] != '-' && errno == 0 && value <= 0xFFFFFFFFul;
}

bool FromHex(const std::string& text, std::vector<std::uint8_t>& out) {
    if (text.size() % 2 != 0) return false;
    out.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned long v = 0;
        if (!Number(text.substr(i, 2), v, 16)) return false;
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return true;
}

std::string ToHex(const std::vector<std::uint8_t>& data) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::uint8_t b : data) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::optional<bool> OnOff(const std::string& word) {
    if (word == "on") return true;
    if (word == "off") return false;
    return std::nullopt;
}

std::string Usage(const std::string& what) { return "error usage: " + what; }

std::string FlashCommand(Handheld& h, const std::vector<std::string>& w) {
    unsigned long address = 0;
    unsigned long length = 0;
    if (w.size() != 4 || !Number(w[2], address, 16)) {
        return Usage("flash read ADDR LEN | flash write ADDR HEX | flash erase ADDR LEN");
    }
    auto a = static_cast<std::uint32_t>(address);
    std::lock_guard lock(h.mu);
    if (w[1] == "read" && Number(w[3], length, 0) && length <= 4096) {
        return "ok " + ToHex(h.flash.Read(a, length));
    }
    std::vector<std::uint8_t> data;
    if (w[1] == "erase" && Number(w[3], length, 0)) {
        // Checked before the erased bytes are made: a length beyond the flash is refused, not
        // allocated.
        if (!h.flash.Contains(a, length)) return "error outside the flash";
        data.assign(length, 0xFF);
    }
    if (w[1] == "write" && !FromHex(w[3], data)) return "error not hexadecimal bytes: " + w[3];
    if (data.empty()) return Usage("flash read ADDR LEN (at most 4096) | flash erase ADDR LEN");
    return h.flash.Write(a, data.data(), data.size()) ? "ok" : "error outside the flash";
}

std::string Set(Handheld& h, PtyPorts& ports, const std::string& key, const std::string& value) {
    std::lock_guard lock(h.mu);
    unsigned long n = 0;
    if (key == "model") {
        h.id.model = value;
    } else if (key == "romtype") {
        h.id.rom_type = value;
    } else if (key == "lang") {
        h.id.lang = value;
    } else if (key == "version") {
        h.id.version = value;
    } else if (key == "flashmb" && Number(value, n) && n > 0 && n < 256) {
        h.id.flash_mb = static_cast<unsigned>(n);
    } else if (key == "link" &&
               (value == "com1" || value == "com2" || value == "usb1" || value == "usb2")) {
        bool known = false;
        for (const PortInfo& p : ports.Info()) known = known || p.name == value;
        if (!known) return "error the simulator has no port " + value;
        h.link = value;
    } else {
        return Usage("set model|romtype|lang|version TEXT, set flashmb N, set link PORT");
    }
    return "ok";
}

}  // namespace

void EndControlSession(Handheld& h, ControlSession& session) {
    std::lock_guard lock(h.mu);
    for (const std::string& port : session.holds) --h.holds[port];
    session.holds.clear();
}

std::string RunControlCommand(Handheld& h, PtyPorts& ports, ControlSession& session,
                              const std::string& line, bool& quit) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string word; in >> word;) w.push_back(word);
    if (w.empty()) return "error empty command";
    const std::string& verb = w[0];
    unsigned long n = 0;
    if (verb == "help") return kHelp;
    if (verb == "state" && w.size() == 1) return StateJson(h, ports.Info());
    if (verb == "quit" && w.size() == 1) {
        quit = true;
        return "ok";
    }
    if ((verb == "boot" || verb == "reset" || verb == "off") && w.size() == 1) {
        h.Restart(verb == "boot" ? Mode::BootLoader : verb == "reset" ? Mode::Normal : Mode::Off);
        ports.DiscardInput();
        return "ok";
    }
    if (verb == "flash") return FlashCommand(h, w);
    if (verb == "set" && w.size() >= 3) {
        std::size_t at = line.find(w[1], line.find(w[0]) + w[0].size()) + w[1].size();
        std::size_t first = line.find_first_not_of(' ', at);
        std::size_t last = line.find_last_not_of(" \r");
        return Set(h, ports, w[1], line.substr(first, last + 1 - first));
    }
    std::lock_guard lock(h.mu);
    if (verb == "mode" && w.size() == 1) return std::string("ok ") + ModeName(h.mode);
    if (verb == "mains" && w.size() == 2 && OnOff(w[1])) {
        h.mains = *OnOff(w[1]);
        return "ok";
    }
    if (verb == "silent" && w.size() == 2 && OnOff(w[1])) {
        h.silent = *OnOff(w[1]);
        return "ok";
    }
    if (verb == "keys" && w.size() == 2 && w[1] == "off") {
        h.boot.AnnounceKeys("", "");
        return "ok";
    }
    if (verb == "keys" && w.size() >= 2 && w.size() <= 3) {
        std::string announced[2];  // length, offset
        for (std::size_t i = 1; i < w.size(); ++i) {
            const bool length = w[i].rfind("L=", 0) == 0;
            if ((!length && w[i].rfind("O=", 0) != 0) || w[i].size() > 10 ||
                !Number(w[i].substr(2), n, 16)) {
                return Usage("keys [L=HEX] [O=HEX] | keys off");
            }
            announced[length ? 0 : 1] = w[i].substr(2);
        }
        h.boot.AnnounceKeys(announced[0], announced[1]);
        return "ok";
    }
    if (verb == "baud" && w.size() == 2 && Number(w[1], n) && (n == 0 || n >= 300)) {
        h.baud = static_cast<unsigned>(n);
        return "ok";
    }
    if (verb == "cable" && w.size() == 2 && (w[1] == "pull" || w[1] == "plug")) {
        h.cable = w[1] == "plug";
        h.pull_after_blocks.reset();
        h.pull_during.reset();
        if (!h.cable) h.boot.Reset("cable pulled");
        ++h.rapi.connection;  // the remote-API connection does not survive a pulled cable
        h.changed.notify_all();
        ports.Wake();
        return "ok";
    }
    if (verb == "cable" && w.size() == 3 && w[1] == "pull-after" && Number(w[2], n) && n > 0) {
        h.pull_after_blocks = h.boot.blocks_written() + static_cast<unsigned>(n);
        return "ok";
    }
    unsigned long blocks = 0;
    if (verb == "cable" && w.size() == 4 && w[1] == "pull-during" && Number(w[2], n) && n > 0 &&
        Number(w[3], blocks) && blocks > 0) {
        h.pull_during =
            Handheld::PullDuring{h.journal.downloads.size() + n - 1, static_cast<unsigned>(blocks)};
        return "ok";
    }
    if (verb == "fault" && w.size() == 3 && (w[1] == "cable" || w[1] == "silent")) {
        if (!h.boot.SetTrap(w[2])) {
            return Usage("fault cable|silent port-test|identity|block:D:N|mid|last|end:D|done:D");
        }
        h.fault_pulls_cable = w[1] == "cable";
        return "ok";
    }
    if (verb == "hold" && w.size() == 2) {
        bool known = false;
        for (const PortInfo& p : ports.Info()) known = known || p.name == w[1];
        if (!known) return "error the simulator has no port " + w[1];
        ++h.holds[w[1]];
        session.holds.push_back(w[1]);
        return "ok";
    }
    if (verb == "rapi" && w.size() == 3 && w[1] == "strict" && OnOff(w[2])) {
        h.rapi_strict = *OnOff(w[2]);
        return "ok";
    }
    if (verb == "backup" && w.size() == 3 && w[1] == "stop-after" && Number(w[2], n)) {
        h.backup.stop_after = static_cast<unsigned>(n);
        return "ok";
    }
    if (verb == "file" && w.size() == 4 && w[1] == "put") {
        std::vector<std::uint8_t> data;
        if (!FromHex(w[3], data)) return "error not hexadecimal bytes";
        Opened opened = h.files.Create(w[2], kGenericWrite, 0, kCreateAlways, 0x80);
        std::uint32_t error =
            opened.handle == 0 ? opened.error : h.files.Write(opened.handle, data);
        if (opened.handle != 0) {
            std::uint32_t closed = h.files.Close(opened.handle);
            if (error == 0) error = closed;
        }
        return error == 0 ? "ok" : "error handheld error " + std::to_string(error);
    }
    if (verb == "file" && w.size() == 3 && w[1] == "del") {
        std::uint32_t error = h.files.Delete(w[2]);
        return error == 0 ? "ok" : "error handheld error " + std::to_string(error);
    }
    return "error unknown command or arguments: " + line + " (try help)";
}

}  // namespace rig
