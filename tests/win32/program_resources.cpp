#include "win32/program_resources.h"

#include <stdexcept>

namespace orvo::test {

namespace {

constexpr WORD kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);

// Walks the words of a template; every read is bounds-checked so that a broken template fails
// the test instead of reading past the resource.
class TemplateReader {
  public:
    explicit TemplateReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

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
    std::uint8_t Byte() {
        Need(1);
        return bytes_[pos_++];
    }
    std::wstring String() {
        std::wstring text;
        for (std::uint16_t c = Word(); c != 0; c = Word()) text.push_back(static_cast<wchar_t>(c));
        return text;
    }
    // A name or an ordinal: 0 = none, 0xFFFF = ordinal follows, otherwise a text.
    std::wstring StringOrOrdinal(int* ordinal) {
        Need(2);
        std::uint16_t first = static_cast<std::uint16_t>(bytes_[pos_] | bytes_[pos_ + 1] << 8);
        if (first == 0) {
            pos_ += 2;
            return {};
        }
        if (first == 0xFFFF) {
            pos_ += 2;
            *ordinal = Word();
            return {};
        }
        return String();
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
    const std::vector<std::uint8_t>& bytes_;
    std::size_t pos_ = 0;
};

std::wstring PredefinedClass(int ordinal) {
    switch (ordinal) {
        case 0x80:
            return L"Button";
        case 0x81:
            return L"Edit";
        case 0x82:
            return L"Static";
        case 0x83:
            return L"ListBox";
        case 0x84:
            return L"ScrollBar";
        case 0x85:
            return L"ComboBox";
        default:
            return L"#" + std::to_wstring(ordinal);
    }
}

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

const void* ProgramResources::Raw(LPCWSTR type, int id) const {
    HRSRC found = FindResourceExW(module_, type, MAKEINTRESOURCEW(id), kGerman);
    if (found == nullptr) return nullptr;
    HGLOBAL loaded = LoadResource(module_, found);
    return loaded == nullptr ? nullptr : LockResource(loaded);
}

std::vector<std::uint8_t> ProgramResources::Data(LPCWSTR type, int id) const {
    HRSRC found = FindResourceExW(module_, type, MAKEINTRESOURCEW(id), kGerman);
    const void* raw = Raw(type, id);
    if (found == nullptr || raw == nullptr) return {};
    auto begin = static_cast<const std::uint8_t*>(raw);
    return std::vector<std::uint8_t>(begin, begin + SizeofResource(module_, found));
}

const DialogItem* DialogTemplate::Find(int id) const {
    for (const auto& item : items) {
        if (item.id == id) return &item;
    }
    return nullptr;
}

DialogTemplate ParseDialogTemplate(const std::vector<std::uint8_t>& bytes) {
    DialogTemplate dialog;
    TemplateReader in(bytes);
    std::uint16_t version = in.Word();
    std::uint16_t signature = in.Word();
    if (version != 1 || signature != 0xFFFF) return dialog;
    dialog.extended = true;
    in.Dword();  // help ID
    in.Dword();  // extended style
    dialog.style = in.Dword();
    int count = in.Word();
    in.Short();
    in.Short();
    dialog.cx = in.Short();
    dialog.cy = in.Short();
    int ordinal = -1;
    in.StringOrOrdinal(&ordinal);  // menu
    in.StringOrOrdinal(&ordinal);  // window class
    dialog.caption = in.String();
    if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
        dialog.point_size = in.Word();
        in.Word();  // weight
        in.Byte();  // italic
        in.Byte();  // character set
        dialog.face = in.String();
    }
    for (int i = 0; i < count; ++i) {
        in.AlignDword();
        DialogItem item;
        item.help_id = in.Dword();
        item.ex_style = in.Dword();
        item.style = in.Dword();
        item.x = in.Short();
        item.y = in.Short();
        item.cx = in.Short();
        item.cy = in.Short();
        item.id = static_cast<std::int32_t>(in.Dword());
        int class_ordinal = -1;
        item.window_class = in.StringOrOrdinal(&class_ordinal);
        if (class_ordinal >= 0) {
            item.window_class = PredefinedClass(class_ordinal);
        } else {
            // Class names are case-insensitive; spell the predefined ones one way.
            for (int predefined = 0x80; predefined <= 0x85; ++predefined) {
                std::wstring name = PredefinedClass(predefined);
                if (_wcsicmp(name.c_str(), item.window_class.c_str()) == 0) {
                    item.window_class = name;
                }
            }
        }
        item.text = in.StringOrOrdinal(&item.text_ordinal);
        in.Skip(in.Word());  // creation data
        dialog.items.push_back(item);
    }
    return dialog;
}

}  // namespace orvo::test
