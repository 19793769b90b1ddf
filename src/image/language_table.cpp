#include "image/language_table.h"

#include "base/text_compare.h"

namespace orvo {

std::optional<std::string_view> LookUpLanguage(std::string_view code) {
    for (const LanguageEntry& entry : LanguageTable) {
        if (EqualIgnoringCase(entry.code, code)) return entry.english_name;
    }
    return std::nullopt;
}

}  // namespace orvo
