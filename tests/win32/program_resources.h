#pragma once
// Read access to the resources of the built romwizard.exe, which lies one folder above the test
// program, and a reader for its extended dialog templates.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orvo::test {

// romwizard.exe loaded as a resource image, never run.
class ProgramResources {
  public:
    ProgramResources();
    ~ProgramResources();
    ProgramResources(const ProgramResources&) = delete;
    ProgramResources& operator=(const ProgramResources&) = delete;

    static std::wstring ProgramPath();
    HMODULE Module() const { return module_; }

    // The whole string-table entry, or nothing when the entry is missing or empty.
    std::optional<std::wstring> String(int id) const;
    // The bytes of a resource in the German language; empty when there is none.
    std::span<const std::uint8_t> Data(LPCWSTR type, int id) const;

  private:
    HMODULE module_ = nullptr;
};

struct DialogItem {
    std::uint32_t style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    std::wstring window_class;  // "Button", "Static" for the predefined ordinals
    std::wstring text;
    int text_ordinal = -1;  // resource ordinal in place of a text (picture controls)
};

struct DialogTemplate {
    bool extended = false;
    std::uint32_t style = 0;
    int cx = 0, cy = 0;
    std::wstring caption;
    int point_size = 0;
    std::wstring face;
    std::vector<DialogItem> items;

    const DialogItem* Find(int id) const;
};

// Reads a DLGTEMPLATEEX; a plain DLGTEMPLATE gives extended == false and nothing else.
DialogTemplate ParseDialogTemplate(std::span<const std::uint8_t> bytes);

}  // namespace orvo::test
