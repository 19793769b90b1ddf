#include "image/language_names.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <string_view>
#include <utility>

namespace orvo {
namespace {

TEST(LanguageNames, ByEnglishNameIgnoringCaseWithEnglishForTheRest) {
    const std::pair<std::string_view, int> cases[] = {
        {"German", IDS_LANGUAGE_GERMAN},
        {"GERMAN", IDS_LANGUAGE_GERMAN},
        {"japanese", IDS_LANGUAGE_JAPANESE},
        {"French", IDS_LANGUAGE_FRENCH},
        {"Italian", IDS_LANGUAGE_ITALIAN},
        {"spanish", IDS_LANGUAGE_SPANISH},
        {"Portuguese", IDS_LANGUAGE_PORTUGUESE},
        {"TChinese", IDS_LANGUAGE_TCHINESE},
        {"schinese", IDS_LANGUAGE_SCHINESE},
        {"English", IDS_LANGUAGE_ENGLISH},
        {"", IDS_LANGUAGE_ENGLISH},
        {"Klingon", IDS_LANGUAGE_ENGLISH},
        {"Germa", IDS_LANGUAGE_ENGLISH},
    };
    for (const auto& [name, text] : cases) EXPECT_EQ(LanguageNameText(name), text) << name;
}

TEST(LanguageNames, ByHandheldCodeAndNoneForAnUnknownCode) {
    const std::pair<std::string_view, int> cases[] = {
        {"Jpn", IDS_LANGUAGE_JAPANESE},
        {"fre", IDS_LANGUAGE_FRENCH},
        {"GER", IDS_LANGUAGE_GERMAN},
        {"ita", IDS_LANGUAGE_ITALIAN},
        {"spa", IDS_LANGUAGE_SPANISH},
        {"Por", IDS_LANGUAGE_PORTUGUESE},
        {"PTB", IDS_LANGUAGE_PORTUGUESE},
        {"cht", IDS_LANGUAGE_TCHINESE},
        {"chs", IDS_LANGUAGE_SCHINESE},
        {"ENG", IDS_LANGUAGE_ENGLISH},
        {"eng", IDS_LANGUAGE_ENGLISH},
        {"xyz", 0},
        {"", 0},
    };
    for (const auto& [code, text] : cases) EXPECT_EQ(DeviceLanguageNameText(code), text) << code;
}

}  // namespace
}  // namespace orvo
