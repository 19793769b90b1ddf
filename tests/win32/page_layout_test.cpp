// Creates every page template of the built romwizard.exe (hidden), puts the German texts that the
// pages show into their controls and checks that each fits, and that nothing covers the picture
// or another control or leaves the page.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "pages/backup_progress_page.h"
#include "pages/battery_disconnect_page.h"
#include "pages/boot_loader_entry_page.h"
#include "pages/checking_notice.h"
#include "pages/completion_page.h"
#include "pages/confirmation_page.h"
#include "pages/error_pages.h"
#include "pages/incompatible_image_page.h"
#include "pages/options_page.h"
#include "pages/page_frame.h"
#include "pages/power_warning_page.h"
#include "pages/table_pages.h"
#include "pages/update_error_page.h"
#include "pages/update_progress_page.h"
#include "pages/update_ready_page.h"
#include "pages/welcome_page.h"
#include "win32/program_resources.h"

namespace orvo::test {
namespace {

enum class Font { Page, Heading, Bold };

// A text a page may put into one of its controls.
struct Fill {
    int control;
    std::wstring text;
    Font font = Font::Page;
};

INT_PTR CALLBACK QuietPage(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// The space a text takes, wrapped at `width` pixels as a static control wraps it.
SIZE Measure(HWND window, HFONT font, const std::wstring& text, int width, bool single_line) {
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, font);
    RECT need{0, 0, width, 0};
    UINT format = DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX;
    format |= single_line ? DT_SINGLELINE : DT_WORDBREAK;
    DrawTextW(dc, text.c_str(), -1, &need, format);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return SIZE{need.right, need.bottom};
}

// The text fits its control. Lists whose items go on in an indented line are broken by hand; a
// further break inside such an item would leave a stray word on a line of its own.
void ExpectFits(HWND control, HFONT font, const std::wstring& text) {
    ASSERT_FALSE(text.empty());
    RECT client;
    GetClientRect(control, &client);
    wchar_t name[32] = {};
    GetClassNameW(control, name, 32);
    // A button needs room for its frame beside the text.
    const bool button = _wcsicmp(name, L"Button") == 0;
    const int margin = button ? 8 : 0;
    SIZE need = Measure(control, font, text, client.right - margin, button);
    EXPECT_TRUE(need.cx + margin <= client.right && need.cy <= client.bottom)
        << "needs " << need.cx << "x" << need.cy << " px, has " << client.right << "x"
        << client.bottom;
    for (std::size_t end = text.find(L'\n'); end != std::wstring::npos;
         end = text.find(L'\n', end + 1)) {
        if (end + 1 >= text.size() || text[end + 1] != L' ') continue;
        const std::size_t start = end == 0 ? 0 : text.rfind(L'\n', end - 1) + 1;
        std::wstring line = text.substr(start, end - start);
        std::erase(line, L'\r');
        EXPECT_LE(Measure(control, font, line, 4000, true).cx, client.right)
            << "breaks " << ::testing::PrintToString(line);
    }
}

// Nothing covers the picture (240 x 320 pixels at (10, 10) on a framed page) or another control
// or leaves the page, but for labels and bullets that stand on purpose in the blank indent of a
// text: template, the lower control ID, the higher.
void ExpectApart(HWND page, int id) {
    static const std::set<std::tuple<int, int, int>> kInIndent = {
        {103, 1177, 1182}, {167, 1194, 1214}, {167, 1194, 1215}};
    const bool framed = (GetWindowLongPtrW(page, GWL_STYLE) & WS_CAPTION) != 0;
    RECT client;
    GetClientRect(page, &client);
    std::vector<std::pair<int, RECT>> children;
    for (HWND c = GetWindow(page, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(c, &rect);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
        children.emplace_back(GetDlgCtrlID(c), rect);
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        const auto& [a_id, a] = children[i];
        EXPECT_TRUE(!framed || a.left >= 250) << "control " << a_id << " covers the picture";
        EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= client.right &&
                    a.bottom <= client.bottom)
            << "control " << a_id << " leaves the page";
        for (std::size_t j = i + 1; j < children.size(); ++j) {
            const auto& [b_id, b] = children[j];
            if (kInIndent.count({id, std::min(a_id, b_id), std::max(a_id, b_id)})) continue;
            RECT both;
            EXPECT_FALSE(IntersectRect(&both, &a, &b))
                << "controls " << a_id << " and " << b_id << " overlap";
        }
    }
}

// What a page's own text table puts into its controls, a label with the longest value a row
// shows, then `more`.
std::vector<Fill> FromTable(const ProgramResources& program, std::span<const pages::PageText> table,
                            std::vector<Fill> more = {}) {
    for (const pages::PageText& entry : table) {
        std::wstring text = program.String(entry.text);
        if (entry.form == pages::TextForm::Labelled) {
            text += L" " + program.String(IDS_LANGUAGE_TCHINESE);
        }
        if (entry.form == pages::TextForm::Number) text = L"4095 " + text;
        more.push_back({entry.control, text,
                        entry.style == pages::TextStyle::Heading ? Font::Heading
                        : entry.style == pages::TextStyle::Bold  ? Font::Bold
                                                                 : Font::Page});
    }
    return more;
}

// Every text each page may put into its controls.
std::map<int, std::vector<Fill>> Fills(const ProgramResources& p) {
    const Fill back{IDC_BACK, p.String(IDS_ZURUECK)};
    const Fill percent{IDC_PROGRESS_PERCENT, L"100"};
    std::map<int, std::vector<Fill>> fills = {
        {IDD_WELCOME, FromTable(p, pages::kWelcomeTexts)},
        {IDD_PREPARATION, FromTable(p, pages::kPreparationTexts, {back})},
        {IDD_CONNECTION, FromTable(p, pages::kConnectionTexts, {back})},
        {IDD_CHECKING_NOTICE, FromTable(p, pages::kCheckingNoticeTexts)},
        {IDD_CONFIRMATION, FromTable(p, pages::kConfirmationTexts, {back})},
        {IDD_UPDATE_READY, FromTable(p, pages::kUpdateReadyTexts, {back})},
        {IDD_BOOT_LOADER_ENTRY, FromTable(p, pages::kBootLoaderEntryTexts, {back})},
        {IDD_POWER_WARNING, FromTable(p, pages::kPowerWarningTexts)},
        {IDD_FILE_EXISTS_WARNING, FromTable(p, pages::kFileExistsTexts)},
        {IDD_BATTERY_DISCONNECT, FromTable(p, pages::kBatteryDisconnectTexts)},
        {IDD_COMPLETION, FromTable(p, pages::kCompletionTexts)},
        {IDD_OPTIONS, FromTable(p, pages::kOptionsTexts, {back})},
        {IDD_UPDATE_PROGRESS, FromTable(p, pages::kUpdateProgressTexts, {percent})},
        {IDD_BACKUP_PROGRESS, FromTable(p, pages::kBackupProgressTexts, {percent})},
        {IDD_INCOMPATIBLE_IMAGE, FromTable(p, pages::kIncompatibleImageTexts)},
        {IDD_UPDATE_ERROR, FromTable(p, pages::kUpdateErrorTexts)},
    };
    for (const pages::ErrorPage& error : pages::kPlainErrorPages) {
        fills[static_cast<int>(error.page)] = FromTable(p, error.spec.texts);
    }
    return fills;
}

TEST(PageLayout, EveryTextFitsItsControlAndNoControlCoversAnother) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    const ProgramResources program;
    ASSERT_NE(program.Module(), nullptr);
    const auto fills = Fills(program);
    ASSERT_EQ(fills.size(), 27u);
    for (const auto& [id, controls] : fills) {
        SCOPED_TRACE("template " + std::to_string(id));
        const HWND page =
            CreateDialogParamW(program.Module(), MAKEINTRESOURCEW(id), nullptr, QuietPage, 0);
        ASSERT_NE(page, nullptr);
        // The fonts a page gives its controls, made by the pages' own font makers.
        const pages::HeadingFont heading = pages::HeadingFont::Make(page);
        const win32::OwnedFont bold = pages::MakeWeightedPageFont(page, FW_BOLD);
        const HFONT fonts[] = {reinterpret_cast<HFONT>(SendMessageW(page, WM_GETFONT, 0, 0)),
                               heading.Get(), bold.Get()};
        for (const Fill& fill : controls) {
            SCOPED_TRACE("control " + std::to_string(fill.control));
            const HWND control = GetDlgItem(page, fill.control);
            ASSERT_NE(control, nullptr);
            ExpectFits(control, fonts[static_cast<int>(fill.font)], fill.text);
        }
        ExpectApart(page, id);
        DestroyWindow(page);
    }
}

}  // namespace
}  // namespace orvo::test
