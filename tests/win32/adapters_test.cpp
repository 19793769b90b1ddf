// The platform adapters against the real system under Wine, in what no road reaches: the
// registry below a key of its own (its values' types and lengths, machine keys read-only and read
// within their room); the image file locked or shared; the serial adapter over a pipe (an event
// that cannot be made, a pending read woken or shut); the processes adapter over copies of the
// idle stand-in wcesmgr.exe (window "WCES Manager Thunk Window") under a name of its own.

#include "image/image_operations.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_serial_port.h"
#include "shell/flash_settings.h"
#include "unit/test_support.h"
#include "win32/program_resources.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace orvo::win32 {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using RawValues = std::vector<std::tuple<const char*, DWORD, Bytes>>;

constexpr auto Field = testing::FieldBytes;
Bytes Terminated(std::string_view text) { return Field(text, text.size() + 1); }

class RegistryAdapterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, root_path_.c_str(), &root_), ERROR_SUCCESS);
    }
    ~RegistryAdapterTest() override {
        RegCloseKey(root_);
        RegDeleteTreeA(HKEY_CURRENT_USER, root_path_.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\RomwizardTests");  // only once it is empty
    }

    const std::string root_path_ = "Software\\RomwizardTests\\" +
                                   std::to_string(GetCurrentProcessId()) + "-" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name();
    HKEY root_ = nullptr;
};

TEST_F(RegistryAdapterTest, SaveStoresEveryValueWithItsTypeAndLength) {
    Win32Registry registry(root_);
    WizardState state;
    state.Device = {"Orvo 4700", "NBT", "GER", "2.04", "German", 32};
    state.SerialLink = 0;
    state.ImagePath = "C:\\Orvo\\rom.nbf";
    SaveFlashSettings(state, registry);

    const RawValues expected = {
        {"Flash", REG_DWORD, {1, 0, 0, 0}},
        {"Language", REG_SZ, Field("German", 20)},
        {"ModelID", REG_SZ, Field("Orvo 4700", 15)},
        {"Lang", REG_SZ, Field("GER", 10)},
        {"Version", REG_SZ, Field("2.04", 20)},
        {"USB", REG_DWORD, {1, 0, 0, 0}},
        {"FlashFile", REG_SZ, Terminated("C:\\Orvo\\rom.nbf")},
    };
    for (const auto& [name, type, data] : expected) {
        DWORD stored_type = 0, size = 256;
        Bytes stored(size);
        const LSTATUS status =
            RegGetValueA(root_, kSettingsKeyPath, name, RRF_RT_ANY | RRF_NOEXPAND, &stored_type,
                         stored.data(), &size);
        stored.resize(size);
        EXPECT_EQ(std::tuple(status, stored_type, stored), std::tuple(ERROR_SUCCESS, type, data))
            << name;
    }
}

TEST_F(RegistryAdapterTest, MachineKeysAreReadOnlyAndReadWithinTheirRoom) {
    const RawValues values = {{"", REG_SZ, Terminated("C:\\wcescomm.exe")},
                              {"Major", REG_DWORD, {3, 0, 0, 0}},
                              {"Version", REG_SZ, Terminated("5.1")}};
    for (const auto& [name, type, data] : values) {
        ASSERT_EQ(RegSetKeyValueA(root_, kSettingsKeyPath, name, type, data.data(),
                                  static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }
    Win32Registry registry(HKEY_CURRENT_USER, root_);
    std::unique_ptr<RegistryKey> key = registry.OpenMachineKey(kSettingsKeyPath);
    ASSERT_NE(key, nullptr);
    const std::tuple<const char*, std::size_t, std::optional<Bytes>> cases[] = {
        {"", 256, Terminated("C:\\wcescomm.exe")},
        {"major", 4, Bytes{3, 0, 0, 0}},
        {"Major", 3, std::nullopt},
        {"Version", 4, Terminated("5.1")},
        {"Version", 3, std::nullopt},
        {"Missing", 100, std::nullopt},
    };
    for (const auto& [name, room, data] : cases) {
        EXPECT_EQ(key->ReadValue(name, room), data) << name << " in " << room;
    }
    const std::uint8_t one[4] = {1, 0, 0, 0};
    EXPECT_FALSE(key->SetValue("Major", RegistryType::Dword, one));
    EXPECT_EQ(registry.OpenMachineKey("Missing"), nullptr);
}

HANDLE OpenWithOthers(const std::string& path, DWORD share) {
    return CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST(ImageFileWin32Test, TellsAMissingFileFromALockedOneAndSharesReading) {
    testing::TempDir dir;
    ImageFile file;
    EXPECT_EQ(file.Open(dir.Path("missing.nbf")), ImageFile::OpenResult::NotFound);
    const std::string path = dir.Write("locked.nbf", testing::MakeImage({}));
    {
        const KernelHandle exclusive(OpenWithOthers(path, 0));
        ASSERT_TRUE(exclusive);
        EXPECT_EQ(file.Open(path), ImageFile::OpenResult::Failed);
    }
    ASSERT_EQ(file.Open(path), ImageFile::OpenResult::Opened);
    EXPECT_TRUE(KernelHandle(OpenWithOthers(path, FILE_SHARE_READ)))
        << "another program may read the open image";
}

int events_made = 0;
int failing_event = -1;

HANDLE MakeEventFailingOne(BOOL manual_reset, BOOL signalled) {
    if (events_made++ == failing_event) return nullptr;
    return CreateEventW(nullptr, manual_reset, signalled, nullptr);
}

// The device's end of a new pipe, opened for overlapped I/O as the port opens its device; the
// other end, which sends nothing, goes to `other_end`.
HANDLE Device(KernelHandle& other_end) {
    static int made = 0;
    const std::wstring name = L"\\\\.\\pipe\\romwizard-port-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++made);
    const HANDLE device = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                           PIPE_TYPE_BYTE, 1, 64, 64, 0, nullptr);
    other_end = KernelHandle(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    return device;
}

TEST(Win32SerialPort, AnEventThatCannotBeMadeFailsTheOpenAndThePortIsClosed) {
    // The read, wake and shut events in turn, then none.
    for (int failing : {0, 1, 2, -1}) {
        SCOPED_TRACE(failing);
        events_made = 0;
        failing_event = failing;
        KernelHandle other_end;
        const HANDLE device = Device(other_end);
        ASSERT_TRUE(other_end);
        EXPECT_EQ(Win32SerialPort::Take(KernelHandle(device), MakeEventFailingOne) != nullptr,
                  failing == -1);
        DWORD flags = 0;
        EXPECT_FALSE(GetHandleInformation(device, &flags)) << "the device is closed";
    }
}

TEST(Win32SerialPort, APendingReadWaitsItsBoundAndEndsWhenWokenOrShut) {
    KernelHandle other_end;
    std::unique_ptr<Win32SerialPort> port = Win32SerialPort::Take(KernelHandle(Device(other_end)));
    ASSERT_TRUE(port && other_end);
    std::uint8_t byte = 0;
    EXPECT_EQ(port->ReadByte(byte, 50ms), SerialPort::ReadResult::Nothing);
    for (const bool shut : {false, true}) {
        std::thread other([&] {
            std::this_thread::sleep_for(100ms);
            shut ? port->Shut() : port->WakeReader();
        });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(port->ReadByte(byte, 10s),
                  shut ? SerialPort::ReadResult::Failed : SerialPort::ReadResult::Nothing);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        other.join();
    }
    const std::uint8_t out[] = {'x'};
    EXPECT_EQ(port->Write(out, 1s), 0u) << "nothing is written once shut";
}

constexpr char kIdleTitle[] = "WCES Manager Thunk Window";

HWND Popup(const char* title) {
    return CreateWindowExA(0, "STATIC", title, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                           nullptr);
}

// A started copy of the idle program, ended when the test is done with it.
class Started {
  public:
    explicit Started(const std::string& path) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        CreateProcessA(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info);
        CloseHandle(info.hThread);
        process_ = KernelHandle(info.hProcess);
        id_ = info.dwProcessId;
    }
    ~Started() { TerminateProcess(process_.get(), 1); }

    // The exit code once it has ended within `wait_ms`, else STILL_ACTIVE.
    DWORD ExitCode(DWORD wait_ms) const {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(process_.get(), wait_ms) == WAIT_OBJECT_0) {
            GetExitCodeProcess(process_.get(), &code);
        }
        return code;
    }
    bool WindowShowsUp() const {
        return testing::Eventually([this] {
            for (HWND w = FindWindowA(nullptr, kIdleTitle); w; w = GetWindow(w, GW_HWNDNEXT)) {
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner == id_) return true;
            }
            return false;
        });
    }

  private:
    KernelHandle process_;
    DWORD id_ = 0;
};

class ProcessesAdapterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CopyFileA(test::BuiltFile("wcesmgr.exe").c_str(), copy_.c_str(), FALSE));
    }
    void TearDown() override {
        DestroyWindow(main_window_);
        DeleteFileA(copy_.c_str());
    }
    void MakeMainWindow() {
        DestroyWindow(main_window_);
        main_window_ = Popup("main");
    }

    const std::string name_ = "Idle-" + std::to_string(GetCurrentProcessId()) + ".EXE";
    const std::string copy_ = (std::filesystem::temp_directory_path() / name_).string();
    HWND main_window_ = nullptr;
    Win32Processes processes_{main_window_};
};

TEST_F(ProcessesAdapterTest, EachListingEndsTheFirstMatchOnlyWithExitCodeZero) {
    for (ProcessListing listing : {ProcessListing::ProcessStatus, ProcessListing::Snapshot}) {
        Started first(copy_), second(copy_);
        processes_.EndFirstProcess(listing,
                                   [this](std::string_view path) { return path.ends_with(name_); });
        const DWORD codes[2] = {first.ExitCode(5000), second.ExitCode(200)};
        EXPECT_TRUE((codes[0] == 0 && codes[1] == STILL_ACTIVE) ||
                    (codes[1] == 0 && codes[0] == STILL_ACTIVE))
            << static_cast<int>(listing) << ": " << codes[0] << ", " << codes[1];
    }
}

TEST_F(ProcessesAdapterTest, TheWindowWalkEndsOwnersBelowTheMainWindowOnly) {
    const auto idle = [](std::string_view title) { return title == kIdleTitle; };
    {
        MakeMainWindow();
        Started above(copy_);  // its window is made later, above the main window
        ASSERT_TRUE(above.WindowShowsUp());
        processes_.EndFirstWindowOwner(idle);
        EXPECT_EQ(above.ExitCode(500), STILL_ACTIVE) << "a window above the main window";
    }
    Started below(copy_);
    ASSERT_TRUE(below.WindowShowsUp());
    // A window of this program lies between: the walk never offers the caller's own windows.
    const HWND own = Popup("Own");
    MakeMainWindow();
    processes_.EndFirstWindowOwner([&idle](std::string_view title) {
        EXPECT_NE(title, "Own");
        return idle(title);
    });
    EXPECT_EQ(below.ExitCode(5000), 0u) << "the window below the main window";
    DestroyWindow(own);
}

}  // namespace
}  // namespace orvo::win32
