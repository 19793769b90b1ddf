#include "state_report.h"

#include <cstdio>
#include <ctime>

#include <nlohmann/json.hpp>

#include "sha256.h"

namespace rig {

namespace {

// Fields keep the order in which they are set: tests and scripts read the report as written.
using Json = nlohmann::ordered_json;

Json Hex(std::uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", v);
    return text;
}

Json Clock(std::chrono::system_clock::time_point t) {
    std::time_t secs = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    gmtime_r(&secs, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

Json Holds(const std::map<std::string, unsigned>& holds) {
    Json out = Json::object();
    for (const auto& [port, count] : holds) {
        if (count > 0) out[port] = count;
    }
    return out;
}

Json Downloads(const std::vector<DownloadRecord>& list) {
    Json out = Json::array();
    for (const DownloadRecord& d : list) {
        out.push_back({{"file", d.file},
                       {"address", Hex(d.address)},
                       {"length", Hex(d.length)},
                       {"offset", Hex(d.offset)},
                       {"header_start", Hex(d.header_start)},
                       {"header_count", Hex(d.header_count)},
                       {"bytes", d.bytes},
                       {"blocks", d.blocks},
                       {"state", d.state}});
    }
    return out;
}

Json FlashJson(const rig::Flash& f) {
    Json ranges = Json::array();
    for (const auto& [first, last] : f.written()) ranges.push_back({Hex(first), Hex(last)});
    return {
        {"file", f.path()}, {"bytes", f.file_size()}, {"sha256", f.Sha256()}, {"written", ranges}};
}

Json Files(const DeviceFiles& files) {
    Json out = Json::array();
    for (const auto& [key, file] : files.files()) {
        out.push_back({{"path", files.NameOf(key)},
                       {"size", file.data.size()},
                       {"sha256", Sha256Hex(file.data.data(), file.data.size())},
                       {"attributes", file.attributes},
                       {"in_use", file.in_use}});
    }
    return out;
}

Json Rapi(const RapiLog& r, bool strict) {
    Json invokes = Json::array();
    for (const auto& i : r.invokes) {
        invokes.push_back(
            {{"library", i.library}, {"entry", i.entry}, {"input", i.input}, {"result", i.result}});
    }
    return {{"connection", r.connection},
            {"strict", strict},
            {"inits", r.inits},
            {"uninits", r.uninits},
            {"refused_inits", r.refused_inits},
            {"calls", r.calls},
            {"invokes", invokes},
            {"processes", r.processes}};
}

Json Boot(Handheld& h) {
    Json reads = Json::array();
    for (auto a : h.journal.readdata) reads.push_back(Hex(a));
    return {{"framed", h.boot.framed()},
            {"downloading", h.boot.downloading()},
            {"port_tests", h.journal.port_tests},
            {"screen_messages", h.journal.screen_messages},
            {"bytes_in", h.journal.bytes_in},
            {"bytes_to_holder", h.journal.bytes_to_holder},
            {"fault_struck", h.journal.fault_struck},
            {"blocks_written", h.boot.blocks_written()},
            {"readdata", reads},
            {"commands", h.journal.commands},
            {"downloads", Downloads(h.journal.downloads)}};
}

}  // namespace

std::string StateJson(Handheld& h, const std::vector<PortInfo>& ports) {
    std::lock_guard lock(h.mu);
    Json port_items = Json::array();
    for (const PortInfo& p : ports) {
        port_items.push_back(
            {{"name", p.name}, {"link", p.link}, {"pty", p.pty}, {"present", p.present}});
    }
    Json time_zone = nullptr;
    if (h.time_set) {
        time_zone = {{"bias", h.time_set->bias}, {"standard_name", h.time_set->standard_name}};
    }
    Json pull_after_blocks = nullptr;
    if (h.pull_after_blocks) pull_after_blocks = *h.pull_after_blocks;
    Json pull_during = nullptr;
    if (h.pull_during) {
        pull_during = {{"download", h.pull_during->download}, {"blocks", h.pull_during->blocks}};
    }
    const Json report = {
        {"mode", ModeName(h.mode)},
        {"link", h.link},
        {"cable", h.cable ? "plugged" : "pulled"},
        {"pull_after_blocks", pull_after_blocks},
        {"pull_during", pull_during},
        {"silent", h.silent},
        {"baud", h.baud},
        {"mains", h.mains},
        {"holds", Holds(h.holds)},
        {"identity",
         {{"model", h.id.model},
          {"romtype", h.id.rom_type},
          {"lang", h.id.lang},
          {"version", h.id.version},
          {"flash_mb", h.id.flash_mb}}},
        {"clock", Clock(h.Now())},
        {"clock_set", h.time_set.has_value()},
        {"time_zone", time_zone},
        {"ports", port_items},
        {"flash", FlashJson(h.flash)},
        {"screen", h.screen.rows},
        {"files", Files(h.files)},
        {"open_handles", h.files.open_handles()},
        {"rapi", Rapi(h.rapi, h.rapi_strict)},
        {"boot", Boot(h)},
        {"backup",
         {{"running", h.backup.running},
          {"chunks_written", h.backup.chunks_written},
          {"chunks_taken", h.backup.chunks_taken},
          {"stop_after", h.backup.stop_after},
          {"outcome", h.backup.outcome}}},
        {"errors", h.journal.errors},
    };
    // Texts are UTF-8 as the control channel sets them; bytes that are not (a screen message in
    // the PC's code page) each become U+FFFD rather than a character they do not stand for.
    return report.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace rig
