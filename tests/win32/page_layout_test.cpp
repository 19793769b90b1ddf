// Creates every page template of the built romwizard.exe (hidden), puts the German texts that the
// pages show into their controls and checks that each is there and fits, and that nothing covers
// the picture or another control or leaves the page.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
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

// One control and every text a page may put into it.
struct Fill {
    int control;
    std::vector<std::wstring> texts;
    Font font = Font::Page;
};

INT_PTR CALLBACK QuietPage(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

class Page {
  public:
    Page(const ProgramResources& program, int id) {
        const void* raw = program.Data(RT_DIALOG, id).data();
        if (raw != nullptr) {
            window_ = CreateDialogIndirectParamW(
                program.Module(), static_cast<LPCDLGTEMPLATEW>(raw), nullptr, QuietPage, 0);
        }
    }
    ~Page() {
        if (window_ != nullptr) DestroyWindow(window_);
    }
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    HWND Window() const { return window_; }
    HWND Control(int id) const { return GetDlgItem(window_, id); }

    // A child's rectangle in the page's client coordinates.
    RECT Rect(HWND child) const {
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    std::vector<HWND> Children() const {
        std::vector<HWND> children;
        for (HWND c = GetWindow(window_, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
            children.push_back(c);
        }
        return children;
    }

  private:
    HWND window_ = nullptr;
};

// The font a page gives a control, made by the pages' own font makers.
class PageFont {
  public:
    PageFont(HWND page, Font kind) {
        font_ = reinterpret_cast<HFONT>(SendMessageW(page, WM_GETFONT, 0, 0));
        if (kind == Font::Heading) {
            heading_ = pages::HeadingFont::Make(page);
            font_ = heading_.Get();
        } else if (kind == Font::Bold) {
            bold_ = pages::MakeWeightedPageFont(page, FW_BOLD);
            font_ = bold_.Get();
        }
    }
    HFONT Get() const { return font_; }

  private:
    HFONT font_ = nullptr;
    pages::HeadingFont heading_;
    win32::OwnedFont bold_;
};

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

bool IsButton(HWND control) {
    wchar_t name[32] = {};
    GetClassNameW(control, name, 32);
    return _wcsicmp(name, L"Button") == 0;
}

class PageLayoutTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
    }
    void SetUp() override { ASSERT_NE(program_.Module(), nullptr); }

    std::wstring T(int id) const { return program_.String(id).value_or(L""); }

    // What a page's own text table puts into its controls, then `more`: every text listed for a
    // control, a label with the longest value a row shows.
    std::vector<Fill> FromTable(std::span<const pages::PageText> table,
                                std::vector<Fill> more = {}) const {
        for (const pages::PageText& entry : table) {
            std::wstring text = T(entry.text);
            if (entry.form == pages::TextForm::Labelled) text += L" " + T(IDS_LANGUAGE_TCHINESE);
            if (entry.form == pages::TextForm::Number) text = L"4095 " + text;
            auto same = std::find_if(more.begin(), more.end(), [&](const Fill& fill) {
                return fill.control == entry.control;
            });
            if (same != more.end()) {
                same->texts.push_back(text);
                continue;
            }
            const Font font = entry.style == pages::TextStyle::Heading ? Font::Heading
                              : entry.style == pages::TextStyle::Bold  ? Font::Bold
                                                                       : Font::Page;
            more.push_back({entry.control, {text}, font});
        }
        return more;
    }

    // Every text each page may put into its controls.
    std::map<int, std::vector<Fill>> Fills() const {
        const Fill back{IDC_BACK, {T(IDS_ZURUECK)}};
        std::map<int, std::vector<Fill>> fills = {
            {IDD_WELCOME, FromTable(pages::kWelcomeTexts)},
            {IDD_PREPARATION, FromTable(pages::kPreparationTexts, {back})},
            {IDD_CONNECTION, FromTable(pages::kConnectionTexts, {back})},
            {IDD_CHECKING_NOTICE, FromTable(pages::kCheckingNoticeTexts)},
            {IDD_CONFIRMATION, FromTable(pages::kConfirmationTexts, {back})},
            {IDD_UPDATE_READY, FromTable(pages::kUpdateReadyTexts, {back})},
            {IDD_BOOT_LOADER_ENTRY, FromTable(pages::kBootLoaderEntryTexts, {back})},
            {IDD_POWER_WARNING, FromTable(pages::kPowerWarningTexts)},
            {IDD_FILE_EXISTS_WARNING, FromTable(pages::kFileExistsTexts)},
            {IDD_BATTERY_DISCONNECT, FromTable(pages::kBatteryDisconnectTexts)},
            {IDD_COMPLETION, FromTable(pages::kCompletionTexts)},
            {IDD_OPTIONS, FromTable(pages::kOptionsTexts, {back})},
            {IDD_UPDATE_PROGRESS,
             FromTable(pages::kUpdateProgressTexts, {{IDC_PROGRESS_PERCENT, {L"100"}}})},
            {IDD_BACKUP_PROGRESS,
             FromTable(pages::kBackupProgressTexts, {{IDC_PROGRESS_PERCENT, {L"100"}}})},
            {IDD_INCOMPATIBLE_IMAGE, FromTable(pages::kIncompatibleImageTexts)},
            {IDD_UPDATE_ERROR, FromTable(pages::kUpdateErrorTexts)},
        };
        for (const pages::ErrorPage& error : pages::kPlainErrorPages) {
            fills[static_cast<int>(error.page)] = FromTable(error.spec.texts);
        }
        return fills;
    }

    ProgramResources program_;
};

// Every text fits its control. Lists whose items go on in an indented line are broken by hand; a
// further break inside such an item would leave a stray word on a line of its own.
TEST_F(PageLayoutTest, EveryTextFitsItsControlAndLinesBrokenByHandStayWhole) {
    const auto fills = Fills();
    ASSERT_EQ(fills.size(), 27u);
    for (const auto& [id, controls] : fills) {
        Page page(program_, id);
        ASSERT_NE(page.Window(), nullptr) << "template " << id;
        for (const auto& fill : controls) {
            SCOPED_TRACE("template " + std::to_string(id) + " control " +
                         std::to_string(fill.control));
            HWND control = page.Control(fill.control);
            ASSERT_NE(control, nullptr);
            PageFont font(page.Window(), fill.font);
            RECT client;
            GetClientRect(control, &client);
            // A button needs room for its frame beside the text.
            const bool button = IsButton(control);
            const int margin = button ? 8 : 0;
            for (const auto& text : fill.texts) {
                ASSERT_FALSE(text.empty());
                SIZE need = Measure(control, font.Get(), text, client.right - margin, button);
                EXPECT_TRUE(need.cx + margin <= client.right && need.cy <= client.bottom)
                    << "needs " << need.cx << "x" << need.cy << " px, has " << client.right << "x"
                    << client.bottom;
                for (std::size_t end = text.find(L'\n'); end != std::wstring::npos;
                     end = text.find(L'\n', end + 1)) {
                    if (end + 1 >= text.size() || text[end + 1] != L' ') continue;
                    const std::size_t start = end == 0 ? 0 : text.rfind(L'\n', end - 1) + 1;
                    std::wstring line = text.substr(start, end - start);
                    std::erase(line, L'\r');
                    EXPECT_LE(Measure(control, font.Get(), line, 4000, true).cx, client.right)
                        << "breaks " << testing::PrintToString(line);
                }
            }
        }
    }
}

// Nothing covers the picture or another control or leaves the page.
TEST_F(PageLayoutTest, ControlsLeaveThePictureFreeAndDoNotOverlap) {
    // Labels and bullets that stand on purpose in the blank indent of a text: template, the lower
    // control ID, the higher.
    const std::set<std::tuple<int, int, int>> kInIndent = {
        {103, 1177, 1182}, {167, 1194, 1214}, {167, 1194, 1215}};
    for (const auto& [id, controls] : Fills()) {
        SCOPED_TRACE("template " + std::to_string(id));
        Page page(program_, id);
        ASSERT_NE(page.Window(), nullptr);
        const bool framed = (GetWindowLongPtrW(page.Window(), GWL_STYLE) & WS_CAPTION) != 0;
        RECT client;
        GetClientRect(page.Window(), &client);
        const auto children = page.Children();
        for (std::size_t i = 0; i < children.size(); ++i) {
            RECT a = page.Rect(children[i]);
            const int a_id = GetDlgCtrlID(children[i]);
            // The picture takes 240 x 320 pixels at (10, 10).
            if (framed) {
                EXPECT_GE(a.left, 250) << "control " << a_id;
            }
            EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= client.right &&
                        a.bottom <= client.bottom)
                << "control " << a_id << " leaves the page";
            for (std::size_t j = i + 1; j < children.size(); ++j) {
                const int b_id = GetDlgCtrlID(children[j]);
                if (kInIndent.count({id, std::min(a_id, b_id), std::max(a_id, b_id)})) continue;
                RECT b = page.Rect(children[j]);
                RECT both;
                EXPECT_FALSE(IntersectRect(&both, &a, &b))
                    << "controls " << a_id << " and " << b_id << " overlap";
            }
        }
    }
}

}  // namespace
}  // namespace orvo::test
