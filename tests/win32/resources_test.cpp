// Reads the resources of the built romwizard.exe back: string table, page templates, pictures,
// icon, manifest and version record.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "shell/message_catalogue.h"
#include "win32/program_resources.h"

namespace orvo::test {
namespace {

// IDs the program loads but for which it has no text: they must read as the empty text.
const std::set<int> kAbsentIds = {11030, 11034, 11045, 11061, 11064, 11092, 11093, 11104, 11109,
                                  11111, 11114, 11132, 11136, 11137, 11168, 11169, 11170, 11175};

class ResourcesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(program_.Module(), nullptr)
            << "romwizard.exe not found at " << testing::PrintToString(program_.ProgramPath());
    }
    std::wstring Text(int id) const { return program_.String(id).value_or(L"<missing>"); }
    DialogTemplate Template(int id) const {
        return ParseDialogTemplate(program_.Data(RT_DIALOG, id));
    }

    ProgramResources program_;
};

TEST_F(ResourcesTest, TheCatalogueRangeHoldsTheTextsExceptTheOnesWithout) {
    for (int id : kCatalogueIds) {
        bool present = program_.String(id).has_value();
        if (kAbsentIds.count(id)) {
            EXPECT_FALSE(present) << "string " << id;
        }
        // Strings live in blocks of 16; the block must be the German one.
        if (present) {
            EXPECT_FALSE(program_.Data(RT_STRING, id / 16 + 1).empty()) << "string " << id;
        }
    }
    // Nothing beyond the catalogue hides in the table.
    for (int id = 11000; id < 11200; ++id) {
        if (std::find(kCatalogueIds.begin(), kCatalogueIds.end(), id) == kCatalogueIds.end()) {
            EXPECT_FALSE(program_.String(id).has_value()) << "string " << id;
        }
    }
}

TEST_F(ResourcesTest, TextsKeepBlanksQuotesLineBreaksAndUmlauts) {
    EXPECT_EQ(Text(11035), L" Varnel Orvo Pocket PC Veltro V2.50.09");
    EXPECT_EQ(Text(11028), L"FEHLER 113:  UPDATE-FEHLER");
    EXPECT_EQ(Text(11149), std::wstring(18, L' ') +
                               L"Wenn Sie dieses Update installieren, werden alle Daten auf Ihrem "
                               L"Orvo Pocket PC gelöscht, einschließlich der Daten im Orvo File "
                               L"Store.  Lesen Sie die wichtigen Hinweise in der Readme-Datei, "
                               L"bevor Sie fortfahren.");
    EXPECT_EQ(Text(11039),
              L"Klicken Sie auf \"Weiter\", um fortzufahren. Klicken Sie auf \"Abbrechen\", um den "
              L"Vorgang abzubrechen.");
    EXPECT_EQ(Text(11190),
              L"Ihr Orvo Pocket PC konnte nicht identifiziert werden. \r\n\n\nFühren Sie auf Ihrem "
              L"Orvo Pocket PC einen normalen Reset aus, und führen Sie das Veltro erneut aus.");
    EXPECT_EQ(Text(11089),
              L"Das Veltro kann das aktuelle ROM-Image nicht sichern.\r\n\r\nÜberprüfen Sie "
              L"Folgendes:\r\n\r\n1. Überprüfen Sie, auf welches Ziellaufwerk Sie die Daten "
              L"sichern.\r\n2. Überprüfen Sie, ob auf dem Ziellaufwerk genügend Speicherplatz "
              L"zur\n    Verfügung steht.\r\n3. Löschen Sie die unvollständige Sicherungskopie des "
              L"ROM-Image vom PC.\r\n4. Führen Sie das Veltro noch einmal aus, und versuchen Sie, "
              L"die\n    Funktion Sichern erneut auszuführen.");
    EXPECT_EQ(Text(11166), L"Achtung :");
    EXPECT_EQ(Text(IDS_LANGUAGE_PORTUGUESE), L"Portugiesisch");
    EXPECT_EQ(Text(11033), L"Das ROM-Image auf Ihrem Orvo Pocket PC wird aktualisiert... ");
    EXPECT_EQ(Text(11046), L"ROM-Version:");
    // Texts that several IDs carry stay equal.
    for (std::vector<int> same : {std::vector{11062, 11063, 11094, 11095},
                                  std::vector{11043, 11046}, std::vector{11110, 11178}}) {
        for (int id : same) EXPECT_EQ(Text(id), Text(same[0])) << id;
    }
}

// What a control of a template must be.
enum class Kind { Text, CentredText, Bullet, Button, DefaultButton, CheckBox, Progress, Picture };

struct ControlSpec {
    int id;
    Kind kind;
};

struct TemplateSpec {
    int id;
    std::vector<ControlSpec> controls;
    std::vector<int> absent;  // controls this page must not have
    int bullets;              // black squares, named or not
    int cx = 0, cy = 0;       // the exact size of a page without a title bar
};

const ControlSpec kBack{1221, Kind::Button};
const ControlSpec kForward{1, Kind::DefaultButton};
const ControlSpec kCancel{2, Kind::Button};

// The frame of each template and the controls whose kind matters beyond the texts that the
// pages' own tables place (the layout test finds those in every template).
std::vector<TemplateSpec> Templates() {
    auto error_page = [](int id, int exit) {
        return TemplateSpec{id,
                            {{exit, Kind::Button}},
                            exit == 2 ? std::vector<int>{1, 1221} : std::vector<int>{1, 2, 1221},
                            0};
    };
    const std::vector<ControlSpec> nav = {kBack, kForward, kCancel};
    return {
        {103, {{1203, Kind::CheckBox}, {1209, Kind::Button}, kForward, kCancel}, {1221}, 2},
        {121, {{-1, Kind::Picture}, kBack, kForward, kCancel}, {}, 0},
        {161, nav, {}, 0},
        {122, {{1072, Kind::CentredText}}, {1, 2}, 0, 279, 35},
        {124, nav, {}, 0},
        {130, nav, {}, 4},
        {169, {{1213, Kind::Bullet}, {1214, Kind::Bullet}, kBack, kForward, kCancel}, {}, 2},
        {105, {kForward, kCancel}, {1221}, 0},
        {152, {kForward, kCancel}, {1221}, 0},
        {167,
         {{1214, Kind::Bullet}, {1215, Kind::Bullet}, {1181, Kind::DefaultButton}},
         {1, 2, 1221},
         2},
        {133, {kForward}, {2, 1221}, 0},
        {109,
         {{1035, Kind::Button}, {1036, Kind::Button}, {1030, Kind::Button}, kBack, kCancel},
         {1},
         0},
        {102, {{1020, Kind::Progress}, {1023, Kind::Text}}, {1, 2}, 0, 339, 95},
        {132, {{1020, Kind::Progress}, {1023, Kind::Text}}, {1, 2}, 0, 355, 94},
        error_page(138, 2),
        error_page(139, 2),
        error_page(140, 2),
        error_page(141, 2),
        error_page(144, 2),
        error_page(145, 2),
        error_page(147, 2),
        error_page(151, 2),
        error_page(165, 1175),
        error_page(268, 1175),
        error_page(269, 1175),
        error_page(123, 2),
        {114, {{1227, Kind::Bullet}, {1228, Kind::Bullet}, kCancel}, {1, 1221}, 2},
    };
}

bool IsKind(const DialogItem& item, Kind kind) {
    const DWORD static_type = item.style & SS_TYPEMASK;
    const DWORD button_type = item.style & BS_TYPEMASK;
    switch (kind) {
        case Kind::Text:
            return item.window_class == L"Static" &&
                   (static_type == SS_LEFT || static_type == SS_RIGHT);
        case Kind::CentredText:
            return item.window_class == L"Static" && static_type == SS_CENTER;
        case Kind::Bullet:
            return item.window_class == L"Static" && static_type == SS_BLACKRECT && item.cx == 4 &&
                   item.cy == 4;
        case Kind::Button:
            return item.window_class == L"Button" && button_type == BS_PUSHBUTTON;
        case Kind::DefaultButton:
            return item.window_class == L"Button" && button_type == BS_DEFPUSHBUTTON;
        case Kind::CheckBox:
            return item.window_class == L"Button" && button_type == BS_AUTOCHECKBOX;
        case Kind::Progress:
            return _wcsicmp(item.window_class.c_str(), L"msctls_progress32") == 0;
        case Kind::Picture:
            return item.window_class == L"Static" && static_type == SS_BITMAP &&
                   item.text_ordinal == 157;
    }
    return false;
}

const DialogItem* FindKind(const DialogTemplate& dialog, const ControlSpec& spec) {
    for (const auto& item : dialog.items) {
        if (item.id == spec.id && IsKind(item, spec.kind)) return &item;
    }
    return nullptr;
}

TEST_F(ResourcesTest, EveryPageTemplateHasItsFrameAndControls) {
    const auto specs = Templates();
    ASSERT_EQ(specs.size(), 27u);
    for (const auto& spec : specs) {
        SCOPED_TRACE("template " + std::to_string(spec.id));
        DialogTemplate dialog = Template(spec.id);
        ASSERT_TRUE(dialog.extended);
        EXPECT_EQ(dialog.face, L"Arial");
        EXPECT_EQ(dialog.point_size, 8);
        const DWORD title_bar = WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        if (spec.cx == 0) {
            EXPECT_EQ(dialog.style & title_bar, title_bar);
            EXPECT_EQ(dialog.caption, Text(11035));
            EXPECT_TRUE(dialog.cx >= 410 && dialog.cx <= 437 && dialog.cy >= 195 &&
                        dialog.cy <= 211)
                << dialog.cx << " x " << dialog.cy;
        } else {
            EXPECT_NE(dialog.style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
            EXPECT_EQ(dialog.style & WS_SYSMENU, 0u);
            EXPECT_EQ(dialog.cx, spec.cx);
            EXPECT_EQ(dialog.cy, spec.cy);
        }
        for (const auto& control : spec.controls) {
            EXPECT_NE(FindKind(dialog, control), nullptr) << "control " << control.id;
        }
        for (int id : spec.absent) {
            EXPECT_EQ(dialog.Find(id), nullptr) << "control " << id;
        }
        auto bullets = std::count_if(dialog.items.begin(), dialog.items.end(),
                                     [](const DialogItem& i) { return IsKind(i, Kind::Bullet); });
        EXPECT_EQ(bullets, spec.bullets);
        // Forward starts disabled only where the page unlocks it.
        if (const DialogItem* forward = dialog.Find(1)) {
            EXPECT_EQ((forward->style & WS_DISABLED) != 0, spec.id == 103 || spec.id == 169);
        }
    }
}

TEST_F(ResourcesTest, TemplateButtonsAndFixedTextsReadAsThePageExpects) {
    const std::tuple<int, int, std::wstring> texts[] = {
        {121, 1221, L"Zurück"},  {103, 1, L"Weiter"}, {103, 2, L"Abbrechen"}, {138, 2, L"Beenden"},
        {165, 1175, L"Beenden"}, {102, 1023, L"0"},   {132, 1023, L"0"}};
    for (const auto& [id, control, text] : texts) {
        const DialogTemplate dialog = Template(id);
        const DialogItem* item = dialog.Find(control);
        EXPECT_EQ(item ? item->text : L"<none>", text) << id << "/" << control;
    }
    for (int id : {102, 132}) {
        const auto items = Template(id).items;
        EXPECT_TRUE(std::any_of(items.begin(), items.end(), [](const DialogItem& i) {
            return i.text == L"%";
        })) << id;
    }
    // The page fills "the first text control with the ID -1": that must be a text, not a bullet.
    DialogTemplate welcome = Template(103);
    const DialogItem* first = welcome.Find(-1);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(IsKind(*first, Kind::Text));
    // The bold label sits over the indent of the warning, which starts at the same place.
    const DialogItem* label = welcome.Find(1182);
    const DialogItem* warning = welcome.Find(1177);
    ASSERT_TRUE(label && warning);
    EXPECT_EQ(label->x, warning->x);
    EXPECT_EQ(label->y, warning->y);
}

struct PictureSpec {
    int id, width, height, bits;
};

TEST_F(ResourcesTest, PicturesHaveTheirSizesDepthsAndAreDrawn) {
    for (PictureSpec spec : {PictureSpec{171, 240, 320, 8}, PictureSpec{169, 240, 320, 8},
                             PictureSpec{157, 120, 75, 4}}) {
        SCOPED_TRACE("bitmap " + std::to_string(spec.id));
        auto data = program_.Data(RT_BITMAP, spec.id);
        ASSERT_GE(data.size(), sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER info;
        std::copy_n(data.data(), sizeof info, reinterpret_cast<std::uint8_t*>(&info));
        EXPECT_EQ(info.biWidth, spec.width);
        EXPECT_EQ(std::abs(info.biHeight), spec.height);
        EXPECT_EQ(info.biBitCount, spec.bits);
        EXPECT_EQ(info.biCompression, static_cast<DWORD>(BI_RGB));
        // A picture, not a blank: many pixels differ from the first one.
        std::size_t colours = info.biClrUsed ? info.biClrUsed : (1u << spec.bits);
        std::size_t offset = info.biSize + colours * sizeof(RGBQUAD);
        ASSERT_LT(offset, data.size());
        std::size_t differing = std::count_if(data.begin() + static_cast<long>(offset), data.end(),
                                              [&](std::uint8_t b) { return b != data[offset]; });
        EXPECT_GT(differing, (data.size() - offset) / 4);
    }
}

TEST_F(ResourcesTest, IconHasLargeAndSmallImages) {
    auto group = program_.Data(RT_GROUP_ICON, 150);
    ASSERT_GE(group.size(), 6u);
    int count = group[4] | group[5] << 8;
    std::set<int> sizes;
    for (int i = 0; i < count; ++i) {
        ASSERT_GE(group.size(), 6u + 14u * (i + 1));
        int width = group[6 + 14 * i];
        sizes.insert(width == 0 ? 256 : width);
    }
    EXPECT_TRUE(sizes.count(32));
    EXPECT_TRUE(sizes.count(16));
    HICON icon = static_cast<HICON>(
        LoadImageW(program_.Module(), MAKEINTRESOURCEW(150), IMAGE_ICON, 32, 32, 0));
    EXPECT_NE(icon, nullptr);
    if (icon != nullptr) DestroyIcon(icon);
}

TEST_F(ResourcesTest, ManifestAsksForVisualStylesDpiAwarenessAndNoElevation) {
    auto data = program_.Data(RT_MANIFEST, 1);
    std::string manifest(data.begin(), data.end());
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
}

TEST_F(ResourcesTest, VersionRecordNamesTheProductInGerman) {
    auto data = program_.Data(RT_VERSION, 1);
    ASSERT_FALSE(data.empty());
    const DWORD signature = 0xFEEF04BD;
    auto fixed =
        std::search(data.begin(), data.end(), reinterpret_cast<const std::uint8_t*>(&signature),
                    reinterpret_cast<const std::uint8_t*>(&signature) + 4);
    ASSERT_NE(fixed, data.end());
    VS_FIXEDFILEINFO info;
    ASSERT_LE(static_cast<std::size_t>(fixed - data.begin()) + sizeof info, data.size());
    std::copy_n(fixed, sizeof info, reinterpret_cast<std::uint8_t*>(&info));
    EXPECT_EQ(info.dwFileVersionMS, MAKELONG(50, 2));
    EXPECT_EQ(info.dwFileVersionLS, MAKELONG(0, 9));
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / 2);
    EXPECT_NE(text.find(L"040704B0"), std::wstring::npos);
    auto product = text.find(L"ProductName");
    ASSERT_NE(product, std::wstring::npos);
    EXPECT_EQ(text.find(L"Veltro", product), text.find(L'V', product + 11));
}

}  // namespace
}  // namespace orvo::test
