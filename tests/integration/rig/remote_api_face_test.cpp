// The simulated handheld's remote-API face as the wizard relies on it: the identity reply, the
// identity record, the file calls and their errors. (The backup's chunks are taken whole through
// rapi.dll by tests/rig/rapi.test.sh.)
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace rigtest
