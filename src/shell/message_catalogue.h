#pragma once
// The user texts of the program, loaded once from the string table and addressed by string ID.
// An ID the string table does not hold gives the empty text.

#include <array>
#include <functional>
#include <map>
#include <string>

namespace orvo {

// Every string ID the program loads at start-up.
inline constexpr std::array<int, 130> kCatalogueIds = {
    11010, 11011, 11012, 11013, 11014, 11015, 11017, 11018, 11019, 11023, 11028, 11029, 11030,
    11031, 11033, 11034, 11035, 11036, 11037, 11038, 11039, 11040, 11041, 11042, 11043, 11044,
    11045, 11046, 11047, 11048, 11049, 11050, 11051, 11052, 11053, 11054, 11055, 11056, 11057,
    11058, 11059, 11060, 11061, 11062, 11063, 11064, 11065, 11069, 11070, 11074, 11075, 11076,
    11077, 11078, 11081, 11083, 11084, 11087, 11088, 11089, 11092, 11093, 11094, 11095, 11096,
    11097, 11098, 11099, 11100, 11101, 11102, 11103, 11104, 11108, 11109, 11110, 11111, 11112,
    11113, 11114, 11115, 11116, 11117, 11118, 11119, 11121, 11122, 11124, 11125, 11126, 11127,
    11132, 11135, 11136, 11137, 11138, 11139, 11140, 11141, 11142, 11143, 11144, 11145, 11146,
    11147, 11149, 11151, 11155, 11156, 11166, 11167, 11168, 11169, 11170, 11172, 11173, 11174,
    11175, 11177, 11178, 11179, 11180, 11181, 11182, 11183, 11184, 11185, 11188, 11189, 11190,
};

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
