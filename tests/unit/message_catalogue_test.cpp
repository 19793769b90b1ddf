#include "base/centre.h"
#include "image/language_names.h"
#include "resources/resource_ids.h"
#include "shell/message_catalogue.h"

#include <gtest/gtest.h>

#include <set>

namespace orvo {
namespace {

TEST(MessageCatalogue, AsksForEveryIdOnceAndIsEmptyForOthers) {
    std::set<int> asked;
    MessageCatalogue catalogue;
    catalogue.Load([&](int id) -> std::wstring {
        asked.insert(id);
        return id == 11065 ? L"Zur\u00fcck" : L"";
    });
    EXPECT_EQ(asked.size(), kCatalogueIds.size());
    EXPECT_EQ(*asked.begin(), 11010);
    EXPECT_EQ(*asked.rbegin(), 11190);
    EXPECT_EQ(catalogue.Text(11065), L"Zur\u00fcck");
    EXPECT_EQ(catalogue.Text(11104), L"");
    EXPECT_EQ(catalogue.Text(99999), L"") << "an ID outside the catalogue is empty too";
}

// By English name, English for the rest; by handheld code (the image codes too), none for a code
// without a name. Letter case never matters.
TEST(LanguageNames, ByEnglishNameAndByHandheldCode) {
    for (const auto& [name, text] : {std::pair{"GERMAN", IDS_LANGUAGE_GERMAN},
                                     {"schinese", IDS_LANGUAGE_SCHINESE},
                                     {"Germa", IDS_LANGUAGE_ENGLISH},
                                     {"", IDS_LANGUAGE_ENGLISH}}) {
        EXPECT_EQ(LanguageNameText(name), text) << name;
    }
    for (const auto& [code, text] : {std::pair{"Jpn", IDS_LANGUAGE_JAPANESE},
                                     {"PTB", IDS_LANGUAGE_PORTUGUESE},
                                     {"cht", IDS_LANGUAGE_TCHINESE},
                                     {"xyz", 0}}) {
        EXPECT_EQ(DeviceLanguageNameText(code), text) << code;
    }
}

TEST(CentredOrigin, CentresAndGoesNegativeForOversizedWindows) {
    constexpr Origin centred = CentredOrigin(1024, 768, 200, 100);
    EXPECT_EQ(centred.left, 412);
    EXPECT_EQ(centred.top, 334);
    constexpr Origin oversized = CentredOrigin(1024, 768, 1101, 800);
    EXPECT_EQ(oversized.left, -38) << "(1024 - 1101) / 2 truncates toward zero";
    EXPECT_EQ(oversized.top, -16);
}

}  // namespace
}  // namespace orvo
