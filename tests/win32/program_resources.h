#pragma once
// The programs built one folder above the test program: romwizard.exe loaded as a resource image
// (never run), and the others by path.

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace orvo::test {

// tests\win32_tests.exe -> ..\NAME
inline std::string BuiltFile(const char* name) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self);
    for (int level = 0; level < 2; ++level) path.erase(path.find_last_of("\\/"));
    return path + "\\" + name;
}

// The program's resources, with the common controls its templates hold registered.
class ProgramResources {
  public:
    ProgramResources() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
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
    const HMODULE module_ =
        LoadLibraryExA(BuiltFile("romwizard.exe").c_str(), nullptr,
                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
};

}  // namespace orvo::test
