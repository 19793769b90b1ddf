#pragma once
// The handheld's boot loader as the PC meets it on the line: plain commands echoed, framed mode,
// "readdata" from the flash, "lnb" downloads answered by request bytes, "shmsg" on the screen.
// Bytes go in through Feed; what the boot loader sends back comes out of it.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "flash.h"
#include "journal.h"

namespace rig {

inline constexpr std::uint32_t kBlockLength = 0x20000;

class BootLoader {
  public:
    BootLoader(Flash& flash, Screen& screen, Journal& journal)
        : flash_(flash), screen_(screen), journal_(journal) {}

    // A restart, or the line gone: plain commands, no download under way.
    void Reset(const std::string& why = "handheld restarted");
    std::string Feed(const std::uint8_t* data, std::size_t size);

    // What the key lines ":L=" and ":O=" announce instead of the load command's values (an empty
    // text: the command's value); the download then follows what was announced.
    void AnnounceKeys(std::string length, std::string offset) {
        announced_length_ = std::move(length);
        announced_offset_ = std::move(offset);
    }

    // A point of the conversation where a fault strikes: "port-test", "identity" (the first
    // "readdata"), "block:D:N" (block N's header arrives; N a number, "mid" for the block after
    // the first half, or "last"), "end:D" (the end record arrives) or "done:D" (the download has
    // ended well). D counts downloads from now on. Feed stops at the point, unread input dropped.
    bool SetTrap(const std::string& point);
    // Whether the point was reached since the last call.
    bool TakeTripped() { return std::exchange(tripped_, false); }

    bool framed() const { return state_ == State::Framed; }
    bool downloading() const { return state_ >= State::Sync; }
    // Blocks written since the simulator started, over all downloads.
    unsigned blocks_written() const { return blocks_written_; }

  private:
    enum class State { Plain, Framed, Sync, FileHeader, BlockHeader, BlockData };

    void PlainByte(std::uint8_t b, std::string& out);
    void FramedByte(std::uint8_t b, std::string& out);
    void PlainCommand(const std::string& line, std::string& out);
    void FramedCommand(const std::string& command, std::string& out);
    void LoadCommand(const std::string& line, std::string& out);
    void ScreenMessage(const std::string& line);
    void DownloadBytes(const std::uint8_t*& p, const std::uint8_t* end, std::string& out);
    void FileHeader(std::string& out);
    void BlockHeader();
    void BlockData(std::string& out);
    void Abort(const std::string& why);
    bool Trip(const std::string& at, unsigned block = 0);
    DownloadRecord& current() { return journal_.downloads.back(); }

    Flash& flash_;
    Screen& screen_;
    Journal& journal_;
    State state_ = State::Plain;
    std::string line_;     // plain command being received
    std::string outside_;  // framed mode: bytes before a frame start
    std::string frame_;    // framed mode: frame body being received
    bool in_frame_ = false;
    std::vector<std::uint8_t> record_;  // binary record or block being received
    std::uint32_t expected_address_ = 0;
    std::uint32_t remaining_ = 0;
    std::uint32_t block_address_ = 0;
    unsigned blocks_written_ = 0;
    std::string announced_length_;
    std::string announced_offset_;
    struct Trap {
        std::string at;
        std::size_t download = 0;  // journal index
        std::string block;
    };
    std::optional<Trap> trap_;
    bool tripped_ = false;
};

}  // namespace rig
