// The simulator's control channel: every line of the input is one command to a fresh handheld
// with a small flash. Each reply starts with "ok" or "error", except the state report: a JSON
// object that gives the identity's texts back as they were set.
#include "fuzz/fuzz_check.h"
#include "handheld/control.h"

#include <nlohmann/json.hpp>

#include <unistd.h>

#include <sstream>
#include <string>

using orvo::fuzz::Require;

namespace {

// The flash file, made by the first handheld that opens it.
const std::string& FlashFile() {
    static const orvo::fuzz::TemporaryFile file("sim-control-fuzz");
    static const bool made_anew = unlink(file.path().c_str()) == 0;
    Require(made_anew, "the flash file cannot be made anew");
    return file.path();
}

void CheckStateReport(const std::string& reply, const rig::Handheld& h) {
    const nlohmann::json report = nlohmann::json::parse(reply, nullptr, false);
    Require(report.is_object(), "the state report is not a JSON object");
    for (const auto& [field, text] : {std::pair{"model", &h.id.model},
                                      {"romtype", &h.id.rom_type},
                                      {"lang", &h.id.lang},
                                      {"version", &h.id.version}}) {
        // The text itself, where a byte that is no UTF-8 becomes U+FFFD.
        const std::string as_utf8 =
            nlohmann::json(*text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        Require(report.at("identity").at(field) == nlohmann::json::parse(as_utf8),
                "the report changes an identity text");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    rig::Handheld h;
    h.id.flash_mb = 1;
    std::string error;
    Require(h.OpenFlash(FlashFile(), error), "the flash file cannot be opened");
    rig::PtyPorts ports(h);
    rig::ControlSession session;
    std::istringstream lines(std::string(reinterpret_cast<const char*>(data), size));
    for (std::string line; std::getline(lines, line);) {
        bool quit = false;
        const std::string reply = rig::RunControlCommand(h, ports, session, line, quit);
        if (reply.starts_with("{")) {
            CheckStateReport(reply, h);
        } else {
            Require(reply.starts_with("ok") || reply.starts_with("error"),
                    "a reply is neither ok nor error");
        }
    }
    rig::EndControlSession(h, session);
    return 0;
}
