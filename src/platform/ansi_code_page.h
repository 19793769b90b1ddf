#pragma once
// The PC's ANSI code page: texts go to the handheld as UTF-16 converted from it, and come back
// into it. The Win32 adapter uses the system's conversion; the portable one takes the code page
// for Latin-1, which is what the tests and the command-line tools need.

#include <string>
#include <string_view>

namespace orvo {

class AnsiCodePage {
  public:
    virtual ~AnsiCodePage() = default;
    virtual std::u16string ToUtf16(std::string_view ansi) const = 0;
    // Characters the code page lacks become its default character.
    virtual std::string FromUtf16(std::u16string_view text) const = 0;
};

class Latin1CodePage final : public AnsiCodePage {
  public:
    std::u16string ToUtf16(std::string_view ansi) const override {
        std::u16string text;
        for (char c : ansi) text.push_back(static_cast<unsigned char>(c));
        return text;
    }
    std::string FromUtf16(std::u16string_view text) const override {
        std::string ansi;
        for (char16_t c : text) ansi.push_back(c < 0x100 ? static_cast<char>(c) : '?');
        return ansi;
    }
};

}  // namespace orvo
