#pragma once
// Texts of the handheld, of image headers and registry value names are compared as whole texts
// without regard to letter case (single-byte ANSI texts; only A-Z and a-z fold).

#include <algorithm>
#include <string_view>

namespace orvo {

constexpr char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldCase(x) == FoldCase(y);
           });
}

}  // namespace orvo
