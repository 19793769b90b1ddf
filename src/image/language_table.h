#pragma once
// The fixed table of language codes and their English names, shared by the image header reader
// and the device identity.

#include <array>
#include <optional>
#include <string_view>

namespace orvo {

struct LanguageEntry {
    std::string_view code;
    std::string_view english_name;
};

inline constexpr std::array<LanguageEntry, 10> LanguageTable = {{
    {"ENG", "English"},
    {"JPN", "Japanese"},
    {"FRE", "French"},
    {"GER", "German"},
    {"ITA", "Italian"},
    {"SPA", "Spanish"},
    {"PTB", "Portuguese"},
    {"POT", "Portuguese"},
    {"CHT", "TChinese"},
    {"CHS", "SChinese"},
}};

// The English name of the first entry whose code equals `code` ignoring letter case.
std::optional<std::string_view> LookUpLanguage(std::string_view code);

}  // namespace orvo
