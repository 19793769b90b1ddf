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

// Writes its waits into the same timeline as the fake's walks, and waits for none of them.
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
        std::optional<std::vector<std::uint8_t>> major, minor;
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
        {"a minor of 8 bytes is unread", Dword(3), std::vector<std::uint8_t>(8, 5), false},
        {"a short value counts", std::vector<std::uint8_t>{4}, std::nullopt, true},
    };
    for (const Case& c : cases) {
        FakeRegistry registry;
        registry.Put(Machine(kActiveSyncKeyPath), "Other", RegistryType::Dword, Dword(99));
        if (c.major)
            registry.Put(Machine(kActiveSyncKeyPath), "MajorVersion", RegistryType::Dword,
                         *c.major);
        if (c.minor)
            registry.Put(Machine(kActiveSyncKeyPath), "MinorVersion", RegistryType::Dword,
                         *c.minor);
        EXPECT_EQ(CheckActiveSyncVersion(registry), c.passes) << c.name;
    }
    FakeRegistry user_key_only;
    user_key_only.Put(kActiveSyncKeyPath, "MajorVersion", RegistryType::Dword, Dword(4));
    EXPECT_FALSE(CheckActiveSyncVersion(user_key_only)) << "no key of the local machine";
}

TEST(WindowsFamilyTest, ComesFromTheMajorNumberOfTheNtVersion) {
    struct Case {
        std::optional<std::string> version;  // none: no value
        int family;
    };
    const std::vector<Case> cases = {
        {"4.0", kWindowsNt4},   {"3.51", kWindowsNt4},         {"5.0", kWindowsNt5},
        {"5.1", kWindowsNt5},   {"6.1", kOtherWindows},        {"10.0", kOtherWindows},
        {"6.3", kOtherWindows}, {"14.0", kOtherWindows},       {"", kOtherWindows},
        {"5", kOtherWindows},   {std::nullopt, kOtherWindows},
    };
    for (const Case& c : cases) {
        FakeRegistry registry;
        if (c.version)
            registry.PutText(Machine(kWindowsVersionKeyPath), "CurrentVersion", *c.version);
        else
            registry.PutText(Machine(kWindowsVersionKeyPath), "CurrentBuild", "2600");
        EXPECT_EQ(GetWindowsFamily(registry), c.family) << c.version.value_or("(missing)");
    }
    FakeRegistry too_long;
    too_long.PutText(Machine(kWindowsVersionKeyPath), "CurrentVersion",
                     "5.1" + std::string(97, ' '));
    EXPECT_EQ(GetWindowsFamily(too_long), kOtherWindows) << "101 bytes do not fit";
    FakeRegistry fitting;
    fitting.PutText(Machine(kWindowsVersionKeyPath), "CurrentVersion",
                    "5.1" + std::string(96, ' '));
    EXPECT_EQ(GetWindowsFamily(fitting), kWindowsNt5) << "100 bytes fit";
    FakeRegistry no_key;
    EXPECT_EQ(GetWindowsFamily(no_key), kOtherWindows);
}

TEST(RestartActiveSyncTest, StartsTheAppPathsProgramOnly) {
    const std::string program = "C:\\Programme\\Microsoft ActiveSync\\WCESCOMM.EXE";
    struct Case {
        const char* name;
        std::optional<std::string> entry;
        std::vector<std::string> calls;
    };
    const std::vector<Case> cases = {
        {"entry", program, {"start " + program}},
        {"no key", std::nullopt, {}},
        {"empty entry", "", {}},
        {"256 bytes fit", std::string(255, 'p'), {"start " + std::string(255, 'p')}},
        {"257 bytes do not", std::string(256, 'p'), {}},
    };
    for (const Case& c : cases) {
        FakeRegistry registry;
        FakeProcesses processes;
        if (c.entry) registry.PutText(Machine(kConnectionManagerKeyPath), "", *c.entry);
        RestartActiveSync(registry, processes);
        EXPECT_EQ(processes.calls, c.calls) << c.name;
    }
}

TEST(StopActiveSyncTest, EndsBothProgramsTheWayTheWindowsFamilyChooses) {
    const std::vector<std::string> by_processes = {"wait 1000", "LISTING", "wait 1000", "LISTING",
                                                   "wait 1000"};
    const std::vector<std::string> by_windows = {"wait 1000", "windows",   "wait 500",
                                                 "windows",   "wait 1000", "windows",
                                                 "wait 500",  "windows",   "wait 1000"};
    struct Case {
        std::optional<std::string> version;
        const char* listing;  // null: the window way
    };
    const std::vector<Case> cases = {
        {"5.1", "process-status"},  {"5.0", "process-status"}, {"6.1", "snapshot"},
        {std::nullopt, "snapshot"}, {"4.0", nullptr},          {"3.51", nullptr},
    };
    for (const Case& c : cases) {
        const std::string name = c.version.value_or("(no version)");
        FakeRegistry registry;
        if (c.version)
            registry.PutText(Machine(kWindowsVersionKeyPath), "CurrentVersion", *c.version);
        FakeProcesses processes;
        processes.processes = {{"C:\\WINDOWS\\Explorer.EXE"},
                               {"c:\\programme\\microsoft activesync\\WCESCOMM.EXE"},
                               {"C:\\Programme\\Microsoft ActiveSync\\wcescomm.exe"},
                               {"C:\\Programme\\Microsoft ActiveSync\\WCESMGR.EXE"}};
        processes.windows = {
            {"DccMan Hilfe"}, {"dccman"}, {"WCES MANAGER THUNK WINDOW"}, {"DccMan"}};
        TimelineClock clock(processes.calls);
        StopActiveSync({registry, processes, clock});

        std::vector<std::string> expected = c.listing ? by_processes : by_windows;
        for (std::string& step : expected) {
            if (step == "LISTING") step = c.listing;
        }
        EXPECT_EQ(processes.calls, expected) << name;
        // One process per name, the first listed; on NT 4 the window way runs once per name.
        const std::vector<bool> processes_ended = {false, c.listing != nullptr, false,
                                                   c.listing != nullptr};
        const std::vector<bool> windows_ended = {false, !c.listing, !c.listing, !c.listing};
        for (std::size_t i = 0; i < processes.processes.size(); ++i) {
            EXPECT_EQ(processes.processes[i].ended, processes_ended[i]) << name << " process " << i;
        }
        for (std::size_t i = 0; i < processes.windows.size(); ++i) {
            EXPECT_EQ(processes.windows[i].ended, windows_ended[i]) << name << " window " << i;
        }
    }
}

}  // namespace
}  // namespace orvo
