#pragma once
// The built romwizard.exe, one folder above the test program, loaded as a resource image and
// never run.

#include <windows.h>

#include <string>

namespace orvo::test {

class ProgramResources {
  public:
    ProgramResources() {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring path(self);
        // tests\win32_tests.exe -> ..\romwizard.exe
        for (int level = 0; level < 2; ++level) path.erase(path.find_last_of(L"\\/"));
        module_ = LoadLibraryExW((path + L"\\romwizard.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    ~ProgramResources() { FreeLibrary(module_); }
    ProgramResources(const ProgramResources&) = delete;
    ProgramResources& operator=(const ProgramResources&) = delete;

    HMODULE Module() const { return module_; }

    // The whole string-table entry; empty when the entry is missing or empty.
    std::wstring String(int id) const {
        const wchar_t* text = nullptr;
        const int length =
            LoadStringW(module_, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
        return length > 0 && text != nullptr ? std::wstring(text, static_cast<std::size_t>(length))
                                             : std::wstring();
    }

  private:
    HMODULE module_ = nullptr;
};

}  // namespace orvo::test
