#include "boot_loader.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace rig {

namespace {

constexpr char kSync[] = "B000FF\n";
constexpr std::size_t kSyncLength = sizeof kSync - 1;
constexpr std::uint32_t kReadLimit = 0x100;

bool ParseHex(const std::string& text, std::uint32_t& value) {
    if (text.empty() || text.size() > 8) return false;
    char* end = nullptr;
    unsigned long v = std::strtoul(text.c_str(), &end, 16);
    if (*end != '\0' || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
    value = static_cast<std::uint32_t>(v);
    return true;
}

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

std::string Hex(std::uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", v);
    return text;
}

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// Printable for the journal: control bytes shown as \xNN.
std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            out += esc;
        }
    }
    return out;
}

bool EndsWith(const std::string& s, const char* tail) {
    std::size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

}  // namespace

void BootLoader::Reset(const std::string& why) {
    if (downloading()) Abort(why);
    state_ = State::Plain;
    line_.clear();
    outside_.clear();
    frame_.clear();
    in_frame_ = false;
    record_.clear();
}

std::string BootLoader::Feed(const std::uint8_t* data, std::size_t size) {
    std::string out;
    journal_.bytes_in += size;
    const std::uint8_t* p = data;
    const std::uint8_t* end = data + size;
    while (p < end && !tripped_) {
        if (downloading()) {
            DownloadBytes(p, end, out);
        } else if (state_ == State::Framed) {
            FramedByte(*p++, out);
        } else {
            PlainByte(*p++, out);
        }
    }
    return out;
}

void BootLoader::PlainByte(std::uint8_t b, std::string& out) {
    if (b == '\n') return;  // terminals send CR LF; the CR ends the command
    if (b != '\r') {
        if (line_.size() < 1024) line_ += static_cast<char>(b);
        return;
    }
    std::string line;
    line.swap(line_);
    if (!line.empty()) PlainCommand(line, out);
}

void BootLoader::PlainCommand(const std::string& line, std::string& out) {
    journal_.Command(Printable(line));
    out += line + "\r\n";  // the boot loader echoes every command line
    std::vector<std::string> words = Split(line);
    const std::string verb = words.empty() ? "" : words[0];
    if (line == "$ZIB$") {
        state_ = State::Framed;
    } else if (EndsWith(line, "Port Test")) {
        if (Trip("port-test")) return;
        ++journal_.port_tests;
    } else if (verb == "lnb") {
        LoadCommand(line, out);
    } else if (verb == "shmsg") {
        ScreenMessage(line);
    } else {
        if (line.rfind("QARS", 0) == 0 || line.rfind("QARE", 0) == 0) {
            journal_.Error("framed command while not in framed mode: " + Printable(line));
        } else {
            journal_.Error("unknown command: " + Printable(line));
        }
        out += "Unknown command\r\n";
    }
}

void BootLoader::FramedByte(std::uint8_t b, std::string& out) {
    if (in_frame_) {
        frame_ += static_cast<char>(b);
        if (EndsWith(frame_, "QARE")) {
            std::string body = frame_.substr(0, frame_.size() - 4);
            in_frame_ = false;
            frame_.clear();
            FramedCommand(body, out);
        } else if (frame_.size() > 1024) {
            journal_.Error("frame without end: " + Printable(frame_.substr(0, 64)));
            in_frame_ = false;
            frame_.clear();
        }
        return;
    }
    if (b == '\r') {
        // A bare carriage return outside a frame flushes the line: back to plain commands.
        if (!outside_.empty()) journal_.Error("text outside a frame: " + Printable(outside_));
        outside_.clear();
        state_ = State::Plain;
        return;
    }
    outside_ += static_cast<char>(b);
    if (EndsWith(outside_, "QARS")) {
        if (outside_.size() > 4) {
            journal_.Error("text outside a frame: " +
                           Printable(outside_.substr(0, outside_.size() - 4)));
        }
        outside_.clear();
        in_frame_ = true;
    } else if (outside_.size() > 256) {
        journal_.Error("text outside a frame: " + Printable(outside_.substr(0, 64)));
        outside_.clear();
    }
}

void BootLoader::FramedCommand(const std::string& body, std::string& out) {
    journal_.Command("QARS" + Printable(body) + "QARE");
    if (body.empty() || body.back() != '\r') {
        journal_.Error("framed command without carriage return: " + Printable(body));
        out += "QARSERRORQARE\r\n";
        return;
    }
    std::string command = body.substr(0, body.size() - 1);
    std::vector<std::string> words = Split(command);
    if (command == "$ZIB$") {
        state_ = State::Plain;
        return;
    }
    std::uint32_t address = 0;
    std::uint32_t count = 0;
    if (words.size() == 3 && words[0] == "readdata" && ParseHex(words[1], address) &&
        ParseHex(words[2], count) && count > 0 && count <= kReadLimit) {
        if (Trip("identity")) return;
        journal_.readdata.push_back(address);
        // Data goes out as text: control bytes would cut the PC's lines, so they show as dots.
        std::string answer = "QARS ";
        for (std::uint8_t byte : flash_.Read(address, count)) {
            answer += (byte < 0x20 || byte == 0x7F) ? '.' : static_cast<char>(byte);
        }
        out += answer + "QARE\r\n";
        return;
    }
    journal_.Error("bad framed command: " + Printable(command));
    out += "QARSERRORQARE\r\n";
}

void BootLoader::LoadCommand(const std::string& line, std::string& out) {
    std::vector<std::string> w = Split(line);
    DownloadRecord rec;
    if (w.size() != 5 || !ParseHex(w[2], rec.address) || !ParseHex(w[3], rec.length) ||
        !ParseHex(w[4], rec.offset)) {
        journal_.Error("malformed load command: " + Printable(line));
        out += "ERROR: usage lnb file address length offset\r\n";
        return;
    }
    rec.file = w[1];
    bool whole_file = rec.length == 0xFFFFFFFF;
    std::uint64_t last = std::uint64_t{rec.address} + (whole_file ? 0 : rec.length);
    if (!flash_.Contains(rec.address, 1) || (!whole_file && rec.offset >= rec.length) ||
        (!whole_file &&
         !flash_.Contains(rec.address, static_cast<std::size_t>(last - rec.address)))) {
        journal_.Error("load command outside the flash: " + Printable(line));
        out += "ERROR: image does not fit the flash\r\n";
        return;
    }
    const std::string& length = announced_length_.empty() ? w[3] : announced_length_;
    const std::string& offset = announced_offset_.empty() ? w[4] : announced_offset_;
    ParseHex(length, rec.length);
    ParseHex(offset, rec.offset);
    journal_.downloads.push_back(rec);
    out += ":F=" + w[1] + "\r\n";
    out += ":A=" + w[2] + "\r\n";
    out += ":L=" + length + "\r\n";
    out += ":O=" + offset + "\r\n";
    out += "start NB image download\r\n";
    state_ = State::Sync;
    record_.clear();
}

void BootLoader::ScreenMessage(const std::string& line) {
    ++journal_.screen_messages;
    // shmsg ROW COLUMN "TEXT", row and column in hexadecimal.
    std::size_t q1 = line.find('"');
    std::size_t q2 = line.rfind('"');
    std::vector<std::string> w = Split(line.substr(0, q1 == std::string::npos ? line.size() : q1));
    std::uint32_t row = 0;
    std::uint32_t column = 0;
    if (q1 == std::string::npos || q2 == q1 || q2 != line.size() - 1 || w.size() != 3 ||
        !ParseHex(w[1], row) || !ParseHex(w[2], column)) {
        journal_.Error("malformed screen message: " + Printable(line));
        return;
    }
    if (!screen_.Draw(static_cast<int>(row), static_cast<int>(column),
                      line.substr(q1 + 1, q2 - q1 - 1))) {
        journal_.Error("screen message outside the screen: " + Printable(line));
    }
}

void BootLoader::DownloadBytes(const std::uint8_t*& p, const std::uint8_t* end, std::string& out) {
    if (state_ == State::Sync) {
        record_.push_back(*p++);
        std::size_t n = record_.size();
        if (std::memcmp(record_.data(), kSync, n) != 0) {
            journal_.Error("expected download sync, got byte " + Hex(record_.back()));
            record_.clear();
        } else if (n == kSyncLength) {
            record_.clear();
            current().state = "header";
            state_ = State::FileHeader;
            out += '\x01';  // header request
        }
        return;
    }
    std::size_t need = state_ == State::FileHeader    ? 8
                       : state_ == State::BlockHeader ? 12
                                                      : kBlockLength;
    std::size_t take = std::min<std::size_t>(need - record_.size(), end - p);
    record_.insert(record_.end(), p, p + take);
    p += take;
    if (record_.size() < need) return;
    if (state_ == State::FileHeader) {
        FileHeader(out);
    } else if (state_ == State::BlockHeader) {
        BlockHeader();
    } else {
        BlockData(out);
    }
}

void BootLoader::FileHeader(std::string& out) {
    DownloadRecord& rec = current();
    rec.header_start = Le32(record_.data());
    rec.header_count = Le32(record_.data() + 4);
    record_.clear();
    if (rec.header_start != rec.address + rec.offset) {
        journal_.Error("file header start " + Hex(rec.header_start) + ", load command asked for " +
                       Hex(rec.address + rec.offset));
    }
    if (rec.length != 0xFFFFFFFF && rec.header_count != rec.length - rec.offset) {
        journal_.Error("file header count " + Hex(rec.header_count) + ", load command asked for " +
                       Hex(rec.length - rec.offset));
    }
    if (rec.header_count == 0 || !flash_.Contains(rec.header_start, rec.header_count)) {
        Abort("file header outside the flash");
        return;
    }
    expected_address_ = rec.header_start;
    remaining_ = rec.header_count;
    rec.state = "blocks";
    state_ = State::BlockHeader;
    out += '\x02';  // record request
}

void BootLoader::BlockHeader() {
    std::uint32_t address = Le32(record_.data());
    std::uint32_t length = Le32(record_.data() + 4);
    std::uint32_t zero = Le32(record_.data() + 8);
    record_.clear();
    if (address == 0 && length == 0 && zero == 0) {
        if (Trip("end")) return;
        if (remaining_ != 0) {
            Abort("end record with " + std::to_string(remaining_) + " bytes still to come");
            return;
        }
        current().state = "complete";
        state_ = State::Plain;
        Trip("done");
        return;
    }
    if (Trip("block", current().blocks + 1)) return;
    if (remaining_ == 0) {
        Abort("block at " + Hex(address) + " after the last byte, expected the end record");
    } else if (address != expected_address_) {
        Abort("block at " + Hex(address) + ", expected " + Hex(expected_address_));
    } else if (length != kBlockLength || zero != 0) {
        Abort("block header length " + Hex(length) + " and " + Hex(zero) + ", expected " +
              Hex(kBlockLength) + " and 0");
    } else {
        block_address_ = address;
        state_ = State::BlockData;
    }
}

void BootLoader::BlockData(std::string& out) {
    // Blocks always carry 0x20000 bytes; the file header tells how many of them are image.
    std::uint32_t n = std::min(remaining_, kBlockLength);
    flash_.Write(block_address_, record_.data(), n);
    record_.clear();
    DownloadRecord& rec = current();
    rec.bytes += n;
    ++rec.blocks;
    ++blocks_written_;
    remaining_ -= n;
    expected_address_ += kBlockLength;
    state_ = State::BlockHeader;
    out += '\x02';
}

bool BootLoader::SetTrap(const std::string& point) {
    std::vector<std::string> part;
    std::istringstream in(point);
    for (std::string p; std::getline(in, p, ':');) part.push_back(p);
    const std::string at = part.empty() ? "" : part[0];
    const std::size_t want = at == "port-test" || at == "identity" ? 1
                             : at == "end" || at == "done"         ? 2
                             : at == "block"                       ? 3
                                                                   : 0;
    const auto small = [](const std::string& text) {  // 1 to 99
        return text.size() >= 1 && text.size() <= 2 && text[0] >= '1' && text[0] <= '9' &&
               std::isdigit(static_cast<unsigned char>(text.back()));
    };
    if (want == 0 || part.size() != want || (want > 1 && !small(part[1])) ||
        (want == 3 && part[2] != "mid" && part[2] != "last" && !small(part[2]))) {
        return false;
    }
    const std::size_t download = want > 1 ? std::stoul(part[1]) : 1;
    trap_ = Trap{at, journal_.downloads.size() + download - 1, want == 3 ? part[2] : ""};
    tripped_ = false;
    return true;
}

bool BootLoader::Trip(const std::string& at, unsigned block) {
    if (!trap_ || trap_->at != at) return false;
    if (at != "port-test" && at != "identity") {
        if (journal_.downloads.size() != trap_->download + 1) return false;
        const unsigned blocks = (current().header_count + kBlockLength - 1) / kBlockLength;
        const unsigned wanted = trap_->block == "last"  ? blocks
                                : trap_->block == "mid" ? blocks / 2 + 1
                                : at == "block"         ? std::stoul(trap_->block)
                                                        : 0;
        if (block != wanted) return false;
    }
    journal_.fault_struck = at;
    trap_.reset();
    tripped_ = true;
    return true;
}

void BootLoader::Abort(const std::string& why) {
    journal_.Error("download aborted: " + why);
    if (!journal_.downloads.empty()) current().state = "aborted";
    state_ = State::Plain;
    record_.clear();
}

}  // namespace rig
