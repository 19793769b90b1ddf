// The whole wizard as roads: the world it meets, the user's answer on every page, and the pages
// that must show in their order, with what the flow leaves behind. Then the texts it shows and
// where its window goes.

#include "activesync/activesync_registry.h"
#include "base/centre.h"
#include "bootlink/boot_port.h"
#include "fakes/fake_environment.h"
#include "fakes/fake_files.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_registry.h"
#include "unit/test_support.h"
#include "shell/flash_settings.h"
#include "shell/message_catalogue.h"
#include "shell/wizard_flow.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

namespace orvo::testing {
namespace {

// What the user does on a page; on the Update progress page, how many downloads completed.
struct Shown {
    Page page;
    int result = 0, downloads = 0;
    bool exit = false, back = false;
};

// An image file for the handheld, an Orvo 4700 "NBT" "GER" with 32 MB of flash.
struct Image {
    std::string rom = "NBT", model = "Orvo 4700", lang = "GER";
    std::uint32_t kb = 8;
    bool bad_sum = false;
};
constexpr std::uint32_t kFlashKB = 32 * 1024;
const std::map<std::string, Image> kImages = {
    {"fits", {}},
    {"wbt", {.rom = "WBT"}},
    {"eng", {.lang = "ENG"}},
    {"wbt4701", {.rom = "WBT", .model = "Orvo 4701"}},
    {"bad", {.rom = "WBT", .bad_sum = true}},
    {"4701eng", {.model = "Orvo 4701", .lang = "ENG"}},
    {"engbig", {.lang = "ENG", .kb = kFlashKB + 2047}},
    {"largest", {.rom = "nbt", .model = "ORVO 4700", .lang = "ger", .kb = kFlashKB + 1023}},
    {"empty", {.kb = 0}},
    {"big", {.kb = kFlashKB + 1024}}};

// A road, one a line: the pages in their order, each a code or a template number, with what the
// user does: "<" Zurück, "!" Abbrechen, "=N" the page's end code, "/N" downloads completed. "~N"
// is the handheld's next power answer ("~?": none). "+" the world: B ActiveSync does not connect,
// R an unfinished update is recorded, N the PC is not NT; then what must be so at the end: C the
// update completed, L its record left. Images of kImages: "r:" chosen in the open dialog (none:
// Abbrechen), "m:" the recorded one (none: a missing file), "d:" the delivered one ("fits" unless
// named; "d:-" none). "w:" the image the update wrote, without ".nbf"; "x:" the refusal ("rom",
// "model" or "lang"). The acceptance checks (checksum to language) are in their order: each
// image would fail the later checks too.
constexpr const char* kRoads = R"(
W!  # Abbrechen on Welcome
W P C O=0 O!  # Enter on Options shows it again
W P C O=1000 ~? ~1 Bp O=1000 ~1 ~0 Pw=0 Bp O!  # Sichern on mains (the first answer ignored)
W P C O=1035 Cf U< Cf U ~1 ~0 Pw=2  # Zurück on Update-ready, Abbrechen on the Power warning
W P C O=1035 Cf U B Up=1/2 Bd Cm +C w:delivered  # Aktualisieren to the end
W P C O=1035 Cf U B Up=1/1 114 +L w:delivered  # ends with 1 after one download: no success
W P C O=1035 Cf U B Up=2/2 114 w:delivered  # watchdog after both downloads: no success
W P C O=1036 Cf U B Up=1/2 Bd Cm +NC r:fits w:restore  # Wiederherstellen to the end, not on NT
W P C O=1036 139 r:bad  # checksum
W P C O=1036 123 r:wbt4701 x:rom  # ROM type
W P C O=1036 123 r:4701eng x:model  # model
W P C O=1036 123 r:engbig x:lang  # language
W P C O=1035 Cf< O=1036 141 r:empty  # an unreadable restore, after the delivered image's header
W P C O=1036 Cf! r:largest  # 33,791 KB fit 32 MB of flash, letter case ignored
W P C O=1036 Cf< O=1035 151 r:fits d:big  # Aktualisieren measures its own image, not the restore
O! +R m:fits  # recorded update, ActiveSync connected: the record is forgotten
W P C 140 +B d:-  # boot loader, no image
W P C 123 +B d:wbt x:rom  # boot loader, delivered image of another ROM type
W P C 123 +B d:eng x:lang  # boot loader, delivered image for another language
Cf=1 Up=1/2 Bd Cm +BRC m:fits w:backup  # resume with the remembered image
Cf=1 Up=1/2 Bd Cm +BRC w:delivered  # resume, remembered image missing
Cf=1 Up=1/2 Bd Cm +BRC m:eng w:delivered  # resume, remembered image for another language
Cf=1 Up=1/2 Bd Cm +BRC m:wbt4701 w:delivered  # resume, remembered for another model and ROM type
Cf=1 Up=1/2 Bd Cm +BRC m:wbt w:delivered  # resume, remembered image of another ROM type
Cf! +BRL m:fits  # resume, Abbrechen on Confirmation
)";

struct Script {
    std::vector<Shown> pages;
    std::deque<std::optional<std::uint8_t>> power;
    std::map<char, std::string> tags;  // the world after "+", the rest by their letter
};
Script Parse(const std::string& road) {
    static const std::map<std::string, Page> kCodes = {
        {"W", Page::Welcome},         {"P", Page::Preparation},        {"C", Page::Connection},
        {"O", Page::Options},         {"Cf", Page::Confirmation},      {"U", Page::UpdateReady},
        {"B", Page::BootLoaderEntry}, {"Pw", Page::PowerWarning},      {"Bp", Page::BackupProgress},
        {"Up", Page::UpdateProgress}, {"Bd", Page::BatteryDisconnect}, {"Cm", Page::Completion}};
    Script script;
    std::istringstream words(road);
    for (std::string word; words >> word && word != "#";) {
        if (word[0] == '~') {
            script.power.push_back(word == "~?" ? std::nullopt
                                                : std::optional<std::uint8_t>(word[1] - '0'));
            continue;
        }
        if (word[0] == '+' || word[1] == ':') {
            script.tags[word[0]] = word.substr(word[0] == '+' ? 1 : 2);
            continue;
        }
        const std::string code = word.substr(0, word.find_first_of("<!=/"));
        Shown shown{kCodes.contains(code) ? kCodes.at(code) : static_cast<Page>(std::stoi(code))};
        const auto number_after = [&word](char mark, int otherwise) {
            const std::size_t at = word.find(mark);
            return at == std::string::npos ? otherwise : std::stoi(word.substr(at + 1));
        };
        shown.back = word.find('<') != std::string::npos;
        shown.exit = word.find('!') != std::string::npos;
        shown.result = number_after('=', shown.exit ? 2 : 0);
        shown.downloads = number_after('/', 0);
        script.pages.push_back(shown);
    }
    return script;
}

constexpr std::pair<Page, std::atomic<int> WizardState::*> kBackFlags[] = {
    {Page::Preparation, &WizardState::BackFromPreparation},
    {Page::Connection, &WizardState::BackFromConnection},
    {Page::Options, &WizardState::BackFromOptions},
    {Page::Confirmation, &WizardState::BackFromConfirmation},
    {Page::UpdateReady, &WizardState::BackFromUpdateReady},
    {Page::BootLoaderEntry, &WizardState::BackFromBootLoaderEntry},
};

std::string WriteImage(const testing::TempDir& dir, const std::string& name, const Image& image) {
    std::vector<std::uint8_t> bytes =
        testing::MakeImage({image.model, image.rom, image.lang, "2.04", testing::Payload(64)});
    if (image.bad_sum) bytes.back() ^= 0x5A;
    const std::string path = dir.Write(name, bytes);
    // Zeros add nothing to the checksum.
    std::filesystem::resize_file(path, std::uint64_t{image.kb} * 1024);
    return path;
}

// The wizard in its world: the handheld, its boot loader on COM1, the PC, and the pages.
struct Wizard : LinkRig {
    explicit Wizard(const std::string& road) : script(Parse(road)) {
        link.services.stop_active_sync = [] {};
        // The pages are scripted: no progress page runs the link's watchdog.
        ui.EndWatchdog();
        environment.current_dir = files.Folder();
        files.Write("GetDeviceData.dll", {1});
        files.Write("ZIB_WriteReserveArea.dll", {2});
        std::filesystem::create_directory(files.Path("saved"));
        if (const Image* image = Named('d', "fits")) WriteImage(files, "delivered.nbf", *image);
        const std::string sync = FakeRegistry::Machine(kActiveSyncKeyPath);
        registry.Put(sync, "MajorVersion", RegistryType::Dword, {3, 0, 0, 0});
        registry.Put(sync, "MinorVersion", RegistryType::Dword, {5, 0, 0, 0});
        if (!World('N')) {
            registry.PutText(FakeRegistry::Machine(kWindowsVersionKeyPath), "CurrentVersion",
                             "5.1");
        }
        if (World('R')) {
            WizardState earlier;
            earlier.ImagePath = Named('m') ? WriteImage(files, "saved/backup.nbf", *Named('m'))
                                           : files.Path("saved/gone.nbf");
            SaveFlashSettings(earlier, registry);
        }
        handheld.session = !World('B');
        handheld.power_answers = script.power;
        handheld.device_data = DeviceDataReply(u"2.04.00 GER", u"Model: Orvo -4700NBT", u"32");
        com1->responder = [](const std::string& written) -> std::string {
            if (written.find("Port Test") != std::string::npos) return written + "\n";
            if (written.find("readdata") == std::string::npos) return {};
            std::string record = "Orvo 4700NBTGER2.04";
            record.resize(40, ' ');
            return "QARS " + record + "QARE\r\n";
        };
        ui.ScriptFileDialog(Named('r')
                                ? std::optional(WriteImage(files, "saved/restore.nbf", *Named('r')))
                                : std::nullopt);
        for (const Shown& shown : script.pages)
            ui.Script(shown.page, [this, shown] { return Do(shown); });
    }

    // What the page does before it ends, as the real one would.
    int Do(const Shown& shown) {
        for (const auto& [page, flag] : kBackFlags)
            if (page == shown.page && shown.back) state.*flag = 1;
        if (shown.exit) state.ExitRequested = 1;
        if (shown.page == Page::Confirmation) {
            EXPECT_EQ(state.ConfirmBackEnabled.load(), World('B') ? 0 : 1);
            EXPECT_EQ(ui.NoticesClosed(), ui.NoticesShown()) << "the notice is gone by now";
        }
        if (shown.page == Page::BootLoaderEntry && !shown.back && !shown.exit) {
            EXPECT_EQ(OpenBootPort(link), 1);
        }
        if (shown.page == Page::UpdateProgress) {
            written = state.ImagePath;
            SaveFlashSettings(state, registry);
            link.CompletedDownloads = shown.downloads;
            if (shown.downloads == 2) ClearFlashSettings(registry);
        }
        return shown.result;
    }

    std::string Tag(char tag, const std::string& otherwise = "") const {
        return script.tags.contains(tag) ? script.tags.at(tag) : otherwise;
    }
    bool World(char letter) const { return Tag('+').find(letter) != std::string::npos; }
    const Image* Named(char tag, const std::string& otherwise = "") const {
        const auto found = kImages.find(Tag(tag, otherwise));
        return found == kImages.end() ? nullptr : &found->second;
    }

    const Script script;
    FakeRemoteApi handheld;
    Latin1CodePage code_page;
    FixedPcClock pc_clock;
    DeviceServices device{handheld, clock, code_page, pc_clock, ui, log};
    FakeEnvironment environment;
    FakeRegistry registry;
    FakeProcesses processes;
    FakeFiles pc_files;
    ActiveSyncHost active_sync{registry, processes, clock};
    std::shared_ptr<FakeSerialPort::Behaviour> com1 = ports.Add("COM1");
    std::string written;
};

TEST(Wizard, EveryRoadShowsItsPagesAndLeavesItsTraces) {
    std::istringstream roads(kRoads);
    for (std::string road; std::getline(roads, road);) {
        if (road.empty()) continue;
        SCOPED_TRACE(road);
        Wizard w(road);
        RunWizard(w.state,
                  {w.ui, w.environment, w.registry, w.pc_files, w.device, w.active_sync, w.link});
        const WizardState& state = w.state;

        std::vector<Page> pages;
        for (const Shown& shown : w.script.pages) pages.push_back(shown.page);
        EXPECT_EQ(w.ui.Opened(), pages);
        EXPECT_TRUE(w.ui.CloseRequested());
        EXPECT_GE(w.ui.NoticesClosed(), w.ui.NoticesShown()) << "no notice outlives it";
        for (const auto& [page, flag] : kBackFlags) EXPECT_EQ((state.*flag).load(), 0);

        const bool connected = std::ranges::count(pages, Page::Options) > 0;
        EXPECT_EQ(std::ranges::count(w.handheld.Invokes(), std::u16string(u"GetDeviceData"),
                                     &FakeRemoteApi::InvokeCall::function),
                  connected ? 1 : 0);

        const auto updates = std::ranges::count(pages, Page::UpdateProgress);
        EXPECT_EQ(w.ui.Variants(), std::vector<UpdateVariant>(
                                       static_cast<std::size_t>(updates),
                                       w.World('B') ? UpdateVariant::Resume : UpdateVariant::Main));
        EXPECT_EQ(std::filesystem::path(w.written).stem(), w.Tag('w'));

        const auto restores = std::ranges::count_if(w.script.pages, [](const Shown& shown) {
            return shown.page == Page::Options && shown.result == kOptionsRestore;
        });
        const FakeUi::DialogShown open{
            FileDialog::Kind::Open,
            w.World('N') ? "c:\\Eigene Dateien" : "%USERPROFILE%\\Eigene Dateien", ""};
        EXPECT_EQ(w.ui.Dialogs(), std::vector(static_cast<std::size_t>(restores), open));

        const bool completed = w.World('C');
        const auto sent = w.com1->Written();
        EXPECT_EQ(std::ranges::any_of(sent, [](const auto& s) { return s.starts_with("shmsg"); }),
                  completed)
            << "the version box";
        EXPECT_EQ(w.pc_files.removed,
                  std::vector<std::string>(completed ? 1 : 0, "C:\\windows\\VARNEL.QDX"));
        EXPECT_EQ(w.registry.HasKey(kSettingsKeyPath), w.World('L'));

        EXPECT_EQ(state.RomVersionMismatch.load(), w.Tag('x') == "rom");
        EXPECT_EQ(state.ImageModelMismatch.load(), w.Tag('x') == "model");
        EXPECT_EQ(state.ImageLanguageMismatch.load(), w.Tag('x') == "lang");
    }
}

TEST(MessageCatalogue, AsksForEveryIdOnceAndIsEmptyForOthers) {
    std::set<int> asked;
    MessageCatalogue catalogue;
    catalogue.Load([&](int id) -> std::wstring {
        asked.insert(id);
        return id == 11065 ? L"Zur\u00fcck" : L"";
    });
    EXPECT_EQ(asked.size(), kCatalogueIds.size());
    EXPECT_EQ(*asked.begin(), 11010);
    EXPECT_EQ(*asked.rbegin(), 11190);
    EXPECT_EQ(catalogue.Text(11065), L"Zur\u00fcck");
    EXPECT_EQ(catalogue.Text(11104), L"");
    EXPECT_EQ(catalogue.Text(99999), L"") << "an ID outside the catalogue is empty too";
}

TEST(CentredOrigin, CentresAndGoesNegativeForOversizedWindows) {
    constexpr Origin centred = CentredOrigin(1024, 768, 200, 100);
    EXPECT_EQ(centred.left, 412);
    EXPECT_EQ(centred.top, 334);
    constexpr Origin oversized = CentredOrigin(1024, 768, 1101, 800);
    EXPECT_EQ(oversized.left, -38) << "(1024 - 1101) / 2 truncates toward zero";
    EXPECT_EQ(oversized.top, -16);
}

}  // namespace
}  // namespace orvo::testing
