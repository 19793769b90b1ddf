// The simulator's control channel: every line of the input is one command to a fresh handheld
// with a small flash. Each reply starts with "ok" or "error", except the state report: a JSON
// object that gives the identity's texts back as they were set.
#include "fuzz/fuzz_check.h"
#include "handheld/control.h"

#include <nlohmann/json.hpp>

#include <unistd.h>

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
    const std::string input(reinterpret_cast<const char*>(data), size);
    for (std::size_t at = 0; at <= input.size();) {
        std::size_t end = input.find('\n', at);
        if (end == std::string::npos) end = input.size();
        bool quit = false;
        const std::string reply =
            rig::RunControlCommand(h, ports, session, input.substr(at, end - at), quit);
        if (reply.rfind("{", 0) == 0) {
            CheckStateReport(reply, h);
        } else {
            Require(reply.rfind("ok", 0) == 0 || reply.rfind("error", 0) == 0,
                    "a reply is neither ok nor error");
        }
        at = end + 1;
    }
    rig::EndControlSession(h, session);
    return 0;
}
