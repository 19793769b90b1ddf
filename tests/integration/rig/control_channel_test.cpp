// Each fault the control channel can stage behaves as the README documents it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "rig/sim_harness.h"

namespace rigtest {
namespace {

using rig::wire::Op;
using rig::wire::Writer;

constexpr std::uint32_t kBlock = 0x20000;

// Starts a download of 8 blocks at 0xA0080000 and answers `blocks` record requests.
void SendBlocks(Line& line, int blocks) {
    line.Write("lnb c:\\test.nbf A0000000 180000 00080000\r");
    line.ReadUntil("start NB image download\r\n");
    line.Write("B000FF\n");
    line.ReadUntil("\x01");
    line.Write(Le32s({0xA0080000, 0x100000}));
    for (int i = 0; i < blocks; ++i) {
        ASSERT_EQ(line.ReadUntil("\x02"), "\x02") << "request for block " << i;
        line.Write(Le32s({0xA0080000 + i * kBlock, kBlock, 0}));
        line.Write(std::vector<std::uint8_t>(kBlock, static_cast<std::uint8_t>(i)));
    }
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::uint8_t AcLine(Rapi& rapi) {
    Writer w;
    w.U32(1);
    rig::wire::Reply r = rapi.Call(Op::PowerStatus, w);
    rig::wire::Reader rd(r.payload);
    std::vector<std::uint8_t> status = rd.Bytes();
    return r.result == 1 && status.size() == 24 ? status[0] : 0xEE;
}

TEST(ControlChannel, PullingAUsbCableAfterNBlocksTakesThePortAway) {
    Sim sim({"--mode", "bootloader", "--link", "usb1"});
    Line line(sim.Link("usb1"));
    ASSERT_EQ(sim.Control("cable pull-after 3"), "ok");
    SendBlocks(line, 3);
    EXPECT_EQ(line.ReadFor(500), "") << "no request after the third block";
    EXPECT_FALSE(line.alive()) << "the pty is gone";
    EXPECT_FALSE(Exists(sim.Link("usb1")));
    const std::string state = sim.State();
    EXPECT_EQ(Missing(state, {"\"cable\":\"pulled\"", "download aborted: cable pulled",
                              "\"bytes\":393216,\"blocks\":3,\"state\":\"aborted\""}),
              "")
        << state;
    ASSERT_EQ(sim.Control("cable plug"), "ok");
    for (int i = 0; i < 40 && !Exists(sim.Link("usb1")); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    Line again(sim.Link("usb1"));
    ASSERT_TRUE(again.ok()) << "plugged in again";
    again.Write("USB Port Test\r");
    EXPECT_EQ(again.ReadUntil("\n"), "USB Port Test\r\n");
}

TEST(ControlChannel, PullingTheCableDuringTheSecondDownloadLeavesTheFirstWhole) {
    Sim sim({"--mode", "bootloader"});
    Line line(sim.Link("com1"));
    ASSERT_EQ(sim.Control("cable pull-during 2 1"), "ok");
    SendBlocks(line, 8);
    line.Write(Le32s({0, 0, 0}));
    SendBlocks(line, 1);
    EXPECT_EQ(line.ReadFor(500), "") << "no request after the first block of the second download";
    const std::string state = sim.State();
    EXPECT_EQ(Missing(state, {"\"cable\":\"pulled\"", "\"pull_during\":null",
                              "\"bytes\":1048576,\"blocks\":8,\"state\":\"complete\"",
                              "\"bytes\":131072,\"blocks\":1,\"state\":\"aborted\""}),
              "")
        << state;
}

TEST(ControlChannel, ARestartLosesWhatThePcSentBeforeIt) {
    Sim sim({"--mode", "bootloader"});
    Line line(sim.Link("com1"));
    ASSERT_EQ(sim.Control("baud 300"), "ok");
    line.Write(std::string(300, 'x'));  // still in flight when the handheld restarts
    ASSERT_EQ(sim.Control("boot"), "ok");
    ASSERT_EQ(sim.Control("baud 0"), "ok");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    line.Write("COM1 Port Test\r");
    EXPECT_EQ(line.ReadUntil("\n"), "COM1 Port Test\r\n");
}

TEST(ControlChannel, PullingASerialCableLeavesADeadLine) {
    Sim sim({"--mode", "bootloader"});
    Line line(sim.Link("com1"));
    Rapi rapi(sim.rapi_port());
    ASSERT_EQ(sim.Control("cable pull"), "ok");
    line.Write("COM1 Port Test\r");
    EXPECT_EQ(line.ReadFor(300), "");
    EXPECT_TRUE(line.alive() && Exists(sim.Link("com1"))) << "the PC's serial port stays";
    ASSERT_EQ(sim.Control("reset"), "ok");
    EXPECT_FALSE(rapi.Init()) << "no remote API without the cable";
    ASSERT_EQ(sim.Control("cable plug"), "ok");
    EXPECT_TRUE(rapi.Init());
}

TEST(ControlChannel, TheBootLoaderAnswersOnlyWhenStartedAndNotSilent) {
    Sim sim;
    Line line(sim.Link("com1"));
    line.Write("COM1 Port Test\r");
    EXPECT_EQ(line.ReadFor(300), "") << "running normally, the boot loader is silent";
    ASSERT_EQ(sim.Control("boot"), "ok");
    ASSERT_EQ(sim.Control("silent on"), "ok");
    line.Write("COM1 Port Test\r");
    EXPECT_EQ(line.ReadFor(300), "");
    EXPECT_NE(sim.State().find("\"bytes_in\":15,"), std::string::npos) << "silent, it takes bytes";
    ASSERT_EQ(sim.Control("silent off"), "ok");
    line.Write("COM1 Port Test\r");
    EXPECT_EQ(line.ReadUntil("\n"), "COM1 Port Test\r\n");
    ASSERT_EQ(sim.Control("off"), "ok");
    line.Write("COM1 Port Test\r");
    EXPECT_EQ(line.ReadFor(300), "") << "switched off";
}

TEST(ControlChannel, ASlowLineTakesAtLeastItsBaudRate) {
    Sim sim({"--mode", "bootloader"});
    Line line(sim.Link("com1"));
    ASSERT_EQ(sim.Control("baud 9600"), "ok");
    // 1920 bytes at 960 bytes a second: the answer cannot come within two seconds.
    auto start = std::chrono::steady_clock::now();
    line.Write(std::string(1905, '\r') + "COM1 Port Test\r");
    EXPECT_EQ(line.ReadUntil("\n", 10000), "COM1 Port Test\r\n");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1900));
}

TEST(ControlChannel, MainsAdapterAndRestartsShowThroughTheRemoteApi) {
    Sim sim;
    Rapi rapi(sim.rapi_port());
    ASSERT_TRUE(rapi.Init());
    EXPECT_EQ(AcLine(rapi), 1);
    ASSERT_EQ(sim.Control("mains off"), "ok");
    EXPECT_EQ(AcLine(rapi), 0);
    ASSERT_EQ(sim.Control("boot"), "ok");
    EXPECT_EQ(AcLine(rapi), 0xEE) << "in the boot loader the remote API is gone";
    EXPECT_FALSE(rapi.Init());
    std::uint32_t old_connection = rapi.connection();
    ASSERT_EQ(sim.Control("reset"), "ok");
    Writer w;
    w.U32(1);
    EXPECT_EQ(rapi.Call(Op::PowerStatus, w, old_connection).error, 0x8007048Fu)
        << "a connection from before the restart stays dead";
    ASSERT_TRUE(rapi.Init());
    EXPECT_EQ(AcLine(rapi), 0) << "still unplugged";
}

TEST(ControlChannel, ABackupProgramToldToStopLeavesTheRestUnwritten) {
    Sim sim;
    Rapi rapi(sim.rapi_port());
    ASSERT_TRUE(rapi.Init());
    ASSERT_EQ(sim.Control("backup stop-after 2"), "ok");
    ASSERT_TRUE(rapi.Put("\\Temp\\backup.exe", {0x4D, 0x5A}));
    Writer start;
    start.Bytes(Utf16("\\Temp\\backup.exe")).Bytes({});
    ASSERT_EQ(rapi.Call(Op::CreateProcess, start).result, 1);
    for (int taken = 0; taken < 3; ++taken) {
        std::uint32_t error = 0;
        std::uint32_t h = 0xFFFFFFFF;
        for (int i = 0; i < 50 && h == 0xFFFFFFFF; ++i) {
            h = rapi.Create("\\Temp\\image.nb", 0x80000000, 1, 3, error);
            if (h == 0xFFFFFFFF) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (taken == 2) {
            EXPECT_EQ(h, 0xFFFFFFFFu) << "no third chunk";
            EXPECT_EQ(error, 2u);
            break;
        }
        ASSERT_NE(h, 0xFFFFFFFFu) << "chunk " << taken;
        Writer c;
        c.U32(h);
        rapi.Call(Op::CloseHandle, c);
        Writer d;
        d.Bytes(Utf16("\\Temp\\image.nb"));
        EXPECT_EQ(rapi.Call(Op::DeleteFile, d).result, 1);
    }
    EXPECT_NE(sim.State().find("\"chunks_written\":2,\"chunks_taken\":2,\"stop_after\":2,"
                               "\"outcome\":\"stopped\""),
              std::string::npos)
        << sim.State();
}

TEST(ControlChannel, RefusesWhatItDoesNotKnow) {
    Sim sim;
    for (const char* bad : {"bogus", "mains maybe", "baud -5", "baud 50", "flash read zz 4",
                            "flash read A0000000 5000", "flash write A0000000 abc",
                            "flash write 10 00", "set link com9", "hold com9", "cable pull-after 0",
                            "cable pull-during 0 1", "set flashmb x", "fault loud identity",
                            "fault cable block:1:0", "fault silent end:1:2", ""}) {
        std::string reply = sim.Control(bad);
        EXPECT_EQ(reply.rfind("error ", 0), 0u) << "'" << bad << "' gave " << reply;
    }
    EXPECT_EQ(sim.Control("mode"), "ok normal") << "nothing changed";
    EXPECT_EQ(sim.Control("flash write A0000010 c0ffee"), "ok");
    EXPECT_EQ(sim.Control("flash read A0000010 3"), "ok c0ffee");
    EXPECT_EQ(sim.Control("set model Orvo 4800"), "ok");
    EXPECT_NE(sim.State().find("\"model\":\"Orvo 4800\""), std::string::npos);
}

TEST(ControlChannel, QuitAndSignalsEndCleanlyWithoutLeftoverLinks) {
    {
        Sim sim;
        std::string link = sim.Link("com1");
        ASSERT_TRUE(Exists(link));
        EXPECT_EQ(sim.Quit(), 0);
        EXPECT_FALSE(Exists(link));
        EXPECT_FALSE(Exists(sim.Link("usb1")));
    }
    Sim sim({"--mode", "bootloader"});
    Line line(sim.Link("com1"));
    EXPECT_EQ(sim.Signal(SIGTERM), 0);
    EXPECT_FALSE(Exists(sim.Link("com1")));
    EXPECT_FALSE(Exists(sim.Link("com2")));
}

}  // namespace
}  // namespace rigtest
