#pragma once
// The user texts of the program, loaded once from the string table and addressed by string ID.
// An ID the string table does not hold gives the empty text.

#include "resources/resource_ids.h"

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <string>

namespace orvo {

// Every string ID the program loads at start-up: the whole range of the string table. An ID in
// the range without a text reads as the empty text.
inline constexpr auto kCatalogueIds = [] {
    std::array<int, IDS_LAST - IDS_FIRST + 1> ids{};
    for (std::size_t i = 0; i < ids.size(); ++i) ids[i] = IDS_FIRST + static_cast<int>(i);
    return ids;
}();

class MessageCatalogue {
  public:
    // Reads one string-table entry; returns the empty text when the table has no such ID.
    using StringLoader = std::function<std::wstring(int id)>;

    void Load(const StringLoader& loader);
    const std::wstring& Text(int id) const;

  private:
    std::map<int, std::wstring> texts_;
};

}  // namespace orvo
