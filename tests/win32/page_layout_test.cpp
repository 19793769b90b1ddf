// Creates every page template of the built romwizard.exe (hidden), puts the German texts that the
// pages show into their controls and checks that they fit, that nothing covers the picture or
// another control, and that bullets stand beside the lines they mark.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

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

// A bullet square and the line of its text control that it marks (the line that starts with
// `marker`). Bullets without an ID are counted in template order.
struct Bullet {
    int id;
    int ordinal;
    int control;
    int text;
    std::wstring marker;
};

INT_PTR CALLBACK QuietPage(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

class Page {
  public:
    Page(const ProgramResources& program, int id) {
        const void* raw = program.Raw(RT_DIALOG, id);
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

    std::vector<HWND> Bullets() const {
        std::vector<HWND> bullets;
        for (HWND c : Children()) {
            wchar_t name[32] = {};
            GetClassNameW(c, name, 32);
            auto style = static_cast<DWORD>(GetWindowLongPtrW(c, GWL_STYLE));
            if (_wcsicmp(name, L"Static") == 0 && (style & SS_TYPEMASK) == SS_BLACKRECT) {
                bullets.push_back(c);
            }
        }
        return bullets;
    }

  private:
    HWND window_ = nullptr;
};

// A font derived from the page font the way the pages make theirs.
class DerivedFont {
  public:
    DerivedFont(HWND page, Font kind) {
        font_ = reinterpret_cast<HFONT>(SendMessageW(page, WM_GETFONT, 0, 0));
        if (kind == Font::Page || font_ == nullptr) return;
        LOGFONTW description{};
        GetObjectW(font_, sizeof description, &description);
        if (kind == Font::Heading) {
            description.lfHeight = 17;
            description.lfWeight = 900;
            lstrcpynW(description.lfFaceName, L"Arial", LF_FACESIZE);
        } else {
            description.lfWeight = FW_BOLD;
        }
        owned_ = CreateFontIndirectW(&description);
        font_ = owned_;
    }
    ~DerivedFont() {
        if (owned_ != nullptr) DeleteObject(owned_);
    }
    DerivedFont(const DerivedFont&) = delete;
    DerivedFont& operator=(const DerivedFont&) = delete;
    HFONT Get() const { return font_; }

  private:
    HFONT font_ = nullptr;
    HFONT owned_ = nullptr;
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
    std::wstring Label(int id, const std::wstring& value) const { return T(id) + L" " + value; }

    std::map<int, std::vector<Fill>> Fills() const {
        const std::vector<std::wstring> kRomVersion = {Label(11043, L"2.04")};
        const std::wstring kLanguage = Label(11044, T(11143));
        auto error = [&](int heading, int title, int body, int text, int line, int exit) {
            std::vector<Fill> fills = {
                {heading, {T(title)}, Font::Heading}, {body, {T(text)}}, {exit, {T(11048)}}};
            if (line != 0) fills.push_back({line, {T(11074)}});
            return fills;
        };
        const Fill back{1221, {T(11065)}};
        const Fill forward{1, {T(11012)}};
        const Fill cancel{2, {T(11011)}};
        return {
            {103,
             {{1038, {T(11058)}, Font::Heading},
              {-1, {T(11059)}},
              {1073, {T(11060)}},
              {1177, {T(11149)}},
              {1182, {T(11166)}, Font::Bold},
              {1179, {T(11151)}},
              {1209, {T(11182)}},
              {1074, {T(11039)}},
              forward,
              cancel}},
            {121,
             {{1044, {T(11036)}}, {1212, {T(11183)}}, {1047, {T(11039)}}, back, forward, cancel}},
            {161,
             {{1045, {T(11037)}},
              {1046, {T(11038)}},
              {1157, {T(11135)}},
              {1047, {T(11039)}},
              back,
              forward,
              cancel}},
            {122, {{1072, {T(11057)}}}},
            {124,
             {{1048, {T(11041)}},
              {1049, {T(11013)}},
              {1050, kRomVersion},
              {1051, {T(11014)}},
              {1027, {Label(11046, L"2.04")}},
              {1054, {T(11039)}},
              back,
              forward,
              cancel}},
            {130,
             {{1076, {T(11062), T(11063), T(11094), T(11095)}},
              {1129, {T(11108)}},
              {1075, {T(11039)}},
              back,
              forward,
              cancel}},
            {169,
             {{1204, {T(11184)}},
              {1206, {T(11167)}},
              {1207, {T(11185)}},
              {1205, {T(11039)}},
              back,
              forward,
              cancel}},
            {105,
             {{1040, {T(11029)}, Font::Heading},
              {1144, {T(11126)}},
              {1089, {T(11039)}},
              forward,
              cancel}},
            {152, {{1122, {T(11101)}, Font::Heading}, {1123, {T(11102)}}, forward, cancel}},
            {167, {{1193, {T(11155)}}, {1194, {T(11156)}}, {1195, {T(11188)}}, {1181, {T(11012)}}}},
            {133, {{1088, {T(11069)}}, {1, {T(11070)}}}},
            {109,
             {{1064, {T(11051)}},
              {1066, {Label(11042, L"Orvo 4700")}},
              {1067, kRomVersion},
              {1068, {kLanguage}},
              {1065, {T(11052)}},
              {1069, {T(11053)}},
              {1070, {T(11054)}},
              {1072, {T(11172)}},
              {1071, {T(11031)}},
              {1035, {T(11055)}},
              {1036, {T(11056)}},
              {1030, {T(11018)}},
              back,
              cancel}},
            {102,
             {{1043, {T(11033)}},
              {1131, {T(11110)}},
              {1132, {T(11096), T(11097), T(11112), T(11113)}},
              {1023, {L"100"}}}},
            {132,
             {{1087, {T(11177)}},
              {1088, {T(11178)}},
              {1089, {T(11179), T(11180)}},
              {1023, {L"100"}}}},
            {138, error(1091, 11075, 1135, 11116, 1092, 2)},
            {139, error(1093, 11076, 1137, 11117, 1094, 2)},
            {140, error(1095, 11077, 1136, 11118, 1096, 2)},
            {141, error(1097, 11078, 1141, 11119, 1098, 2)},
            {144, error(1106, 11083, 1142, 11121, 1107, 2)},
            {145,
             [&] {
                 auto fills = error(1108, 11084, 1115, 11089, 1143, 2);
                 fills.push_back({1109, {T(11122)}});
                 return fills;
             }()},
            {147, error(1113, 11088, 1114, 11124, 1149, 2)},
            {151,
             [&] {
                 auto fills = error(1116, 11098, 1138, 11125, 1117, 2);
                 fills.push_back({1118, {T(11099)}});
                 fills.push_back({1119, {T(11100)}});
                 fills.push_back({1120, {L"4095 " + T(11103)}});
                 fills.push_back({1121, {L"255 " + T(11103)}});
                 return fills;
             }()},
            {165, error(1172, 11146, 1173, 11147, 1174, 1175)},
            {268, error(1224, 11189, 1225, 11190, 0, 1175)},
            {269, error(1206, 11173, 1207, 11174, 1208, 1175)},
            {123,
             {{1055, {T(11047)}, Font::Heading},
              {1145, {T(11115)}},
              {1056, {Label(11042, L"Orvo 4700")}},
              {1057, kRomVersion},
              {1058, {kLanguage}},
              {1059, {T(11049)}},
              {1060, {Label(11042, L"Orvo 4700")}},
              {1061, {Label(11046, L"2.04")}},
              {1062, {kLanguage}},
              {1063, {T(11050)}},
              {2, {T(11048)}}}},
            {114,
             {{1039, {T(11028)}, Font::Heading},
              {1147, {T(11127)}},
              {1226, {T(11167)}},
              {1102, {T(11081)}},
              {2, {T(11048)}}}},
        };
    }

    // Calls check(template, control ID, control, font, text) for every text a page shows, with the
    // page created from its template and the control in the font the page gives it.
    template <typename Check>
    void ForEachText(Check check) const {
        for (const auto& [id, controls] : Fills()) {
            Page page(program_, id);
            ASSERT_NE(page.Window(), nullptr) << "template " << id;
            for (const auto& fill : controls) {
                HWND control = page.Control(fill.control);
                ASSERT_NE(control, nullptr) << "template " << id << " control " << fill.control;
                DerivedFont font(page.Window(), fill.font);
                for (const auto& text : fill.texts)
                    check(id, fill.control, control, font.Get(), text);
            }
        }
    }

    ProgramResources program_;
};

TEST_F(PageLayoutTest, EveryTextFitsItsControl) {
    ASSERT_EQ(Fills().size(), 27u);
    ForEachText([](int id, int control_id, HWND control, HFONT font, const std::wstring& text) {
        ASSERT_FALSE(text.empty()) << "template " << id << " control " << control_id;
        RECT client;
        GetClientRect(control, &client);
        // A button needs room for its frame beside the text.
        const bool button = IsButton(control);
        const int margin = button ? 8 : 0;
        SIZE need = Measure(control, font, text, client.right - margin, button);
        EXPECT_TRUE(need.cx + margin <= client.right && need.cy <= client.bottom)
            << "template " << id << " control " << control_id << " needs " << need.cx << "x"
            << need.cy << " px, has " << client.right << "x" << client.bottom;
    });
}

// Lists whose items go on in an indented line are broken by hand; a further break inside such an
// item would leave a stray word on a line of its own.
TEST_F(PageLayoutTest, LinesBrokenByHandAreNotBrokenAgain) {
    ForEachText([](int id, int control_id, HWND control, HFONT font, const std::wstring& text) {
        RECT client;
        GetClientRect(control, &client);
        std::vector<std::wstring> lines(1);
        for (wchar_t c : text) {
            if (c == L'\n') {
                lines.emplace_back();
            } else if (c != L'\r') {
                lines.back().push_back(c);
            }
        }
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
            if (lines[i + 1].empty() || lines[i + 1][0] != L' ') continue;
            EXPECT_LE(Measure(control, font, lines[i], 4000, true).cx, client.right)
                << "template " << id << " control " << control_id << " breaks "
                << testing::PrintToString(lines[i]);
        }
    });
}

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

TEST_F(PageLayoutTest, HeadingIsTopmostAndButtonsSitInOneRowAtTheBottomRight) {
    const std::map<int, int> headings = {{103, 1038}, {105, 1040}, {152, 1122}, {138, 1091},
                                         {139, 1093}, {140, 1095}, {141, 1097}, {144, 1106},
                                         {145, 1108}, {147, 1113}, {151, 1116}, {165, 1172},
                                         {268, 1224}, {269, 1206}, {123, 1055}, {114, 1039}};
    for (const auto& [id, controls] : Fills()) {
        SCOPED_TRACE("template " + std::to_string(id));
        Page page(program_, id);
        ASSERT_NE(page.Window(), nullptr);
        if ((GetWindowLongPtrW(page.Window(), GWL_STYLE) & WS_CAPTION) == 0) continue;
        if (auto heading = headings.find(id); heading != headings.end()) {
            const int top = page.Rect(page.Control(heading->second)).top;
            for (HWND child : page.Children()) {
                EXPECT_GE(page.Rect(child).top, top) << "control " << GetDlgCtrlID(child);
            }
        }
        // Back, forward, exit: whichever the page has, left to right on one line.
        std::vector<RECT> row;
        for (int button : {1221, 1, 1181, 2, 1175}) {
            if (HWND b = page.Control(button)) row.push_back(page.Rect(b));
        }
        ASSERT_FALSE(row.empty());
        RECT client;
        GetClientRect(page.Window(), &client);
        for (std::size_t i = 1; i < row.size(); ++i) {
            EXPECT_EQ(row[i].top, row[0].top);
            EXPECT_GT(row[i].left, row[i - 1].left);
        }
        EXPECT_GE(row.back().right, client.right - 16);
        EXPECT_GE(row.back().bottom, client.bottom - 16);
    }
}

TEST_F(PageLayoutTest, BulletsStandBesideTheLinesTheyMark) {
    const std::vector<std::pair<int, Bullet>> bullets = {
        {103, {-1, 0, 1073, 11060, L"Das Erstellen"}},
        {103, {-1, 1, 1073, 11060, L"Das ROM-Image auf"}},
        {130, {-1, 0, 1129, 11108, L"Die Statusleiste"}},
        {130, {-1, 1, 1129, 11108, L"Je nach Verbindung"}},
        {130, {-1, 2, 1129, 11108, L"Der Abschlussbildschirm"}},
        {130, {-1, 3, 1129, 11108, L"Das Feld mit"}},
        {169, {1214, 0, 1206, 11167, L"Drücken und halten"}},
        {169, {1213, 0, 1206, 11167, L"Halten Sie diese"}},
        {114, {1227, 0, 1226, 11167, L"Drücken und halten"}},
        {114, {1228, 0, 1226, 11167, L"Halten Sie diese"}},
        {167, {1214, 0, 1194, 11156, L"Drücken und halten"}},
        {167, {1215, 0, 1194, 11156, L"Halten Sie den"}},
    };
    for (const auto& [id, bullet] : bullets) {
        SCOPED_TRACE("template " + std::to_string(id) + " bullet " + std::to_string(bullet.id) +
                     "/" + std::to_string(bullet.ordinal));
        Page page(program_, id);
        ASSERT_NE(page.Window(), nullptr);
        HWND square = nullptr;
        if (bullet.id != -1) {
            square = page.Control(bullet.id);
        } else if (auto all = page.Bullets(); bullet.ordinal < static_cast<int>(all.size())) {
            square = all[bullet.ordinal];
        }
        ASSERT_NE(square, nullptr);
        HWND control = page.Control(bullet.control);
        ASSERT_NE(control, nullptr);
        const std::wstring text = T(bullet.text);
        const auto at = text.find(bullet.marker);
        ASSERT_NE(at, std::wstring::npos);
        DerivedFont font(page.Window(), Font::Page);
        RECT client;
        GetClientRect(control, &client);
        const int line = Measure(control, font.Get(), L"X", client.right, false).cy;
        const int line_top =
            Measure(control, font.Get(), text.substr(0, at) + L"X", client.right, false).cy - line;
        const RECT box = page.Rect(control);
        const RECT mark = page.Rect(square);
        const int centre = (mark.top + mark.bottom) / 2 - box.top;
        EXPECT_GE(centre, line_top);
        EXPECT_LT(centre, line_top + line);
        // Left of the line's first word: in its indent of blanks, or just left of the control.
        const auto line_start = at == 0 ? 0 : text.rfind(L'\n', at - 1) + 1;
        const std::wstring indent = text.substr(line_start, at - line_start);
        const int room = indent.empty()
                             ? 0
                             : Measure(control, font.Get(), indent + L"X", 2000, true).cx -
                                   Measure(control, font.Get(), L"X", 2000, true).cx;
        EXPECT_LE(mark.right, box.left + room);
        EXPECT_GE(mark.right, box.left + room - 20);
    }
}

TEST_F(PageLayoutTest, BoldLabelFitsInTheIndentOfTheWarning) {
    Page page(program_, 103);
    ASSERT_NE(page.Window(), nullptr);
    HWND warning = page.Control(1177);
    DerivedFont plain(page.Window(), Font::Page);
    DerivedFont bold(page.Window(), Font::Bold);
    const std::wstring warning_text = T(11149);
    const auto indent = warning_text.find_first_not_of(L' ');
    ASSERT_EQ(indent, 18u);
    const int room =
        Measure(warning, plain.Get(), std::wstring(indent, L' ') + L"X", 2000, true).cx -
        Measure(warning, plain.Get(), L"X", 2000, true).cx;
    EXPECT_LT(Measure(warning, bold.Get(), T(11166), 2000, true).cx, room);
}

}  // namespace
}  // namespace orvo::test
