#include "image/language_names.h"

#include "base/text_compare.h"
#include "image/language_table.h"
#include "resources/resource_ids.h"

#include <array>

namespace orvo {

namespace {

struct LanguageName {
    std::string_view english_name;
    int text;
};

constexpr std::array<LanguageName, 8> kLanguageNames = {{
    {"Japanese", IDS_LANGUAGE_JAPANESE},
    {"French", IDS_LANGUAGE_FRENCH},
    {"German", IDS_LANGUAGE_GERMAN},
    {"Italian", IDS_LANGUAGE_ITALIAN},
    {"Spanish", IDS_LANGUAGE_SPANISH},
    {"Portuguese", IDS_LANGUAGE_PORTUGUESE},
    {"TChinese", IDS_LANGUAGE_TCHINESE},
    {"SChinese", IDS_LANGUAGE_SCHINESE},
}};

// A handheld reports Portuguese as "Por" besides the image codes of the language table.
constexpr std::string_view kDevicePortugueseCode = "Por";

}  // namespace

int LanguageNameText(std::string_view english_name) {
    for (const LanguageName& entry : kLanguageNames) {
        if (EqualIgnoringCase(entry.english_name, english_name)) return entry.text;
    }
    return IDS_LANGUAGE_ENGLISH;
}

int DeviceLanguageNameText(std::string_view code) {
    if (EqualIgnoringCase(code, kDevicePortugueseCode)) return IDS_LANGUAGE_PORTUGUESE;
    const std::optional<std::string_view> english_name = LookUpLanguage(code);
    return english_name ? LanguageNameText(*english_name) : 0;
}

}  // namespace orvo
