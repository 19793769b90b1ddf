#include "base/centre.h"
#include "shell/message_catalogue.h"

#include <gtest/gtest.h>

#include <set>

namespace orvo {
namespace {

TEST(MessageCatalogue, HoldsTheLoadedTextsAndEmptyForMissingIds) {
    std::set<int> asked;
    MessageCatalogue catalogue;
    catalogue.Load([&](int id) -> std::wstring {
        asked.insert(id);
        if (id == 11035) return L" Varnel Orvo Pocket PC Veltro V2.50.09";
        if (id == 11065) return L"Zur\u00fcck";
        return L"";
    });
    EXPECT_EQ(asked.size(), kCatalogueIds.size()) << "every ID is asked for exactly once";
    EXPECT_EQ(catalogue.Text(11035), L" Varnel Orvo Pocket PC Veltro V2.50.09");
    EXPECT_EQ(catalogue.Text(11065), L"Zur\u00fcck");
    EXPECT_EQ(catalogue.Text(11104), L"");
    EXPECT_EQ(catalogue.Text(99999), L"") << "an ID outside the catalogue is empty too";
}

TEST(MessageCatalogue, IdsAreUniqueAndInRange) {
    std::set<int> ids(kCatalogueIds.begin(), kCatalogueIds.end());
    EXPECT_EQ(ids.size(), kCatalogueIds.size());
    EXPECT_EQ(*ids.begin(), 11010);
    EXPECT_EQ(*ids.rbegin(), 11190);
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
