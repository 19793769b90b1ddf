#pragma once
// What the handheld received and what went wrong, for the state report. Long lists keep only
// their most recent entries.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace rig {

struct DownloadRecord {
    std::string file;
    std::uint32_t address = 0;  // from the load command
    std::uint32_t length = 0;
    std::uint32_t offset = 0;
    std::uint32_t header_start = 0;  // from the file header the PC sent
    std::uint32_t header_count = 0;
    std::uint32_t bytes = 0;  // image bytes written to the flash
    std::uint32_t blocks = 0;
    std::string state = "requested";  // requested, header, blocks, complete, aborted
};

struct Journal {
    static constexpr std::size_t kKeep = 200;

    std::deque<std::string> commands;  // boot-loader commands as received, newest last
    std::deque<std::string> errors;    // faults in what the PC sent or did
    std::vector<DownloadRecord> downloads;
    std::vector<std::uint32_t> readdata;  // addresses asked for, in order
    unsigned port_tests = 0;
    unsigned screen_messages = 0;
    std::uint64_t bytes_in = 0;         // bytes the boot loader received on its port
    std::uint64_t bytes_to_holder = 0;  // answers that went to ActiveSync holding the port
    std::string fault_struck;           // the point where a placed fault struck

    void Command(std::string text) { Push(commands, std::move(text)); }
    void Error(std::string text) { Push(errors, std::move(text)); }

  private:
    static void Push(std::deque<std::string>& list, std::string text) {
        list.push_back(std::move(text));
        if (list.size() > kKeep) list.pop_front();
    }
};

// The handheld's text screen, as the boot loader's screen messages draw on it.
struct Screen {
    static constexpr int kRows = 20;
    static constexpr int kColumns = 30;
    std::vector<std::string> rows = std::vector<std::string>(kRows, std::string(kColumns, ' '));

    void Clear() { rows.assign(kRows, std::string(kColumns, ' ')); }
    // Draws what fits; returns false when any of the text fell outside the screen.
    bool Draw(int row, int column, const std::string& text) {
        bool fits = row >= 0 && row < kRows && column >= 0 &&
                    column + static_cast<int>(text.size()) <= kColumns;
        if (row < 0 || row >= kRows) return false;
        for (std::size_t i = 0; i < text.size(); ++i) {
            int c = column + static_cast<int>(i);
            if (c >= 0 && c < kColumns) rows[row][c] = text[i];
        }
        return fits;
    }
};

}  // namespace rig
