// The whole wizard as roads: the world it meets, the user's answer on every page, and the pages
// that must show in their order, with what the flow leaves behind.

#include "activesync/activesync_registry.h"
#include "bootlink/boot_port.h"
#include "fakes/fake_environment.h"
#include "fakes/fake_files.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_registry.h"
#include "unit/test_support.h"
#include "shell/flash_settings.h"
#include "shell/wizard_flow.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace orvo::testing {
namespace {

// What the user does on a page; on the Update progress page, how many downloads completed.
struct Shown {
    Page page;
    int result = 0, downloads = 0;
    bool exit = false, back = false;
};

// A road: the pages in their order, each a code or a template number, with what the user does:
// "<" Zurück, "!" Abbrechen, "=N" the page's end code, "/N" downloads completed. "~N" is the
// handheld's next power answer ("~?": none).
struct Script {
    std::vector<Shown> pages;
    std::deque<std::optional<std::uint8_t>> power;
};
Script Parse(const std::string& road) {
    static const std::map<std::string, Page> kCodes = {
        {"W", Page::Welcome},         {"P", Page::Preparation},        {"C", Page::Connection},
        {"O", Page::Options},         {"Cf", Page::Confirmation},      {"U", Page::UpdateReady},
        {"B", Page::BootLoaderEntry}, {"Pw", Page::PowerWarning},      {"Bp", Page::BackupProgress},
        {"Up", Page::UpdateProgress}, {"Bd", Page::BatteryDisconnect}, {"Cm", Page::Completion}};
    Script script;
    std::istringstream words(road);
    for (std::string word; words >> word;) {
        if (word[0] == '~') {
            script.power.push_back(word == "~?" ? std::nullopt
                                                : std::optional<std::uint8_t>(word[1] - '0'));
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

// An image file for the handheld, an Orvo 4700 "NBT" "GER" with 32 MB of flash.
struct Image {
    std::string rom = "NBT", model = "Orvo 4700", lang = "GER";
    std::uint32_t kb = 8;
    bool bad_sum = false;
};
constexpr std::uint32_t kFlashKB = 32 * 1024;
const Image kFits{};
const Image kWbt{.rom = "WBT"};
const Image kEng{.lang = "ENG"};
const Image kWbt4701{.rom = "WBT", .model = "Orvo 4701"};
const Image kBadSum{.rom = "WBT", .bad_sum = true};
const Image k4701Eng{.model = "Orvo 4701", .lang = "ENG"};
const Image kEngTooLarge{.lang = "ENG", .kb = kFlashKB + 2047};
const Image kLargest{.rom = "nbt", .model = "ORVO 4700", .lang = "ger", .kb = kFlashKB + 1023};
const Image kEmpty{.kb = 0};
const Image kTooLarge{.kb = kFlashKB + 1024};

// The world: ActiveSync does not connect, an unfinished update is recorded, the PC is not NT; then
// what must be so at the end: the update completed, its record left.
enum World { kBootLoader = 1, kRecord = 2, kNotNt = 4, kCompleted = 8, kRecordLeft = 16 };
enum class Refusal { None, RomType, Model, Language };

struct Road {
    const char* name;
    unsigned world;
    std::string road;
    std::string written = "";  // the image the update wrote, without ".nbf"
    // The file chosen in the open dialog; none: Abbrechen.
    const Image* restore = nullptr;
    Refusal refusal = Refusal::None;
    // With kRecord: the recorded image; none: the record names a missing file.
    const Image* remembered = nullptr;
    const Image* delivered = &kFits;
};

constexpr unsigned kResumed = kBootLoader | kRecord | kCompleted;
const Road kRoads[] = {
    {"Abbrechen on Welcome", 0, "W!"},
    {"Enter on Options shows it again", 0, "W P C O=0 O!"},
    {"Sichern on mains (the first answer ignored), Weiter on the Power warning", 0,
     "W P C O=1000 ~? ~1 Bp O=1000 ~1 ~0 Pw=0 Bp O!"},
    {"Zurück on Update-ready, Abbrechen on the Power warning", 0,
     "W P C O=1035 Cf U< Cf U ~1 ~0 Pw=2"},
    {"Aktualisieren to the end", kCompleted, "W P C O=1035 Cf U B Up=1/2 Bd Cm", "delivered"},
    {"page ends with 1 after one download: no success", kRecordLeft,
     "W P C O=1035 Cf U B Up=1/1 114", "delivered"},
    {"watchdog after both downloads: no success", 0, "W P C O=1035 Cf U B Up=2/2 114", "delivered"},
    {"Wiederherstellen to the end, not on NT", kNotNt | kCompleted,
     "W P C O=1036 Cf U B Up=1/2 Bd Cm", "restore", &kFits},
    // The acceptance checks in their order: each image would fail the later checks too.
    {"checksum", 0, "W P C O=1036 139", "", &kBadSum},
    {"ROM type", 0, "W P C O=1036 123", "", &kWbt4701, Refusal::RomType},
    {"model", 0, "W P C O=1036 123", "", &k4701Eng, Refusal::Model},
    {"language", 0, "W P C O=1036 123", "", &kEngTooLarge, Refusal::Language},
    {"a restore that cannot be read, after the delivered image's header", 0,
     "W P C O=1035 Cf< O=1036 141", "", &kEmpty},
    {"33,791 KB fit 32 MB of flash, letter case ignored", 0, "W P C O=1036 Cf!", "", &kLargest},
    {"Aktualisieren measures its own image, not the restore's before", 0,
     "W P C O=1036 Cf< O=1035 151", "", &kFits, Refusal::None, nullptr, &kTooLarge},
    {"recorded update, ActiveSync connected: the record is forgotten", kRecord, "O!", "", nullptr,
     Refusal::None, &kFits},
    {"boot loader, no image", kBootLoader, "W P C 140", "", nullptr, Refusal::None, nullptr,
     nullptr},
    {"boot loader, delivered image of another ROM type", kBootLoader, "W P C 123", "", nullptr,
     Refusal::RomType, nullptr, &kWbt},
    {"boot loader, delivered image for another language", kBootLoader, "W P C 123", "", nullptr,
     Refusal::Language, nullptr, &kEng},
    {"resume with the remembered image", kResumed, "Cf=1 Up=1/2 Bd Cm", "backup", nullptr,
     Refusal::None, &kFits},
    {"resume, remembered image missing", kResumed, "Cf=1 Up=1/2 Bd Cm", "delivered"},
    {"resume, remembered image for another language", kResumed, "Cf=1 Up=1/2 Bd Cm", "delivered",
     nullptr, Refusal::None, &kEng},
    {"resume, remembered image for another model and ROM type", kResumed, "Cf=1 Up=1/2 Bd Cm",
     "delivered", nullptr, Refusal::None, &kWbt4701},
    {"resume, remembered image of another ROM type", kResumed, "Cf=1 Up=1/2 Bd Cm", "delivered",
     nullptr, Refusal::None, &kWbt},
    {"resume, Abbrechen on Confirmation", kBootLoader | kRecord | kRecordLeft, "Cf!", "", nullptr,
     Refusal::None, &kFits},
};

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
    explicit Wizard(const Road& road) : road(road), script(Parse(road.road)) {
        link.services.stop_active_sync = [] {};
        // The pages are scripted: no progress page runs the link's watchdog.
        ui.EndWatchdog();
        environment.current_dir = files.Folder();
        files.Write("GetDeviceData.dll", {1});
        files.Write("ZIB_WriteReserveArea.dll", {2});
        std::filesystem::create_directory(files.Path("saved"));
        if (road.delivered) WriteImage(files, "delivered.nbf", *road.delivered);
        const std::string sync = FakeRegistry::Machine(kActiveSyncKeyPath);
        registry.Put(sync, "MajorVersion", RegistryType::Dword, {3, 0, 0, 0});
        registry.Put(sync, "MinorVersion", RegistryType::Dword, {5, 0, 0, 0});
        if (!(road.world & kNotNt)) {
            registry.PutText(FakeRegistry::Machine(kWindowsVersionKeyPath), "CurrentVersion",
                             "5.1");
        }
        if (road.world & kRecord) {
            WizardState earlier;
            earlier.ImagePath = road.remembered
                                    ? WriteImage(files, "saved/backup.nbf", *road.remembered)
                                    : files.Path("saved/gone.nbf");
            SaveFlashSettings(earlier, registry);
        }
        handheld.session = !(road.world & kBootLoader);
        handheld.power_answers = script.power;
        handheld.device_data = DeviceDataReply(u"2.04.00 GER", u"Model: Orvo -4700NBT", u"32");
        com1->responder = [](const std::string& written) -> std::string {
            if (written.find("Port Test") != std::string::npos) return written + "\n";
            if (written.find("readdata") == std::string::npos) return {};
            std::string record = "Orvo 4700NBTGER2.04";
            record.resize(40, ' ');
            return "QARS " + record + "QARE\r\n";
        };
        ui.ScriptFileDialog(
            road.restore ? std::optional(WriteImage(files, "saved/restore.nbf", *road.restore))
                         : std::nullopt);
        for (const Shown& shown : script.pages) {
            ui.Script(shown.page, [this, shown] { return Do(shown); });
        }
    }

    // What the page does before it ends, as the real one would.
    int Do(const Shown& shown) {
        for (const auto& [page, flag] : kBackFlags) {
            if (page == shown.page && shown.back) state.*flag = 1;
        }
        if (shown.exit) state.ExitRequested = 1;
        if (shown.page == Page::Confirmation) {
            EXPECT_EQ(state.ConfirmBackEnabled.load(), (road.world & kBootLoader) ? 0 : 1);
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

    const Road& road;
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
    for (const Road& road : kRoads) {
        SCOPED_TRACE(road.name);
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
        EXPECT_EQ(w.ui.Variants(),
                  std::vector<UpdateVariant>(
                      static_cast<std::size_t>(updates),
                      (road.world & kBootLoader) ? UpdateVariant::Resume : UpdateVariant::Main));
        EXPECT_EQ(std::filesystem::path(w.written).stem(), road.written);

        const auto restores = std::ranges::count_if(w.script.pages, [](const Shown& shown) {
            return shown.page == Page::Options && shown.result == kOptionsRestore;
        });
        const FakeUi::DialogShown open{
            FileDialog::Kind::Open,
            (road.world & kNotNt) ? "c:\\Eigene Dateien" : "%USERPROFILE%\\Eigene Dateien", ""};
        EXPECT_EQ(w.ui.Dialogs(), std::vector(static_cast<std::size_t>(restores), open));

        const bool completed = road.world & kCompleted;
        const auto sent = w.com1->Written();
        EXPECT_EQ(std::ranges::any_of(sent, [](const auto& s) { return s.starts_with("shmsg"); }),
                  completed)
            << "the version box";
        EXPECT_EQ(w.pc_files.removed,
                  std::vector<std::string>(completed ? 1 : 0, "C:\\windows\\VARNEL.QDX"));
        EXPECT_EQ(w.registry.HasKey(kSettingsKeyPath), (road.world & kRecordLeft) != 0);

        EXPECT_EQ(state.RomVersionMismatch.load(), road.refusal == Refusal::RomType);
        EXPECT_EQ(state.ImageModelMismatch.load(), road.refusal == Refusal::Model);
        EXPECT_EQ(state.ImageLanguageMismatch.load(), road.refusal == Refusal::Language);
    }
}

}  // namespace
}  // namespace orvo::testing
