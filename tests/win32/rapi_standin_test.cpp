// The stand-in rapi.dll against handheld-sim: the caller's mistakes that it reports to the
// handheld, on which the program's remote-API tests rely when they find no errors there, and how
// sessions count in either setting.

#include "rapi/win32/rapi_types.h"
#include "wine_sim.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvo::wine {
namespace {

// The stand-in's entry points, found by name as the program finds them.
struct StandIn {
    template <typename F>
    F Find(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
    HMODULE module = LoadLibraryA(RAPI_DLL);
    decltype(&CeRapiInitEx) InitEx = Find<decltype(&CeRapiInitEx)>("CeRapiInitEx");
    decltype(&CeRapiUninit) Uninit = Find<decltype(&CeRapiUninit)>("CeRapiUninit");
    decltype(&CeRapiInvoke) Invoke = Find<decltype(&CeRapiInvoke)>("CeRapiInvoke");
    decltype(&CeCreateFile) CreateFile = Find<decltype(&CeCreateFile)>("CeCreateFile");
    decltype(&CeCloseHandle) CloseHandle = Find<decltype(&CeCloseHandle)>("CeCloseHandle");
    decltype(&CeCreateProcess) CreateProcess = Find<decltype(&CeCreateProcess)>("CeCreateProcess");
    decltype(&CeGetSystemPowerStatusEx) PowerStatus =
        Find<decltype(&CeGetSystemPowerStatusEx)>("CeGetSystemPowerStatusEx");

    HRESULT Open(DWORD size = sizeof(RAPIINIT)) {
        RAPIINIT init{size, nullptr, 0};
        return InitEx(&init);
    }
    bool Reachable() {
        SYSTEM_POWER_STATUS_EX status{};
        return PowerStatus(&status, TRUE) != FALSE;
    }
    // The identity record in `record` (76 bytes), its text's length given as `length`.
    HRESULT WriteArea(BYTE* record, DWORD length) {
        const DWORD head[3] = {2, 0xA0040100, length};
        std::memcpy(record, head, sizeof head);
        for (int i = 0; i < 19; ++i) record[12 + 2 * i] = "Orvo 4700NBTGER2.04"[i];
        DWORD size = 0;
        BYTE* reply = nullptr;
        const HRESULT result = Invoke(L"ZIB_WriteReserveArea.dll", L"WriteArea", 76, record, &size,
                                      &reply, nullptr, 0);
        if (reply != nullptr) LocalFree(reply);
        return result;
    }
};

// How many errors the handheld has noted, and the last one.
std::pair<std::size_t, std::string> Errors(WineSim& sim) {
    const std::string state = sim.Control("state");
    const std::size_t start = state.find("\"errors\":[") + 10;
    const std::string list = state.substr(start, state.find(']', start) - start);
    if (list.empty()) return {0, ""};
    std::size_t count = 1;
    for (std::size_t at = list.find("\",\""); at != std::string::npos;
         at = list.find("\",\"", at + 1))
        ++count;
    return {count, list.substr(list.rfind("\",\"") == std::string::npos ? 0 : list.rfind("\",\""))};
}

class RemoteApiStandIn : public ::testing::Test {
  protected:
    void SetUp() override {
        sim_ = std::make_unique<WineSim>(std::vector<std::string>{});
        if (!sim_->Unavailable().empty()) GTEST_SKIP() << sim_->Unavailable();
        _putenv_s("ROMWIZARD_SIM_RAPI", std::to_string(sim_->RapiPort()).c_str());
        ASSERT_NE(api_.module, nullptr);
    }
    std::unique_ptr<WineSim> sim_;
    StandIn api_;
};

TEST_F(RemoteApiStandIn, ReportsTheCallersMistakesToTheHandheld) {
    const bool narrow = sizeof(void*) == 4;  // the other platform's records are the wide ones
    struct Mistake {
        const char* name;
        bool in_session;
        std::function<bool(StandIn&)> call;  // false when the call's own outcome is wrong
        std::string noted;                   // what the handheld is told; empty: nothing
    };
    const Mistake mistakes[] = {
        {"none: an input buffer of LocalAlloc, which the call frees", true,
         [](StandIn& api) {
             auto* record = static_cast<BYTE*>(LocalAlloc(LPTR, 76));
             return api.WriteArea(record, 20) >= 0 && !HeapValidate(GetProcessHeap(), 0, record);
         },
         ""},
        {"an input buffer from new", true,
         [](StandIn& api) {
             std::vector<BYTE> record(76);
             return api.WriteArea(record.data(), 20) >= 0;
         },
         "CeRapiInvoke input buffer not allocated with LocalAlloc"},
        {"a text length not rounded up to four", true,
         [](StandIn& api) {
             return api.WriteArea(static_cast<BYTE*>(LocalAlloc(LPTR, 76)), 19) < 0;
         },
         "WriteArea length 19 for a text of 19 characters, expected 20"},
        {"a session record of the other platform's size", false,
         [narrow](StandIn& api) { return api.Open(narrow ? 24 : 12) == E_INVALIDARG; },
         narrow ? "record size 24, the platform's is 12" : "record size 12, the platform's is 24"},
        {"a start-up record of the other platform's size", true,
         [narrow](StandIn& api) {
             STARTUPINFOW startup{};
             startup.cb = narrow ? 104 : 68;
             PROCESS_INFORMATION process{};
             return api.CreateProcess(L"\\Temp\\none.exe", L"", nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &process) == FALSE;
         },
         narrow ? "record size 104, the platform's is 68"
                : "record size 68, the platform's is 104"},
        {"a call outside a session", false, [](StandIn& api) { return !api.Reachable(); },
         "CeGetSystemPowerStatusEx called without CeRapiInitEx"},
        {"an end without a session", false, [](StandIn& api) { return api.Uninit() < 0; },
         "CeRapiUninit without CeRapiInitEx"},
    };
    // The device library is on the handheld, as the program copies it there first.
    ASSERT_EQ(api_.Open(), S_OK);
    const HANDLE library = api_.CreateFile(L"\\Windows\\ZIB_WriteReserveArea.dll", GENERIC_WRITE, 0,
                                           nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(library, INVALID_HANDLE_VALUE);
    api_.CloseHandle(library);
    ASSERT_EQ(api_.Uninit(), S_OK);
    for (const Mistake& mistake : mistakes) {
        SCOPED_TRACE(mistake.name);
        const std::size_t before = Errors(*sim_).first;
        if (mistake.in_session) {
            ASSERT_EQ(api_.Open(), S_OK);
        }
        EXPECT_TRUE(mistake.call(api_));
        if (mistake.in_session) {
            EXPECT_EQ(api_.Uninit(), S_OK);
        }
        const auto [count, last] = Errors(*sim_);
        EXPECT_EQ(count, before + (mistake.noted.empty() ? 0 : 1)) << last;
        EXPECT_NE(last.find(mistake.noted), std::string::npos) << last;
    }
}

// Sessions nest by default; in the strict setting, as on the platform, a nested one is refused
// and the first end ends the connection.
TEST_F(RemoteApiStandIn, SessionsNestUnlessStrict) {
    for (const bool strict : {false, true}) {
        SCOPED_TRACE(strict ? "strict" : "nesting");
        ASSERT_EQ(sim_->Control(strict ? "rapi strict on" : "rapi strict off"), "ok");
        ASSERT_EQ(api_.Open(), S_OK);
        EXPECT_EQ(api_.Open(), strict ? static_cast<HRESULT>(0x80041001) : S_OK);
        EXPECT_EQ(api_.Uninit(), S_OK);
        EXPECT_EQ(api_.Reachable(), !strict);
        EXPECT_EQ(api_.Uninit(), strict ? E_FAIL : S_OK);
    }
}

}  // namespace
}  // namespace orvo::wine
