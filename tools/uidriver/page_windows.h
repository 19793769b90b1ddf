#pragma once
// Looking at other programs' windows: top-level pages, their controls and texts.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace uidriver {

struct PageQuery {
    std::optional<std::wstring> title;
    std::optional<int> template_id;
    std::optional<HWND> window;      // this page only
    std::optional<HWND> other_than;  // any page but this one
};

struct TopLevelWindow {
    HWND handle;
    std::wstring class_name;
    std::wstring title;
    bool visible;
};

std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);
// Top-level windows in Z order, topmost first.
std::vector<TopLevelWindow> TopLevelWindows();
// The template a page was made from, or 0 when no signature fits.
int TemplateOf(HWND page);
// The topmost visible dialog page that fits the query, or null.
HWND FindPage(const PageQuery& query);
// A control of the page by its ID; ID -1 is the first control that has it.
HWND ControlOf(HWND page, int id);

}  // namespace uidriver
