#include "device_libraries.h"

namespace rig {

namespace {

constexpr std::size_t kSlotUnits = 25;

void PutSlot(std::vector<std::uint8_t>& reply, std::size_t slot, const std::string& text) {
    std::string t = text.substr(0, kSlotUnits - 1);  // room for the terminating zero
    for (std::size_t i = 0; i < t.size(); ++i) {
        reply[slot * 2 * kSlotUnits + 2 * i] = static_cast<std::uint8_t>(t[i]);
    }
}

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// UTF-16 text of at most `units` code units; false when no terminating zero is found.
bool Utf16Text(const std::uint8_t* p, std::size_t units, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < units; ++i) {
        std::uint16_t u = Le16(p + 2 * i);
        if (u == 0) return true;
        out += u < 0x100 ? static_cast<char>(u) : '?';
    }
    return false;
}

}  // namespace

std::vector<std::uint8_t> DeviceDataReply(const Identity& id, bool serial_link) {
    std::vector<std::uint8_t> reply(kDeviceDataReplySize, 0);
    std::string model = (id.model + "         ").substr(0, 9);
    std::string rom_type = (id.rom_type + "   ").substr(0, 3);
    PutSlot(reply, 0, id.version + ".00 " + id.lang);
    PutSlot(reply, 1,
            "Model: " + model.substr(0, 5) + "-" + model.substr(5) + rom_type +
                (serial_link ? " Ser" : " USB"));
    PutSlot(reply, 2, std::to_string(id.flash_mb));
    return reply;
}

std::optional<WriteAreaRecord> ParseWriteArea(const std::vector<std::uint8_t>& in,
                                              std::string& error) {
    if (in.size() != kWriteAreaRecordSize) {
        error = "WriteArea record of " + std::to_string(in.size()) + " bytes, expected 76";
        return std::nullopt;
    }
    if (Le32(in.data()) != 2) {
        error = "WriteArea operation code " + std::to_string(Le32(in.data())) + ", expected 2";
        return std::nullopt;
    }
    WriteAreaRecord rec;
    rec.address = Le32(in.data() + 4);
    rec.length = Le32(in.data() + 8);
    if (!Utf16Text(in.data() + 12, 32, rec.text)) {
        error = "WriteArea text without terminating zero";
        return std::nullopt;
    }
    std::uint32_t rounded = (static_cast<std::uint32_t>(rec.text.size()) + 3) & ~3u;
    if (rec.length != rounded) {
        error = "WriteArea length " + std::to_string(rec.length) + " for a text of " +
                std::to_string(rec.text.size()) + " characters, expected " +
                std::to_string(rounded);
        return std::nullopt;
    }
    return rec;
}

std::optional<SysTimeRecord> ParseSetSysTime(const std::vector<std::uint8_t>& in,
                                             std::string& error) {
    if (in.size() != kSetSysTimeRecordSize) {
        error = "SetSysTime record of " + std::to_string(in.size()) + " bytes, expected 188";
        return std::nullopt;
    }
    SysTimeRecord rec;
    rec.bias = static_cast<std::int32_t>(Le32(in.data()));
    Utf16Text(in.data() + 4, 32, rec.standard_name);
    const std::uint8_t* t = in.data() + 172;  // SYSTEMTIME: year, month, weekday, day, ...
    rec.year = Le16(t);
    rec.month = Le16(t + 2);
    rec.day = Le16(t + 6);
    rec.hour = Le16(t + 8);
    rec.minute = Le16(t + 10);
    rec.second = Le16(t + 12);
    if (rec.year < 1980 || rec.year > 2100 || rec.month < 1 || rec.month > 12 || rec.day < 1 ||
        rec.day > 31 || rec.hour > 23 || rec.minute > 59 || rec.second > 59) {
        error = "SetSysTime time out of range";
        return std::nullopt;
    }
    return rec;
}

}  // namespace rig
