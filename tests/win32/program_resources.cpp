#include "win32/program_resources.h"

#include <stdexcept>

namespace orvo::test {

namespace {

// Walks the words of a template; every read is bounds-checked so that a broken template fails
// the test instead of reading past the resource.
class TemplateReader {
  public:
    explicit TemplateReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint16_t Word() {
        Need(2);
        auto value = static_cast<std::uint16_t>(bytes_[pos_] | bytes_[pos_ + 1] << 8);
        pos_ += 2;
        return value;
    }
    std::uint32_t Dword() {
        std::uint32_t low = Word();
        return low | static_cast<std::uint32_t>(Word()) << 16;
    }
    std::int16_t Short() { return static_cast<std::int16_t>(Word()); }
    std::wstring String(std::uint16_t first) {
        std::wstring text;
        for (std::uint16_t c = first; c != 0; c = Word()) text.push_back(static_cast<wchar_t>(c));
        return text;
    }
    std::wstring String() { return String(Word()); }
    // A name or an ordinal: 0 = none, 0xFFFF = ordinal follows, otherwise a text.
    std::wstring StringOrOrdinal(int* ordinal) {
        const std::uint16_t first = Word();
        if (first != 0xFFFF) return String(first);
        *ordinal = Word();
        return {};
    }
    void AlignDword() { pos_ = (pos_ + 3) & ~std::size_t{3}; }
    void Skip(std::size_t n) {
        Need(n);
        pos_ += n;
    }

  private:
    void Need(std::size_t n) const {
        if (pos_ + n > bytes_.size()) throw std::out_of_range("dialog template ends early");
    }
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

// The predefined classes from ordinal 0x80 on.
constexpr const wchar_t* kPredefinedClasses[] = {L"Button",  L"Edit",      L"Static",
                                                 L"ListBox", L"ScrollBar", L"ComboBox"};

}  // namespace

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

const DialogItem* DialogTemplate::Find(int id) const {
    for (const auto& item : items) {
        if (item.id == id) return &item;
    }
    return nullptr;
}

DialogTemplate ParseDialogTemplate(std::span<const std::uint8_t> bytes) {
    DialogTemplate dialog;
    TemplateReader in(bytes);
    std::uint16_t version = in.Word();
    std::uint16_t signature = in.Word();
    if (version != 1 || signature != 0xFFFF) return dialog;
    dialog.extended = true;
    in.Skip(8);  // help ID, extended style
    dialog.style = in.Dword();
    int count = in.Word();
    in.Skip(4);  // x, y
    dialog.cx = in.Short();
    dialog.cy = in.Short();
    int ordinal = -1;
    in.StringOrOrdinal(&ordinal);  // menu
    in.StringOrOrdinal(&ordinal);  // window class
    dialog.caption = in.String();
    if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
        dialog.point_size = in.Word();
        in.Skip(4);  // weight, italic, character set
        dialog.face = in.String();
    }
    for (int i = 0; i < count; ++i) {
        in.AlignDword();
        DialogItem item;
        in.Skip(8);  // help ID, extended style
        item.style = in.Dword();
        item.x = in.Short();
        item.y = in.Short();
        item.cx = in.Short();
        item.cy = in.Short();
        item.id = static_cast<std::int32_t>(in.Dword());
        int class_ordinal = -1;
        item.window_class = in.StringOrOrdinal(&class_ordinal);
        // Class names are case-insensitive; spell the predefined ones one way.
        for (int predefined = 0x80; predefined <= 0x85; ++predefined) {
            const wchar_t* name = kPredefinedClasses[predefined - 0x80];
            if (class_ordinal == predefined || _wcsicmp(name, item.window_class.c_str()) == 0) {
                item.window_class = name;
            }
        }
        item.text = in.StringOrOrdinal(&item.text_ordinal);
        in.Skip(in.Word());  // creation data
        dialog.items.push_back(item);
    }
    return dialog;
}

}  // namespace orvo::test
