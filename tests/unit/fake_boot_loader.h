#pragma once
// A boot loader played in memory for the link's unit tests: it echoes plain commands, answers
// "readdata" from a table of records, answers "lnb" with its key lines and runs the download's
// request bytes, keeping every byte of every block it gets.

#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace orvo::test {

class FakeBootLoader {
  public:
    struct Download {
        std::vector<std::uint8_t> data;  // every block as received, padding included
        bool ended = false;              // the end record came
    };

    // What "readdata ADDRESS" answers: the record text, or 0xFF bytes when none is stored.
    std::map<std::uint32_t, std::string> records;
    // False: the answer to "lnb" leaves out the file key line.
    bool names_file = true;

    std::string operator()(const std::string& written) {
        std::lock_guard lock(mutex_);
        std::string out;
        for (char c : written) Byte(static_cast<std::uint8_t>(c), out);
        return out;
    }

    std::vector<Download> Downloads() const {
        std::lock_guard lock(mutex_);
        return downloads_;
    }
    std::vector<std::uint32_t> ReadAddresses() const {
        std::lock_guard lock(mutex_);
        return read_addresses_;
    }
    std::vector<std::string> Commands() const {
        std::lock_guard lock(mutex_);
        return commands_;
    }

  private:
    enum class State { Text, Sync, FileHeader, BlockHeader, BlockData };

    static std::uint32_t Le32(const std::uint8_t* p) {
        return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    }

    void Byte(std::uint8_t b, std::string& out) {
        switch (state_) {
            case State::Text:
                return TextByte(static_cast<char>(b), out);
            case State::Sync:
                record_.push_back(b);
                if (record_.size() == 7) {
                    if (std::memcmp(record_.data(), "B000FF\n", 7) == 0) {
                        state_ = State::FileHeader;
                        out += '\x01';
                    }
                    record_.clear();
                }
                return;
            case State::FileHeader:
                record_.push_back(b);
                if (record_.size() == 8) {
                    record_.clear();
                    state_ = State::BlockHeader;
                    out += '\x02';
                }
                return;
            case State::BlockHeader:
                record_.push_back(b);
                if (record_.size() == 12) {
                    const bool end = Le32(record_.data()) == 0;
                    record_.clear();
                    downloads_.back().ended = end;
                    state_ = end ? State::Text : State::BlockData;
                }
                return;
            case State::BlockData: {
                auto& data = downloads_.back().data;
                data.push_back(b);
                if (data.size() % 0x20000 == 0) {
                    state_ = State::BlockHeader;
                    out += '\x02';
                }
                return;
            }
        }
    }

    void TextByte(char c, std::string& out) {
        line_ += c;
        if (line_.rfind("QARS", 0) == 0) {
            if (line_.size() >= 8 && line_.compare(line_.size() - 4, 4, "QARE") == 0) {
                Framed(line_.substr(4, line_.size() - 8), out);
                line_.clear();
            }
            return;
        }
        if (c != '\r') return;
        std::string command = line_.substr(0, line_.size() - 1);
        line_.clear();
        if (command.empty()) return;
        commands_.push_back(command);
        out += command + "\r\n";
        if (command.rfind("lnb ", 0) == 0) Load(command, out);
    }

    void Framed(const std::string& body, std::string& out) {
        commands_.push_back("QARS" + body + "QARE");
        std::istringstream in(body);
        std::string verb;
        std::string address_text;
        in >> verb >> address_text;
        if (verb != "readdata") return;
        const auto address = static_cast<std::uint32_t>(std::stoul(address_text, nullptr, 16));
        read_addresses_.push_back(address);
        auto found = records.find(address);
        const std::string data = found != records.end() ? found->second : std::string(40, '\xFF');
        out += "QARS " + data + "QARE\r\n";
    }

    void Load(const std::string& command, std::string& out) {
        std::istringstream in(command);
        std::string verb, file, address, length, offset;
        in >> verb >> file >> address >> length >> offset;
        if (names_file) out += ":F=" + file + "\r\n";
        out += ":A=" + address + "\r\n:L=" + length + "\r\n:O=" + offset +
               "\r\nstart NB image download\r\n";
        downloads_.emplace_back();
        state_ = State::Sync;
    }

    mutable std::mutex mutex_;
    State state_ = State::Text;
    std::string line_;
    std::vector<std::uint8_t> record_;
    std::vector<Download> downloads_;
    std::vector<std::uint32_t> read_addresses_;
    std::vector<std::string> commands_;
};

}  // namespace orvo::test
