// The simulated handheld's remote-API face as the wizard relies on it: the identity reply, the
// file calls and their errors, and the device backup program's chunk protocol.
#include <gtest/gtest.h>

#include <algorithm>

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

TEST(RemoteApiFace, GetDeviceDataNeedsItsLibraryAndAnswersInThreeSlots) {
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
    std::string version = Slot(reply, 0);
    std::string model = Slot(reply, 1);
    EXPECT_EQ(version.substr(0, 4), "3.10");
    EXPECT_EQ(version.substr(8), "ENG");
    EXPECT_EQ(model.substr(7, 5) + model.substr(13, 4), "Orvo 4700");
    EXPECT_EQ(model.substr(17, 3), "NBT");
    EXPECT_EQ(model.find("Ser"), std::string::npos) << "a USB link";
    EXPECT_EQ(Slot(reply, 2), "32");
    EXPECT_EQ(reply[48], 0);
    EXPECT_EQ(reply[49], 0);
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
    EXPECT_EQ(error, 183u) << "CREATE_NEW on a file that exists, whatever the letter case";
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

    // A library the handheld has run stays loaded: it cannot be replaced.
    ASSERT_TRUE(rapi.Put("\\Windows\\SetSystemTime.dll", {1}));
    EXPECT_LT(rapi.Invoke("SetSystemTime.dll", "SetSysTime", std::vector<std::uint8_t>(187)).result,
              0)
        << "a record of 187 bytes";
    EXPECT_EQ(rapi.Create("\\Windows\\SetSystemTime.dll", kWrite, 1, 2, error), kInvalid);
    EXPECT_EQ(error, 183u);
    EXPECT_NE(sim.State().find("SetSysTime record of 187 bytes, expected 188"), std::string::npos);
}

TEST(RemoteApiFace, BackupProgramHandsOverTheFirst31MegabytesInOrder) {
    Sim sim;
    Rapi rapi(sim.rapi_port());
    ASSERT_TRUE(rapi.Init());
    Writer start;
    start.Bytes(Utf16("\\Temp\\backup.exe")).Bytes({});
    EXPECT_EQ(rapi.Call(Op::CreateProcess, start).error, 2u) << "not copied yet";
    ASSERT_TRUE(rapi.Put("\\Temp\\backup.exe", {0x4D, 0x5A}));
    ASSERT_EQ(rapi.Call(Op::CreateProcess, start).result, 1);
    std::vector<std::uint8_t> flash = ReadFile(sim.FlashFile());
    std::vector<std::uint8_t> fetched;
    for (int chunk = 0; chunk < 124; ++chunk) {
        std::uint32_t error = 0;
        std::uint32_t h = kInvalid;
        for (int i = 0; i < 500 && h == kInvalid; ++i) {
            h = rapi.Create("\\Temp\\image.nb", kRead, 1, 3, error);
        }
        ASSERT_NE(h, kInvalid) << "chunk " << chunk;
        std::vector<std::uint8_t> data = ReadAll(rapi, h, 262144);
        ASSERT_EQ(data.size(), 262144u);
        fetched.insert(fetched.end(), data.begin(), data.end());
        Close(rapi, h);
        ASSERT_EQ(PathCall(rapi, Op::DeleteFile, "\\Temp\\image.nb").result, 1);
    }
    EXPECT_TRUE(std::equal(fetched.begin(), fetched.end(), flash.begin()));
    std::uint32_t error = 0;
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(rapi.Create("\\Temp\\image.nb", kRead, 1, 3, error), kInvalid);
    EXPECT_NE(sim.State().find("\"chunks_written\":124,\"chunks_taken\":124,\"stop_after\":0,"
                               "\"outcome\":\"complete\""),
              std::string::npos);
}

}  // namespace
}  // namespace rigtest
