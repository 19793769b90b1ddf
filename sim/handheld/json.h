#pragma once
// Just enough JSON writing for the state report.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace rig::json {

inline std::string Str(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

inline std::string Hex(std::uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "\"0x%08X\"", v);
    return text;
}

inline std::string Bool(bool b) { return b ? "true" : "false"; }

inline std::string Array(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + items[i];
    return out + "]";
}

// {"k":v,...} from already-encoded values.
inline std::string Object(const std::vector<std::pair<std::string, std::string>>& fields) {
    std::string out = "{";
    for (std::size_t i = 0; i < fields.size(); ++i) {
        // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about "," + string.
        if (i) out += ',';
        out += Str(fields[i].first);
        out += ':';
        out += fields[i].second;
    }
    return out + "}";
}

}  // namespace rig::json
