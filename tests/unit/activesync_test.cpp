#include "activesync/activesync_registry.h"
#include "activesync/stop_active_sync.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_registry.h"
#include "fakes/scaled_clock.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace orvo {
namespace {

constexpr auto Machine = &FakeRegistry::Machine;

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
        for (auto [name, value] : {std::pair{"MajorVersion", major}, {"MinorVersion", minor}}) {
            if (value) registry.Put(Machine(kActiveSyncKeyPath), name, RegistryType::Dword, *value);
        }
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

}  // namespace
}  // namespace orvo
