#include "state_report.h"

#include <ctime>

#include "json.h"
#include "sha256.h"

namespace rig {

namespace {

using json::Array;
using json::Bool;
using json::Hex;
using json::Object;
using json::Str;

std::string Clock(std::chrono::system_clock::time_point t) {
    std::time_t secs = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    gmtime_r(&secs, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return Str(text);
}

std::string Strings(const std::deque<std::string>& list) {
    std::vector<std::string> items;
    for (const auto& s : list) items.push_back(Str(s));
    return Array(items);
}

std::string Holds(const std::map<std::string, unsigned>& holds) {
    std::vector<std::pair<std::string, std::string>> fields;
    for (const auto& [port, count] : holds) {
        if (count > 0) fields.emplace_back(port, std::to_string(count));
    }
    return Object(fields);
}

std::string Downloads(const std::vector<DownloadRecord>& list) {
    std::vector<std::string> items;
    for (const DownloadRecord& d : list) {
        items.push_back(Object({{"file", Str(d.file)},
                                {"address", Hex(d.address)},
                                {"length", Hex(d.length)},
                                {"offset", Hex(d.offset)},
                                {"header_start", Hex(d.header_start)},
                                {"header_count", Hex(d.header_count)},
                                {"bytes", std::to_string(d.bytes)},
                                {"blocks", std::to_string(d.blocks)},
                                {"state", Str(d.state)}}));
    }
    return Array(items);
}

std::string FlashJson(const rig::Flash& f) {
    std::vector<std::string> ranges;
    for (const auto& [first, last] : f.written()) ranges.push_back(Array({Hex(first), Hex(last)}));
    return Object({{"file", Str(f.path())},
                   {"bytes", std::to_string(f.file_size())},
                   {"sha256", Str(f.Sha256())},
                   {"written", Array(ranges)}});
}

std::string Files(const DeviceFiles& files) {
    std::vector<std::string> items;
    for (const auto& [key, file] : files.files()) {
        items.push_back(Object({{"path", Str(files.NameOf(key))},
                                {"size", std::to_string(file.data.size())},
                                {"sha256", Str(Sha256Hex(file.data.data(), file.data.size()))},
                                {"attributes", std::to_string(file.attributes)},
                                {"in_use", Bool(file.in_use)}}));
    }
    return Array(items);
}

std::string Rapi(const RapiLog& r, bool strict) {
    std::vector<std::string> invokes;
    for (const auto& i : r.invokes) {
        invokes.push_back(Object({{"library", Str(i.library)},
                                  {"entry", Str(i.entry)},
                                  {"input", std::to_string(i.input)},
                                  {"result", std::to_string(i.result)}}));
    }
    std::vector<std::string> processes;
    for (const auto& p : r.processes) processes.push_back(Str(p));
    return Object({{"connection", std::to_string(r.connection)},
                   {"strict", Bool(strict)},
                   {"inits", std::to_string(r.inits)},
                   {"uninits", std::to_string(r.uninits)},
                   {"refused_inits", std::to_string(r.refused_inits)},
                   {"calls", std::to_string(r.calls)},
                   {"invokes", Array(invokes)},
                   {"processes", Array(processes)}});
}

std::string Boot(Handheld& h) {
    std::vector<std::string> reads;
    for (auto a : h.journal.readdata) reads.push_back(Hex(a));
    return Object({{"framed", Bool(h.boot.framed())},
                   {"downloading", Bool(h.boot.downloading())},
                   {"port_tests", std::to_string(h.journal.port_tests)},
                   {"screen_messages", std::to_string(h.journal.screen_messages)},
                   {"bytes_in", std::to_string(h.journal.bytes_in)},
                   {"bytes_to_holder", std::to_string(h.journal.bytes_to_holder)},
                   {"blocks_written", std::to_string(h.boot.blocks_written())},
                   {"readdata", Array(reads)},
                   {"commands", Strings(h.journal.commands)},
                   {"downloads", Downloads(h.journal.downloads)}});
}

}  // namespace

std::string StateJson(Handheld& h, const std::vector<PortInfo>& ports) {
    std::lock_guard lock(h.mu);
    std::vector<std::string> port_items;
    for (const PortInfo& p : ports) {
        port_items.push_back(Object({{"name", Str(p.name)},
                                     {"link", Str(p.link)},
                                     {"pty", Str(p.pty)},
                                     {"present", Bool(p.present)}}));
    }
    std::vector<std::string> rows;
    for (const auto& r : h.screen.rows) rows.push_back(Str(r));
    std::string time_zone = "null";
    if (h.time_set) {
        time_zone = Object({{"bias", std::to_string(h.time_set->bias)},
                            {"standard_name", Str(h.time_set->standard_name)}});
    }
    return Object({
        {"mode", Str(ModeName(h.mode))},
        {"link", Str(h.link)},
        {"cable", Str(h.cable ? "plugged" : "pulled")},
        {"pull_after_blocks",
         h.pull_after_blocks ? std::to_string(*h.pull_after_blocks) : std::string("null")},
        {"pull_during", h.pull_during
                            ? Object({{"download", std::to_string(h.pull_during->download)},
                                      {"blocks", std::to_string(h.pull_during->blocks)}})
                            : std::string("null")},
        {"silent", Bool(h.silent)},
        {"baud", std::to_string(h.baud)},
        {"mains", Bool(h.mains)},
        {"holds", Holds(h.holds)},
        {"identity", Object({{"model", Str(h.id.model)},
                             {"romtype", Str(h.id.rom_type)},
                             {"lang", Str(h.id.lang)},
                             {"version", Str(h.id.version)},
                             {"flash_mb", std::to_string(h.id.flash_mb)}})},
        {"clock", Clock(h.Now())},
        {"clock_set", Bool(h.time_set.has_value())},
        {"time_zone", time_zone},
        {"ports", Array(port_items)},
        {"flash", FlashJson(h.flash)},
        {"screen", Array(rows)},
        {"files", Files(h.files)},
        {"open_handles", std::to_string(h.files.open_handles())},
        {"rapi", Rapi(h.rapi, h.rapi_strict)},
        {"boot", Boot(h)},
        {"backup", Object({{"running", Bool(h.backup.running)},
                           {"chunks_written", std::to_string(h.backup.chunks_written)},
                           {"chunks_taken", std::to_string(h.backup.chunks_taken)},
                           {"stop_after", std::to_string(h.backup.stop_after)},
                           {"outcome", Str(h.backup.outcome)}})},
        {"errors", Strings(h.journal.errors)},
    });
}

}  // namespace rig
