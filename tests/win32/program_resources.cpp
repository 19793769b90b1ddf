#include "win32/program_resources.h"

namespace orvo::test {

ProgramResources::ProgramResources() {
    module_ = LoadLibraryExW(ProgramPath().c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

ProgramResources::~ProgramResources() {
    if (module_ != nullptr) FreeLibrary(module_);
}

std::wstring ProgramResources::ProgramPath() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    // tests\win32_tests.exe -> ..\romwizard.exe
    for (int level = 0; level < 2; ++level) path.erase(path.find_last_of(L"\\/"));
    return path + L"\\romwizard.exe";
}

std::optional<std::wstring> ProgramResources::String(int id) const {
    const wchar_t* text = nullptr;
    int length = LoadStringW(module_, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) return std::nullopt;
    return std::wstring(text, static_cast<std::size_t>(length));
}

std::span<const std::uint8_t> ProgramResources::Data(LPCWSTR type, int id) const {
    HRSRC found = FindResourceExW(module_, type, MAKEINTRESOURCEW(id),
                                  MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN));
    HGLOBAL loaded = found == nullptr ? nullptr : LoadResource(module_, found);
    const void* raw = loaded == nullptr ? nullptr : LockResource(loaded);
    if (raw == nullptr) return {};
    return {static_cast<const std::uint8_t*>(raw), SizeofResource(module_, found)};
}

}  // namespace orvo::test
