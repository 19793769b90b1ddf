#pragma once
// Texts from an image header or the handheld as a terminal may show them.

#include <string>
#include <string_view>

namespace orvo::romflash {

// The text with every byte that would not print (control bytes, escape sequences, bytes above
// 0x7E) shown as \xNN.
std::string Printable(std::string_view text);

}  // namespace orvo::romflash
