#pragma once
// The German names of languages that the pages show after "Sprache:", as catalogue texts.

#include <string_view>

namespace orvo {

// By a language's English name (a handheld's `Language`, an image's `ImageLanguageName`),
// ignoring letter case; English for a name it does not know, the empty one included.
int LanguageNameText(std::string_view english_name);

// By a handheld's language code, ignoring letter case; 0 for a code it does not know.
int DeviceLanguageNameText(std::string_view code);

}  // namespace orvo
