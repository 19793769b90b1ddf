#include "bootlink/link_commands.h"

#include "base/hex_digit.h"

#include <cstdio>
#include <string>

namespace orvo {
namespace {

void PutLe32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

int SendString(BootLink& link, std::span<const std::uint8_t> bytes) {
    if (link.LinkStop == 1) {
        link.Log("\nReady write file but disconnect\n");
        return 0;
    }
    const std::shared_ptr<SerialPort> port = link.hPort.Get();
    if (port && port->Write(bytes, link.WallTime(kWriteBound)) == bytes.size()) {
        link.SendStringCompleteEvent.Set();
        return 1;
    }
    link.hPort.Close();
    link.Log("\r\n Line 192: Write file fail !\r\n");
    link.Fail("a write to the port failed or did not go out within " +
              std::to_string(kWriteBound.count() / 1000) + " s (the line is down or stalled)");
    link.Log("\r\n Line 202:Write file Error! \r\n");
    return 0;
}

int SendString(BootLink& link, std::string_view text) {
    return SendString(link,
                      std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void EnterFramedMode(BootLink& link) {
    if (link.FramedMode == 1) SendString(link, kLineFlush);
    SendString(link, "$ZIB$\r");
    link.FramedMode = 1;
}

int LeaveFramedMode(BootLink& link) {
    const int sent = SendString(link, "QARS$ZIB$\rQARE");
    link.FramedMode = 0;
    return sent;
}

std::string Hex(std::uint64_t value) {
    char text[20];
    std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
    return text;
}

std::string ReadDataCommand(std::uint32_t address) {
    return "QARSreaddata " + Hex(address) + " 28\rQARE";
}

std::string LoadCommand(std::string_view file, std::string_view address, std::string_view length,
                        std::string_view offset) {
    std::string command = "lnb ";
    command.append(file).append(" ").append(address).append(" ");
    command.append(length).append(" ").append(offset).append("\r");
    return command;
}

std::string ScreenMessageCommand(unsigned row, unsigned column, std::string_view text) {
    std::string command = "shmsg " + Hex(row) + " " + Hex(column) + " \"";
    command.append(text).append("\"\r");
    return command;
}

std::array<std::uint8_t, 8> FileHeaderRecord(std::uint32_t start, std::uint32_t count) {
    std::array<std::uint8_t, 8> record{};
    PutLe32(record.data(), start);
    PutLe32(record.data() + 4, count);
    return record;
}

std::array<std::uint8_t, 12> BlockHeaderRecord(std::uint32_t address, std::uint32_t length) {
    std::array<std::uint8_t, 12> record{};
    PutLe32(record.data(), address);
    PutLe32(record.data() + 4, length);
    return record;
}

std::uint32_t HexPrefixValue(std::string_view text) {
    std::uint64_t value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) break;
        value = value * 16 + static_cast<unsigned>(digit);
        if (value > 0xFFFFFFFFu) return 0xFFFFFFFFu;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace orvo
