#pragma once
// Read access to the resources of the built romwizard.exe, which lies one folder above the test
// program.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

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

}  // namespace orvo::test
