#include "activesync/activesync_registry.h"
#include "activesync/stop_active_sync.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_registry.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace orvo {
namespace {

std::string Machine(std::string_view path) {
    return std::string(FakeRegistry::kMachine) + std::string(path);
}

std::vector<std::uint8_t> Dword(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// Writes its waits into the timeline of the fake's walks, and waits for none of them.
class TimelineClock final : public Clock {
  public:
    explicit TimelineClock(std::vector<std::string>& timeline) : timeline_(timeline) {}
    std::chrono::nanoseconds Real(Millis span) const override {
        timeline_.push_back("wait " + std::to_string(span.count()));
        return {};
    }
    Millis Now() const override { return Millis(0); }

  private:
    std::vector<std::string>& timeline_;
};

TEST(ActiveSyncVersionTest, PassesFromThreePointFiveByMajorTimesTenPlusMinor) {
    struct Case {
        const char* name;
        std::optional<std::vector<std::uint8_t>> major, minor;  // none: no value
        bool passes;
    };
    const std::vector<Case> cases = {
        {"3.5", Dword(3), Dword(5), true},
        {"3.1", Dword(3), Dword(1), false},
        {"3 without minor", Dword(3), std::nullopt, false},
        {"4.0", Dword(4), Dword(0), true},
        {"3.10 counts as 40", Dword(3), Dword(10), true},
        {"2.15 counts as 35", Dword(2), Dword(15), true},
        {"a huge major does not wrap", Dword(0x1999999A), Dword(0), true},
        {"a minor of 8 bytes is not read", Dword(3), std::vector<std::uint8_t>(8, 5), false},
    };
    for (const Case& c : cases) {
        FakeRegistry registry;
        registry.Put(Machine(kActiveSyncKeyPath), "Other", RegistryType::Dword, Dword(99));
        for (auto [name, value] : {std::pair{"MajorVersion", c.major}, {"MinorVersion", c.minor}}) {
            if (value) registry.Put(Machine(kActiveSyncKeyPath), name, RegistryType::Dword, *value);
        }
        EXPECT_EQ(CheckActiveSyncVersion(registry), c.passes) << c.name;
    }
    FakeRegistry no_key;
    EXPECT_FALSE(CheckActiveSyncVersion(no_key));
}

TEST(WindowsFamilyTest, ComesFromTheMajorNumberOfTheNtVersion) {
    const std::vector<std::pair<std::optional<std::string>, int>> cases = {
        {"4.0", kWindowsNt4},
        {"3.51", kWindowsNt4},
        {"5.0", kWindowsNt5},
        {"5.1", kWindowsNt5},
        {"6.1", kOtherWindows},
        {"10.0", kOtherWindows},
        {"6.3", kOtherWindows},
        {"14.0", kOtherWindows},
        {"5", kOtherWindows},
        {std::nullopt, kOtherWindows},                  // no key
        {"5.1" + std::string(96, ' '), kWindowsNt5},    // 100 bytes with its zero
        {"5.1" + std::string(97, ' '), kOtherWindows},  // 101 bytes: not read
    };
    for (const auto& [version, family] : cases) {
        FakeRegistry registry;
        if (version) registry.PutText(Machine(kWindowsVersionKeyPath), "CurrentVersion", *version);
        EXPECT_EQ(GetWindowsFamily(registry), family) << version.value_or("(no key)");
    }
}

TEST(RestartActiveSyncTest, StartsTheAppPathsProgramWhenItCanBeRead) {
    const std::string program = "C:\\Programme\\Microsoft ActiveSync\\WCESCOMM.EXE";
    const std::vector<std::pair<std::optional<std::string>, std::vector<std::string>>> cases = {
        {program, {"start " + program}},
        {std::nullopt, {}},           // no key
        {"", {}},                     // nothing to start
        {std::string(256, 'p'), {}},  // 257 bytes: not read
    };
    for (const auto& [entry, calls] : cases) {
        FakeRegistry registry;
        FakeProcesses processes;
        if (entry) registry.PutText(Machine(kConnectionManagerKeyPath), "", *entry);
        RestartActiveSync(registry, processes);
        EXPECT_EQ(processes.calls, calls) << entry.value_or("(no key)");
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
        const TimelineClock clock(processes.calls);
        StopActiveSync({registry, processes, clock});

        // On NT 4 the window way runs once for each of the two names.
        const bool by_process = !listing.empty();
        const std::vector<std::string> expected =
            by_process
                ? std::vector<std::string>{"wait 1000", listing, "wait 1000", listing, "wait 1000"}
                : std::vector<std::string>{"wait 1000", "windows",   "wait 500",
                                           "windows",   "wait 1000", "windows",
                                           "wait 500",  "windows",   "wait 1000"};
        EXPECT_EQ(processes.calls, expected) << name;
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
