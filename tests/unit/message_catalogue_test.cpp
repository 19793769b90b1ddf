#include "base/centre.h"
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
