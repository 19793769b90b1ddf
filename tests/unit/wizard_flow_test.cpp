// The whole wizard as roads: the world it meets, the user's answer on every page, and the pages
// that must show in their order, with what the flow leaves behind.

#include "activesync/activesync_registry.h"
#include "bootlink/boot_port.h"
#include "fakes/fake_environment.h"
#include "fakes/fake_files.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_registry.h"
#include "link_test_rig.h"
#include "shell/flash_settings.h"
#include "shell/wizard_flow.h"
#include "unit/device_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>

namespace orvo {

static void PrintTo(Page page, std::ostream* out) { *out << "page " << static_cast<int>(page); }
static void PrintTo(UpdateVariant variant, std::ostream* out) {
    *out << (variant == UpdateVariant::Main ? "main" : "resume");
}

namespace test {
namespace {

using testing::TempDir;

// The handheld over the remote API: whether ActiveSync connects, and its power answers in
// order (then mains).
class Handheld final : public FakeRemoteApi {
  public:
    bool session = true;
    std::deque<std::optional<std::uint8_t>> power;

    bool WaitForSession(std::uint32_t) override { return session; }
    std::optional<std::uint8_t> PowerLineStatus() override {
        FakeRemoteApi::PowerLineStatus();
        if (power.empty()) return 1;
        const std::optional<std::uint8_t> line = power.front();
        power.pop_front();
        return line;
    }
};

// What the user does on a page: go on, Abbrechen, Zurück. On the Update progress page: how many
// downloads completed before it ended.
enum class Act { Next, Exit, Back, Downloads1, Downloads2 };
struct Shown {
    Page page;
    int result = 0;
    Act act = Act::Next;
};

// An image file; the handheld is an Orvo 4700 "NBT" "GER" with 32 MB of flash.
struct Image {
    std::string rom = "NBT";
    std::string model = "Orvo 4700";
    std::string lang = "GER";
    std::uint32_t kb = 8;
    bool bad_sum = false;
};

enum class Refusal { None, RomType, Model, Language };

struct Road {
    const char* name;
    std::vector<Shown> pages;
    // The world.
    bool activesync = true;
    bool session = true;
    std::u16string model_text = u"Model: Orvo -4700NBT Ser";
    // A boot loader answers on COM1, and answers the identity read.
    bool boot_loader = true;
    bool boot_identity = true;
    std::optional<Image> delivered = Image{};
    // A recorded unfinished update, with its image or with a path to nothing.
    bool record = false;
    std::optional<Image> remembered{};
    // The file chosen in the open dialog; none: Abbrechen.
    std::optional<Image> restore{};
    bool nt = true;
    std::vector<std::optional<std::uint8_t>> power{};
    // What must be so at the end.
    std::string written{};
    bool completed = false;
    bool record_left = false;
    Refusal refusal = Refusal::None;
};

const Shown kWelcome{Page::Welcome};
const Shown kPreparation{Page::Preparation};
const Shown kConnection{Page::Connection};
const Shown kConfirmation{Page::Confirmation, 1};
const Shown kUpdateReady{Page::UpdateReady};
const Shown kBootEntry{Page::BootLoaderEntry};
const Shown kWritten{Page::UpdateProgress, 1, Act::Downloads2};
const Shown kOptionsExit{Page::Options, 2, Act::Exit};
const Shown kBackup{Page::Options, kOptionsBackup};
const Shown kUpdate{Page::Options, kOptionsUpdate};
const Shown kRestore{Page::Options, kOptionsRestore};

std::vector<Shown> Pages(std::initializer_list<std::vector<Shown>> parts) {
    std::vector<Shown> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}
const std::vector<Shown> kIntro = {kWelcome, kPreparation, kConnection};
const std::vector<Shown> kToBootEntry = {kConfirmation, kUpdateReady, kBootEntry};
const std::vector<Shown> kSuccess = {kWritten, {Page::BatteryDisconnect}, {Page::Completion}};
const std::vector<Shown> kUpdated = Pages({kToBootEntry, kSuccess});

constexpr std::uint32_t kFlashKB = 32 * 1024;

const Road kRoads[] = {
    {.name = "ActiveSync too old", .pages = {{Page::ActiveSyncVersionError}}, .activesync = false},
    {.name = "Abbrechen on Welcome", .pages = {{Page::Welcome, 2, Act::Exit}}},
    {.name = "Zurück on Preparation, Abbrechen there",
     .pages = {kWelcome,
               {Page::Preparation, 0, Act::Back},
               kWelcome,
               {Page::Preparation, 2, Act::Exit}}},
    {.name = "Zurück on Connection, Abbrechen there",
     .pages = {kWelcome,
               kPreparation,
               {Page::Connection, 0, Act::Back},
               kPreparation,
               {Page::Connection, 2, Act::Exit}}},
    {.name = "another model",
     .pages = Pages({kIntro, {{Page::InvalidModel}}}),
     .model_text = u"Model: Orvo -4701NBT Ser"},
    {.name = "Enter on Options shows it again",
     .pages = Pages({kIntro, {{Page::Options, kOptionsEnter}, kOptionsExit}})},
    {.name = "Zurück from Options and forward again identifies once",
     .pages = Pages({kIntro,
                     {{Page::Options, 0, Act::Back},
                      {Page::Connection, 0, Act::Back},
                      {Page::Preparation, 0, Act::Back}},
                     kIntro,
                     {{Page::Options, 0, Act::Back}, kConnection, kOptionsExit}})},
    {.name = "Sichern on mains, the first power answer ignored",
     .pages = Pages({kIntro, {kBackup, {Page::BackupProgress}, kOptionsExit}}),
     .power = {std::nullopt, 1}},
    {.name = "Sichern, Weiter on the Power warning",
     .pages =
         Pages({kIntro, {kBackup, {Page::PowerWarning, 0}, {Page::BackupProgress}, kOptionsExit}}),
     .power = {1, 0}},
    {.name = "Sichern, Abbrechen on the Power warning",
     .pages = Pages({kIntro, {kBackup, {Page::PowerWarning, 2}}}),
     .power = {1, 0}},
    {.name = "Sichern, power unreadable",
     .pages = Pages({kIntro, {kBackup, {Page::ConnectionError}}}),
     .power = {1, std::nullopt}},
    {.name = "Aktualisieren without an image",
     .pages = Pages({kIntro, {kUpdate, {Page::ImageNotFound}}}),
     .delivered = std::nullopt},
    {.name = "Aktualisieren to the end",
     .pages = Pages({kIntro, {kUpdate}, kUpdated}),
     .written = "delivered.nbf",
     .completed = true},
    {.name = "Zurück on Confirmation, Abbrechen there",
     .pages = Pages({kIntro,
                     {kUpdate,
                      {Page::Confirmation, 0, Act::Back},
                      kUpdate,
                      {Page::Confirmation, 2, Act::Exit}}})},
    {.name = "Zurück on Update-ready, Abbrechen there",
     .pages = Pages({kIntro,
                     {kUpdate,
                      kConfirmation,
                      {Page::UpdateReady, 0, Act::Back},
                      kConfirmation,
                      {Page::UpdateReady, 2, Act::Exit}}})},
    {.name = "Update-ready, Abbrechen on the Power warning",
     .pages = Pages({kIntro, {kUpdate, kConfirmation, kUpdateReady, {Page::PowerWarning, 2}}}),
     .power = {1, 0}},
    {.name = "Update-ready, power unreadable",
     .pages = Pages({kIntro, {kUpdate, kConfirmation, kUpdateReady, {Page::ConnectionError}}}),
     .power = {1, std::nullopt}},
    {.name = "Zurück on Boot-loader entry checks the power again",
     .pages = Pages({kIntro,
                     {kUpdate, kConfirmation, kUpdateReady},
                     {{Page::BootLoaderEntry, 0, Act::Back},
                      kUpdateReady,
                      {Page::PowerWarning, 0},
                      {Page::BootLoaderEntry, 2, Act::Exit}}}),
     .power = {1, 1, 1, 0}},
    {.name = "page ends with 1 after one download: no success",
     .pages = Pages({kIntro,
                     {kUpdate},
                     kToBootEntry,
                     {{Page::UpdateProgress, 1, Act::Downloads1}, {Page::UpdateError}}}),
     .written = "delivered.nbf",
     .record_left = true},
    {.name = "watchdog after both downloads: no success",
     .pages = Pages({kIntro,
                     {kUpdate},
                     kToBootEntry,
                     {{Page::UpdateProgress, 2, Act::Downloads2}, {Page::UpdateError}}}),
     .written = "delivered.nbf"},
    {.name = "Wiederherstellen cancelled", .pages = Pages({kIntro, {kRestore, kOptionsExit}})},
    {.name = "Wiederherstellen to the end, not on NT",
     .pages = Pages({kIntro, {kRestore}, kUpdated}),
     .restore = Image{},
     .nt = false,
     .written = "restore.nbf",
     .completed = true},
    {.name = "checksum decides before the ROM type",
     .pages = Pages({kIntro, {kRestore, {Page::ChecksumError}}}),
     .restore = Image{.rom = "WBT", .bad_sum = true}},
    {.name = "ROM type decides before the model",
     .pages = Pages({kIntro, {kRestore, {Page::IncompatibleImage}}}),
     .restore = Image{.rom = "WBT", .model = "Orvo 4701"},
     .refusal = Refusal::RomType},
    {.name = "model decides before the language",
     .pages = Pages({kIntro, {kRestore, {Page::IncompatibleImage}}}),
     .restore = Image{.model = "Orvo 4701", .lang = "ENG"},
     .refusal = Refusal::Model},
    {.name = "language differs",
     .pages = Pages({kIntro, {kRestore, {Page::IncompatibleImage}}}),
     .restore = Image{.lang = "ENG", .kb = kFlashKB + 2047},
     .refusal = Refusal::Language},
    {.name = "33,791 KB fit 32 MB of flash",
     .pages = Pages({kIntro, {kRestore, {Page::Confirmation, 2, Act::Exit}}}),
     .restore = Image{.kb = kFlashKB + 1023}},
    {.name = "33,792 KB do not",
     .pages = Pages({kIntro, {kRestore, {Page::ImageTooLarge}}}),
     .restore = Image{.kb = kFlashKB + 1024}},
    {.name = "Aktualisieren measures its image, not the restore's before",
     .pages = Pages(
         {kIntro, {kRestore, {Page::Confirmation, 0, Act::Back}, kUpdate, {Page::ImageTooLarge}}}),
     .delivered = Image{.kb = kFlashKB + 1024},
     .restore = Image{}},
    {.name = "recorded update, ActiveSync connected: record forgotten",
     .pages = {kOptionsExit},
     .record = true,
     .remembered = Image{}},
    {.name = "no ActiveSync, no boot loader",
     .pages = Pages({kIntro, {{Page::ConnectionError}}}),
     .session = false,
     .boot_loader = false},
    {.name = "resume with the remembered image",
     .pages = Pages({{kConfirmation}, kSuccess}),
     .session = false,
     .record = true,
     .remembered = Image{},
     .written = "backup.nbf",
     .completed = true},
    {.name = "resume, remembered image missing",
     .pages = Pages({{kConfirmation}, kSuccess}),
     .session = false,
     .record = true,
     .written = "delivered.nbf",
     .completed = true},
    {.name = "resume, remembered image for another language",
     .pages = Pages({{kConfirmation}, kSuccess}),
     .session = false,
     .record = true,
     .remembered = Image{.lang = "ENG"},
     .written = "delivered.nbf",
     .completed = true},
    {.name = "resume, remembered image for another model and ROM type",
     .pages = Pages({{kConfirmation}, kSuccess}),
     .session = false,
     .record = true,
     .remembered = Image{.rom = "WBT", .model = "Orvo 4701"},
     .written = "delivered.nbf",
     .completed = true},
    {.name = "resume, remembered image of another ROM type",
     .pages = Pages({{kConfirmation}, kSuccess}),
     .session = false,
     .record = true,
     .remembered = Image{.rom = "WBT"},
     .written = "delivered.nbf",
     .completed = true},
    {.name = "boot loader, delivered image of another ROM type",
     .pages = Pages({kIntro, {{Page::IncompatibleImage}}}),
     .session = false,
     .delivered = Image{.rom = "WBT"},
     .refusal = Refusal::RomType},
    {.name = "boot loader, delivered image for another language",
     .pages = Pages({kIntro, {{Page::IncompatibleImage}}}),
     .session = false,
     .delivered = Image{.lang = "ENG"},
     .refusal = Refusal::Language},
    {.name = "boot loader, no image",
     .pages = Pages({kIntro, {{Page::ImageNotFound}}}),
     .session = false,
     .delivered = std::nullopt},
    {.name = "boot identity unreadable",
     .pages = Pages({kIntro, {{Page::IdentificationError}}}),
     .session = false,
     .boot_identity = false},
    {.name = "resume, Abbrechen on Confirmation",
     .pages = {{Page::Confirmation, 2, Act::Exit}},
     .session = false,
     .record = true,
     .remembered = Image{},
     .record_left = true},
    {.name = "resume, page ends with 1 after one download: no success",
     .pages = {kConfirmation, {Page::UpdateProgress, 1, Act::Downloads1}, {Page::UpdateError}},
     .session = false,
     .record = true,
     .remembered = Image{},
     .written = "backup.nbf",
     .record_left = true},
};

std::atomic<int>* BackFlag(WizardState& state, Page page) {
    switch (page) {
        case Page::Preparation:
            return &state.BackFromPreparation;
        case Page::Connection:
            return &state.BackFromConnection;
        case Page::Options:
            return &state.BackFromOptions;
        case Page::Confirmation:
            return &state.BackFromConfirmation;
        case Page::UpdateReady:
            return &state.BackFromUpdateReady;
        case Page::BootLoaderEntry:
            return &state.BackFromBootLoaderEntry;
        default:
            return nullptr;
    }
}

std::string WriteImage(const TempDir& dir, const std::string& name, const Image& image) {
    std::vector<std::uint8_t> bytes = testing::MakeImage({.model = image.model,
                                                          .rom_type = image.rom,
                                                          .lang = image.lang,
                                                          .payload = testing::Payload(64)});
    if (image.bad_sum) bytes.back() ^= 0x5A;
    const std::string path = dir.Write(name, bytes);
    // Zeros add nothing to the checksum.
    std::filesystem::resize_file(path, std::uint64_t{image.kb} * 1024);
    return path;
}

// The wizard in its world: the handheld, its boot loader on COM1, the PC, and the pages.
struct World {
    explicit World(const Road& road) : road(road) {
        rig.link.services.stop_active_sync = [] {};
        environment.current_dir = start_dir.Folder();
        start_dir.Write("GetDeviceData.dll", {1});
        start_dir.Write("ZIB_WriteReserveArea.dll", {2});
        std::filesystem::create_directory(start_dir.Path("saved"));
        if (road.delivered) WriteImage(start_dir, "delivered.nbf", *road.delivered);
        if (road.activesync) {
            const std::string key = std::string(FakeRegistry::kMachine) + kActiveSyncKeyPath;
            registry.Put(key, "MajorVersion", RegistryType::Dword, {3, 0, 0, 0});
            registry.Put(key, "MinorVersion", RegistryType::Dword, {5, 0, 0, 0});
        }
        if (road.nt) {
            registry.PutText(std::string(FakeRegistry::kMachine) + kWindowsVersionKeyPath,
                             "CurrentVersion", "5.1");
        }
        if (road.record) {
            WizardState earlier;
            earlier.ImagePath = road.remembered
                                    ? WriteImage(start_dir, "saved/backup.nbf", *road.remembered)
                                    : start_dir.Path("saved/gone.nbf");
            SaveFlashSettings(earlier, registry);
        }
        handheld.session = road.session;
        handheld.power.assign(road.power.begin(), road.power.end());
        handheld.on_invoke = [this](const FakeRemoteApi::InvokeCall& call) {
            if (call.function != u"GetDeviceData") return FakeRemoteApi::InvokeAnswer{};
            return FakeRemoteApi::InvokeAnswer{
                0, testing::DeviceDataReply(u"2.04.00 GER", this->road.model_text, u"32")};
        };
        com1 = rig.ports.Add("COM1");
        com1->responder = [this](const std::string& written) -> std::string {
            if (!this->road.boot_loader) return {};
            if (written.find("Port Test") != std::string::npos) return written + "\n";
            if (written.find("readdata") == std::string::npos || !this->road.boot_identity) {
                return {};
            }
            std::string record = "Orvo 4700NBTGER2.04";
            record.resize(40, ' ');
            return "QARS " + record + "QARE\r\n";
        };
        if (road.restore) {
            ui.ScriptFileDialog(WriteImage(start_dir, "saved/restore.nbf", *road.restore));
        } else {
            ui.ScriptFileDialog(std::nullopt);
        }
        for (const Shown& shown : road.pages)
            ui.Script(shown.page, [this, shown] { return Do(shown); });
    }

    // What the page does before it ends, as the real one would.
    int Do(const Shown& shown) {
        WizardState& state = rig.state;
        switch (shown.act) {
            case Act::Exit:
                state.ExitRequested = 1;
                break;
            case Act::Back:
                *BackFlag(state, shown.page) = 1;
                break;
            default:
                break;
        }
        if (shown.page == Page::Confirmation) {
            EXPECT_EQ(state.ConfirmBackEnabled.load(), road.session ? 1 : 0);
            EXPECT_EQ(ui.NoticesClosed(), ui.NoticesShown()) << "the notice is gone by now";
        }
        if (shown.page == Page::BootLoaderEntry && shown.act == Act::Next) {
            EXPECT_EQ(OpenBootPort(rig.link), 1);
        }
        if (shown.page == Page::UpdateProgress) {
            written = state.ImagePath;
            SaveFlashSettings(state, registry);
            rig.link.CompletedDownloads = shown.act == Act::Downloads2 ? 2 : 1;
            if (shown.act == Act::Downloads2) ClearFlashSettings(registry);
        }
        return shown.result;
    }

    void Run() {
        RunWizard(rig.state, {ui, environment, registry, files, device, active_sync, rig.link});
    }

    const Road& road;
    LinkRig rig;
    FakeUi& ui = rig.ui;
    Handheld handheld;
    Latin1CodePage code_page;
    testing::FixedPcClock pc_clock;
    DeviceServices device{handheld, rig.clock, code_page, pc_clock, ui, rig.log};
    FakeEnvironment environment;
    FakeRegistry registry;
    FakeProcesses processes;
    FakeFiles files;
    ActiveSyncHost active_sync{registry, processes, rig.clock};
    TempDir start_dir;
    std::shared_ptr<FakeSerialPort::Behaviour> com1;
    std::string written{};
};

TEST(Wizard, EveryRoadShowsItsPagesAndLeavesItsTraces) {
    for (const Road& road : kRoads) {
        SCOPED_TRACE(road.name);
        World world(road);
        world.Run();
        WizardState& state = world.rig.state;

        std::vector<Page> pages;
        for (const Shown& shown : road.pages) pages.push_back(shown.page);
        EXPECT_EQ(world.ui.Opened(), pages);
        EXPECT_TRUE(world.ui.CloseRequested());
        for (Page page : {Page::Preparation, Page::Connection, Page::Options, Page::Confirmation,
                          Page::UpdateReady, Page::BootLoaderEntry}) {
            EXPECT_EQ(BackFlag(state, page)->load(), 0) << ::testing::PrintToString(page);
        }

        const auto invokes = world.handheld.Invokes();
        const auto identifications =
            std::count_if(invokes.begin(), invokes.end(),
                          [](const auto& call) { return call.function == u"GetDeviceData"; });
        const bool connected = std::any_of(pages.begin(), pages.end(), [](Page page) {
            return page == Page::Options || page == Page::InvalidModel;
        });
        EXPECT_EQ(identifications, road.session && connected ? 1 : 0);

        const auto updates =
            static_cast<std::size_t>(std::count(pages.begin(), pages.end(), Page::UpdateProgress));
        EXPECT_EQ(world.ui.Variants(),
                  std::vector<UpdateVariant>(
                      updates, road.session ? UpdateVariant::Main : UpdateVariant::Resume));
        EXPECT_EQ(std::filesystem::path(world.written).filename(), road.written);

        const auto restores = std::count_if(road.pages.begin(), road.pages.end(), [](auto shown) {
            return shown.page == Page::Options && shown.result == kOptionsRestore;
        });
        const std::string folder = road.nt ? "%USERPROFILE%\\Eigene Dateien" : "c:\\Eigene Dateien";
        const auto dialogs = world.ui.Dialogs();
        ASSERT_EQ(dialogs.size(), static_cast<std::size_t>(restores));
        for (const auto& dialog : dialogs) {
            EXPECT_EQ(dialog.kind, FileDialog::Kind::Open);
            EXPECT_EQ(dialog.initial_folder, folder);
            EXPECT_EQ(dialog.proposed, "");
        }

        const auto sent = world.com1->Written();
        const bool version_box = std::any_of(
            sent.begin(), sent.end(), [](const std::string& s) { return s.starts_with("shmsg"); });
        EXPECT_EQ(version_box, road.completed);
        EXPECT_EQ(world.files.removed, road.completed
                                           ? std::vector<std::string>{"C:\\windows\\VARNEL.QDX"}
                                           : std::vector<std::string>{});
        EXPECT_EQ(world.registry.HasKey(kSettingsKeyPath), road.record_left);

        EXPECT_EQ(state.RomVersionMismatch.load(), road.refusal == Refusal::RomType);
        EXPECT_EQ(state.ImageModelMismatch.load(), road.refusal == Refusal::Model);
        EXPECT_EQ(state.ImageLanguageMismatch.load(), road.refusal == Refusal::Language);
    }
}

}  // namespace
}  // namespace test
}  // namespace orvo
