// The simulated handheld's remote-API face as the wizard relies on it: the identity reply, the
// identity record, the file calls and their errors. (The backup's chunks are taken whole through
// rapi.dll by tests/rig/rapi.test.sh.)
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "rig/sim_harness.h"

namespace rigtest {
namespace {

using rig::wire::Op;
using rig::wire::Reader;
using rig::wire::Writer;

constexpr std::uint32_t kRead = 0x80000000;
constexpr std::uint32_t kWrite = 0x40000000;
constexpr std::uint32_t kInvalid = 0xFFFFFFFF;

std::string Slot(const std::vector<std::uint8_t>& reply, int slot) {
    std::string text;
    for (int i = 0; i < 25 && reply[slot * 50 + 2 * i] != 0; ++i)
        text += static_cast<char>(reply[slot * 50 + 2 * i]);
    return text;
}

rig::wire::Reply PathCall(Rapi& rapi, Op op, const std::string& a, const std::string& b = "") {
    Writer w;
    w.Bytes(Utf16(a));
    if (!b.empty()) w.Bytes(Utf16(b));
    return rapi.Call(op, w);
}

bool Close(Rapi& rapi, std::uint32_t handle) {
    Writer w;
    w.U32(handle);
    return rapi.Call(Op::CloseHandle, w).result == 1;
}

std::vector<std::uint8_t> ReadAll(Rapi& rapi, std::uint32_t handle, std::uint32_t count) {
    Writer w;
    w.U32(handle).U32(count);
    rig::wire::Reply r = rapi.Call(Op::ReadFile, w);
    Reader rd(r.payload);
    return rd.Bytes();
}

TEST(RemoteApiFace, DeviceLibrariesNeedCopyingAndKeepTheirRecords) {
    Sim sim({"--lang", "ENG", "--version", "3.10", "--link", "usb1", "--flash-mb", "32"});
    Rapi rapi(sim.rapi_port());
    ASSERT_TRUE(rapi.Init());
    EXPECT_LT(rapi.Invoke("GetDeviceData.dll", "GetDeviceData", {}).result, 0)
        << "not copied to the handheld yet";
    ASSERT_TRUE(rapi.Put("\\Windows\\GetDeviceData.dll", std::vector<std::uint8_t>(700, 9)));
    rig::wire::Reply r = rapi.Invoke("GetDeviceData.dll", "GetDeviceData", {});
    ASSERT_EQ(r.result, 0);
    Reader rd(r.payload);
    std::vector<std::uint8_t> reply = rd.Bytes();
    ASSERT_EQ(reply.size(), 150u);
    const std::string version = Slot(reply, 0), model = Slot(reply, 1);
    EXPECT_EQ(version.substr(0, 4) + version.substr(8), "3.10ENG");
    EXPECT_EQ(model.substr(7, 5) + model.substr(13, 4) + model.substr(17, 3), "Orvo 4700NBT");
    EXPECT_EQ(model.find("Ser"), std::string::npos) << "a USB link";
    EXPECT_EQ(Slot(reply, 2), "32");

    // The identity record: its length must be rounded up to a multiple of four.
    ASSERT_TRUE(rapi.Put("\\Windows\\ZIB_WriteReserveArea.dll", {1, 2, 3}));
    std::vector<std::uint8_t> record = Le32s({2, 0xA0040100, 19});
    std::vector<std::uint8_t> text = Utf16("Orvo 4700WBTENG3.10");
    record.insert(record.end(), text.begin(), text.end());
    record.resize(76, 0);
    EXPECT_LT(rapi.Invoke("ZIB_WriteReserveArea.dll", "WriteArea", record).result, 0);
    EXPECT_EQ(sim.Control("flash read A0040100 4"), "ok ffffffff")
        << "a refused record writes nothing";
    record[8] = 20;
    EXPECT_EQ(rapi.Invoke("ZIB_WriteReserveArea.dll", "WriteArea", record).result, 0);
    EXPECT_EQ(sim.Control("flash read A0040110 4"), "ok 2e313000") << "\".10\" and a zero";
}

TEST(RemoteApiFace, FileCallsKeepTheHandheldsRules) {
    Sim sim;
    Rapi rapi(sim.rapi_port());
    ASSERT_TRUE(rapi.Init());
    std::uint32_t error = 0;
    EXPECT_EQ(rapi.Create("\\Nowhere\\x.bin", kWrite, 0, 2, error), kInvalid);
    EXPECT_EQ(error, 3u) << "no such folder";
    std::uint32_t h = rapi.Create("\\Temp\\image.nb", kRead | kWrite, 3, 1, error);
    ASSERT_NE(h, kInvalid);
    EXPECT_EQ(rapi.Create("\\TEMP\\IMAGE.NB", kRead | kWrite, 3, 1, error), kInvalid);
    EXPECT_EQ(error, 80u) << "CREATE_NEW on a file that exists, whatever the letter case";
    EXPECT_EQ(rapi.Create("\\Temp\\image.nb", kRead, 1, 3, error), kInvalid);
    EXPECT_EQ(error, 32u) << "open for writing without shared writing";
    EXPECT_EQ(PathCall(rapi, Op::DeleteFile, "\\Temp\\image.nb").error, 32u) << "open file";
    EXPECT_EQ(PathCall(rapi, Op::MoveFile, "\\Temp\\image.nb", "\\Temp\\aside.nb").error, 32u);
    Writer w;
    w.U32(h).Bytes(std::vector<std::uint8_t>{'a', 'b', 'c'});
    EXPECT_EQ(rapi.Call(Op::WriteFile, w).result, 1);
    ASSERT_TRUE(Close(rapi, h));
    EXPECT_FALSE(Close(rapi, h)) << "a handle closes once";
    EXPECT_EQ(PathCall(rapi, Op::MoveFile, "\\Temp\\image.nb", "\\Temp\\aside.nb").result, 1);
    EXPECT_EQ(PathCall(rapi, Op::MoveFile, "\\Temp\\image.nb", "\\Temp\\aside.nb").error, 2u);
    h = rapi.Create("\\Temp\\aside.nb", kRead, 1, 3, error);
    EXPECT_EQ(ReadAll(rapi, h, 100), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
    EXPECT_TRUE(ReadAll(rapi, h, 100).empty()) << "end of file";
    Writer wr;
    wr.U32(h).Bytes(std::vector<std::uint8_t>{1});
    EXPECT_EQ(rapi.Call(Op::WriteFile, wr).error, 5u) << "opened for reading only";
    Close(rapi, h);
    EXPECT_EQ(PathCall(rapi, Op::DeleteFile, "\\Temp\\aside.nb").result, 1);
    EXPECT_EQ(PathCall(rapi, Op::DeleteFile, "\\Temp\\aside.nb").error, 2u);

    ASSERT_TRUE(rapi.Put("\\Windows\\SetSystemTime.dll", {1}));
    EXPECT_LT(rapi.Invoke("SetSystemTime.dll", "SetSysTime", std::vector<std::uint8_t>(187)).result,
              0)
        << "a record of 187 bytes";
    EXPECT_NE(sim.State().find("SetSysTime record of 187 bytes, expected 188"), std::string::npos);
}

// A file that is there is replaced and the last error says so; a library the handheld has loaded
// and the file of a program it runs stay in use until they are unloaded or the program ends.
TEST(RemoteApiFace, FilesThereOrInUse) {
    Sim sim;
    Rapi rapi(sim.rapi_port());
    ASSERT_TRUE(rapi.Init());
    ASSERT_TRUE(rapi.Put("\\Temp\\plain.bin", {1}));
    ASSERT_TRUE(rapi.Put("\\Windows\\GetDeviceData.dll", {1}));
    ASSERT_EQ(rapi.Invoke("GetDeviceData.dll", "GetDeviceData", {}).result, 0);
    ASSERT_TRUE(rapi.Put("\\Temp\\backup.exe", {1}));
    ASSERT_EQ(sim.Control("backup stop-after 1"), "ok");
    ASSERT_EQ(PathCall(rapi, Op::CreateProcess, "\\Temp\\backup.exe").result, 1);

    const struct {
        const char* path;
        std::uint32_t access, disposition;
        bool opens;
        std::uint32_t error;
    } cases[] = {
        {"\\Temp\\plain.bin", kWrite, 2, true, 183},  // CREATE_ALWAYS over it
        {"\\Temp\\plain.bin", kWrite, 4, true, 183},  // OPEN_ALWAYS
        {"\\Temp\\plain.bin", kWrite, 1, false, 80},  // CREATE_NEW
        {"\\Temp\\fresh.bin", kWrite, 2, true, 0},    // CREATE_ALWAYS, nothing there
        {"\\Windows\\GetDeviceData.dll", kWrite, 2, false, 32},
        {"\\Windows\\GetDeviceData.dll", kRead, 3, true, 0},  // reading a loaded library
        {"\\Temp\\backup.exe", kWrite, 2, false, 32},
    };
    for (const auto& c : cases) {
        std::uint32_t error = 0;
        std::uint32_t h = rapi.Create(c.path, c.access, 1, c.disposition, error);
        EXPECT_EQ(h != kInvalid, c.opens) << c.path << " disposition " << c.disposition;
        EXPECT_EQ(error, c.error) << c.path << " disposition " << c.disposition;
        if (h != kInvalid) Close(rapi, h);
    }
    EXPECT_EQ(PathCall(rapi, Op::DeleteFile, "\\Temp\\plain.bin").result, 1);
    EXPECT_EQ(PathCall(rapi, Op::DeleteFile, "\\Windows\\GetDeviceData.dll").error, 32u);
    EXPECT_EQ(PathCall(rapi, Op::DeleteFile, "\\Temp\\backup.exe").error, 32u);

    // Taking its one chunk ends the program; a restart unloads the library.
    bool taken = false;
    for (int i = 0; i < 100 && !taken; ++i) {
        taken = PathCall(rapi, Op::DeleteFile, "\\Temp\\image.nb").result == 1;
        if (!taken) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(taken);
    rig::wire::Reply deleted{};
    for (int i = 0; i < 100 && deleted.result != 1; ++i) {
        deleted = PathCall(rapi, Op::DeleteFile, "\\Temp\\backup.exe");
        if (deleted.result != 1) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(deleted.result, 1) << "the program has ended";
    EXPECT_EQ(PathCall(rapi, Op::DeleteFile, "\\Windows\\GetDeviceData.dll").error, 32u);
    ASSERT_EQ(sim.Control("reset"), "ok");
    ASSERT_TRUE(rapi.Init());
    EXPECT_EQ(PathCall(rapi, Op::DeleteFile, "\\Windows\\GetDeviceData.dll").result, 1);
}

// The strict setting, by option or command: a nested initialisation is refused as the platform
// refuses it, and an uninitialisation tells the library to end the connection.
TEST(RemoteApiFace, StrictSettingRefusesNestedSessions) {
    const struct {
        std::vector<std::string> options;
        const char* command;
        bool strict;
    } cases[] = {
        {{}, nullptr, false},
        {{"--rapi-strict"}, nullptr, true},
        {{}, "rapi strict on", true},
        {{"--rapi-strict"}, "rapi strict off", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command ? c.command : c.options.empty() ? "default" : "option");
        Sim sim(c.options);
        if (c.command) {
            ASSERT_EQ(sim.Control(c.command), "ok");
        }
        Rapi rapi(sim.rapi_port());
        ASSERT_TRUE(rapi.Init());
        Writer nested;
        nested.U32(0).U32(1);
        rig::wire::Reply r = rapi.Call(Op::Init, nested);
        EXPECT_EQ(r.result, c.strict ? rig::wire::kAlreadyInitialised : 0);
        r = rapi.Call(Op::Uninit, Writer{});
        Reader rd(r.payload);
        EXPECT_EQ(rd.U32(), c.strict ? 1u : 0u) << "the first uninitialisation ends it all";
        const std::string state = sim.State();
        EXPECT_EQ(Missing(state, {c.strict ? "\"strict\":true" : "\"strict\":false",
                                  c.strict ? "\"inits\":1" : "\"inits\":2",
                                  c.strict ? "\"refused_inits\":1" : "\"refused_inits\":0"}),
                  "")
            << state;
    }
}

}  // namespace
}  // namespace rigtest
