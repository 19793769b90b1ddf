#include "page_windows.h"

#include "page_signatures.h"

#include <algorithm>

namespace uidriver {

namespace {

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<TopLevelWindow>*>(list)->push_back(
        {window, ClassOf(window), TextOf(window), IsWindowVisible(window) != FALSE});
    return TRUE;
}

struct ChildSearch {
    HWND page;
    int id;
    HWND found = nullptr;
};

BOOL CALLBACK FindChildById(HWND child, LPARAM search_pointer) {
    auto* search = reinterpret_cast<ChildSearch*>(search_pointer);
    // Templates without extended style store IDs in 16 bits, so -1 may read back as 0xFFFF.
    const int id = static_cast<int>(GetWindowLongPtrW(child, GWLP_ID));
    const bool same = id == search->id || (search->id == -1 && id == 0xFFFF);
    if (GetAncestor(child, GA_PARENT) == search->page && same) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

bool HasControl(HWND page, int id) { return ControlOf(page, id) != nullptr; }

}  // namespace

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) {
        return L"";
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    text.resize(std::min<std::size_t>(copied, length));
    return text;
}

std::vector<TopLevelWindow> TopLevelWindows() {
    std::vector<TopLevelWindow> windows;
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

int TemplateOf(HWND page) {
    for (const PageSignature& signature : PageSignatures()) {
        const bool all_there = std::all_of(signature.required.begin(), signature.required.end(),
                                           [&](int id) { return HasControl(page, id); });
        const bool none_else = std::none_of(signature.absent.begin(), signature.absent.end(),
                                            [&](int id) { return HasControl(page, id); });
        if (all_there && none_else) return signature.template_id;
    }
    return 0;
}

HWND FindPage(const PageQuery& query) {
    for (const TopLevelWindow& window : TopLevelWindows()) {
        if (!window.visible || window.class_name != L"#32770") continue;
        if (query.window && window.handle != *query.window) continue;
        if (query.other_than && window.handle == *query.other_than) continue;
        if (query.title && window.title != *query.title) continue;
        if (query.template_id && TemplateOf(window.handle) != *query.template_id) continue;
        return window.handle;
    }
    return nullptr;
}

HWND ControlOf(HWND page, int id) {
    ChildSearch search{page, id};
    EnumChildWindows(page, FindChildById, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace uidriver
