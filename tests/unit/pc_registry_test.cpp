// What the wizard reads from and keeps in the PC's registry: the ActiveSync and Windows versions
// that decide how ActiveSync is stopped, and the record of an unfinished update. (Every value of
// the record with its type and length is checked through the Win32 registry; the fuzz target holds
// "Flash" and the path to their rules on any record.)

#include "activesync/activesync_registry.h"
#include "activesync/stop_active_sync.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_registry.h"
#include "fakes/scaled_clock.h"
#include "shell/flash_settings.h"
#include "unit/test_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace orvo {
namespace {

constexpr auto Machine = &FakeRegistry::Machine;
using testing::FieldBytes;

std::vector<std::uint8_t> Dword(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// (The program restarted after an update: the roads, and the value's room in the registry test.)
TEST(ActiveSyncRegistry, VersionAndFamily) {
    // Passes from 3.5 by major times ten plus minor. None: no value.
    using Value = std::optional<std::vector<std::uint8_t>>;
    const std::tuple<Value, Value, bool> versions[] = {
        {Dword(3), Dword(5), true},
        {Dword(3), Dword(1), false},
        {Dword(3), std::nullopt, false},
        {Dword(3), Dword(10), true},  // 40
        {Dword(2), Dword(15), true},
        {Dword(0x1999999A), Dword(0), true},            // no wrap
        {Dword(3), Value(std::in_place, 8, 5), false},  // a minor of 8 bytes is not read
    };
    for (const auto& [major, minor, passes] : versions) {
        FakeRegistry registry;
        for (auto [name, value] : {std::pair{"MajorVersion", major}, {"MinorVersion", minor}})
            if (value) registry.Put(Machine(kActiveSyncKeyPath), name, RegistryType::Dword, *value);
        EXPECT_EQ(CheckActiveSyncVersion(registry), passes);
    }
    // The family by the major number of the NT version, read within 100 bytes.
    const std::pair<std::optional<std::string>, int> families[] = {
        {"4.0", kWindowsNt4},
        {"3.51", kWindowsNt4},
        {"5.0", kWindowsNt5},
        {"6.1", kOtherWindows},
        {"14.0", kOtherWindows},
        {"5", kOtherWindows},
        {std::nullopt, kOtherWindows},
        {"5.1" + std::string(96, ' '), kWindowsNt5},
        {"5.1" + std::string(97, ' '), kOtherWindows}};
    for (const auto& [version, family] : families) {
        FakeRegistry registry;
        if (version) registry.PutText(Machine(kWindowsVersionKeyPath), "CurrentVersion", *version);
        EXPECT_EQ(GetWindowsFamily(registry), family) << version.value_or("(no key)");
    }
}

TEST(StopActiveSyncTest, EndsBothProgramsTheWayTheWindowsFamilyChooses) {
    const std::vector<std::pair<std::optional<std::string>, std::string>> cases = {
        {"5.1", "process-status"}, {"6.1", "snapshot"}, {std::nullopt, "snapshot"}, {"4.0", ""}};
    for (const auto& [version, listing] : cases) {
        const std::string name = version.value_or("(no version)");
        FakeRegistry registry;
        if (version) registry.PutText(Machine(kWindowsVersionKeyPath), "CurrentVersion", *version);
        FakeProcesses processes;
        processes.processes = {{"C:\\WINDOWS\\Explorer.EXE"},
                               {"c:\\programme\\microsoft activesync\\WCESCOMM.EXE"},
                               {"C:\\Programme\\Microsoft ActiveSync\\wcescomm.exe"},
                               {"C:\\Programme\\Microsoft ActiveSync\\WCESMGR.EXE"}};
        processes.windows = {{"DccMan Hilfe"}, {"dccman"}, {"WCES MANAGER THUNK WINDOW"}};
        const ScaledClock clock(1000);
        StopActiveSync({registry, processes, clock});

        // On NT 4 the window way runs once for each of the two names.
        const bool by_process = !listing.empty();
        EXPECT_EQ(processes.calls, by_process ? std::vector<std::string>(2, listing)
                                              : std::vector<std::string>(4, "windows"))
            << name;
        // One process per name, the first listed; windows by their whole title.
        const std::vector<bool> ended = {false, by_process,  false,      by_process,
                                         false, !by_process, !by_process};
        for (std::size_t i = 0; i < ended.size(); ++i) {
            const auto& entry = i < 4 ? processes.processes[i] : processes.windows[i - 4];
            EXPECT_EQ(entry.ended, ended[i]) << name << ": " << entry.text;
        }
    }
}

TEST(FlashSettings, SaveLoadAndClear) {
    FakeRegistry registry;
    WizardState state;
    state.Device.Language = "A language name far too long";
    state.Device.Lang = "GERMANYYYYY";
    state.ImagePath = "C:\\Programme\\Orvo\\rom_ger.nbf";
    for (auto [serial, usb] : {std::pair{1, 0}, {0, 1}}) {
        state.SerialLink = serial;
        SaveFlashSettings(state, registry);
        EXPECT_EQ(registry.Value(kSettingsKeyPath, "USB")->data,
                  (std::vector<std::uint8_t>{static_cast<std::uint8_t>(usb), 0, 0, 0}))
            << "USB is the inverse of the serial link";
    }
    // Texts too long for their fields still end with a zero.
    EXPECT_EQ(registry.Value(kSettingsKeyPath, "Language")->data.back(), 0);
    EXPECT_EQ(registry.Value(kSettingsKeyPath, "Lang")->data, FieldBytes("GERMANYYY", 10));

    registry.Put("Software\\Other", "Keep", RegistryType::Dword, {1, 0, 0, 0});
    WizardState next;
    EXPECT_EQ(LoadFlashSettings(next, registry), 1);
    EXPECT_EQ(next.ImagePath, state.ImagePath) << "exactly the stored path, nothing trailing";
    ClearFlashSettings(registry);
    EXPECT_FALSE(registry.HasKey(kSettingsKeyPath));
    EXPECT_TRUE(registry.HasKey("Software\\Other"));
    ClearFlashSettings(registry);  // a missing record is no error
    WizardState after;
    EXPECT_EQ(LoadFlashSettings(after, registry), 0);
    EXPECT_EQ(after.ImagePathFromSettings, 0);

    // No key, nothing written; a value that fails is passed over.
    FakeRegistry failing;
    failing.FailKeysAt(kSettingsKeyPath);
    SaveFlashSettings(state, failing);
    EXPECT_FALSE(failing.HasKey(kSettingsKeyPath));
    FakeRegistry partly;
    partly.FailValueWrites("ModelID");
    SaveFlashSettings(state, partly);
    EXPECT_EQ(partly.Values(kSettingsKeyPath).size(), 6u);
}

TEST(FlashSettings, LoadTakesFlashByItsFirstByteAndOnlyAPathThatFits) {
    constexpr auto kText = RegistryType::String;
    constexpr auto kDword = RegistryType::Dword;
    const std::string longest(259, 'p');
    struct Case {
        int flash;
        std::string path;  // "before": none taken
        std::vector<FakeRegistry::StoredValue> values;
    };
    const Case cases[] = {
        {0,
         "D:\\old.nbf",
         {{"Flash", kDword, {0, 0, 0, 0}}, {"FlashFile", kText, FieldBytes("D:\\old.nbf", 11)}}},
        {0, "before", {{"Flash", kText, FieldBytes("1")}}},  // the digit is not the code
        // Names ignoring case; a value that does not fit is skipped, the rest read.
        {1,
         "E:\\lower.nbf",
         {{std::string(100, 'n'), kDword, {1, 0, 0, 0}},
          {"Big", RegistryType::Binary, std::vector<std::uint8_t>(500, 1)},
          {"FLASH", kDword, {1, 0, 0, 0}},
          {"flashfile", kText, FieldBytes("E:\\lower.nbf", 13)},
          {"FlashFileX", kText, FieldBytes("E:\\other.nbf", 13)}}},
        {0, longest, {{"FlashFile", kText, FieldBytes(longest, 260)}}},
        // Without a zero within 260 bytes no path fits.
        {0, "before", {{"FlashFile", kText, std::vector<std::uint8_t>(260, 'q')}}},
        // Only its own bytes: none of an earlier, longer value; a zero inside ends it.
        {0,
         "C:\\a.nbf",
         {{"Language", kText, FieldBytes("Portuguese", 20)},
          {"FlashFile", kText, FieldBytes("C:\\a.nbf")}}},
        {0, "C:\\b", {{"FlashFile", kText, {'C', ':', '\\', 'b', 0, 'x', 'y', 0}}}},
    };
    for (const Case& c : cases) {
        FakeRegistry registry;
        for (const auto& v : c.values) registry.Put(kSettingsKeyPath, v.name, v.type, v.data);
        WizardState state;
        state.ImagePath = "before";
        EXPECT_EQ(LoadFlashSettings(state, registry), c.flash) << c.values[0].name;
        EXPECT_EQ(state.ImagePath, c.path) << c.values[0].name;
        EXPECT_EQ(state.ImagePathFromSettings, c.path == "before" ? 0 : 1);
    }
}

}  // namespace
}  // namespace orvo
