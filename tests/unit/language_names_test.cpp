#include "image/language_names.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <string_view>
#include <utility>

namespace orvo {
namespace {

// By English name, English for the rest; by handheld code (the image codes too), none for a code
// without a name. Letter case never matters.
TEST(LanguageNames, ByEnglishNameAndByHandheldCode) {
    const std::pair<std::string_view, int> names[] = {{"GERMAN", IDS_LANGUAGE_GERMAN},
                                                      {"japanese", IDS_LANGUAGE_JAPANESE},
                                                      {"Portuguese", IDS_LANGUAGE_PORTUGUESE},
                                                      {"schinese", IDS_LANGUAGE_SCHINESE},
                                                      {"", IDS_LANGUAGE_ENGLISH},
                                                      {"Germa", IDS_LANGUAGE_ENGLISH}};
    for (const auto& [name, text] : names) EXPECT_EQ(LanguageNameText(name), text) << name;
    const std::pair<std::string_view, int> codes[] = {{"Jpn", IDS_LANGUAGE_JAPANESE},
                                                      {"ger", IDS_LANGUAGE_GERMAN},
                                                      {"Por", IDS_LANGUAGE_PORTUGUESE},
                                                      {"PTB", IDS_LANGUAGE_PORTUGUESE},
                                                      {"cht", IDS_LANGUAGE_TCHINESE},
                                                      {"ENG", IDS_LANGUAGE_ENGLISH},
                                                      {"xyz", 0},
                                                      {"", 0}};
    for (const auto& [code, text] : codes) EXPECT_EQ(DeviceLanguageNameText(code), text) << code;
}

}  // namespace
}  // namespace orvo
