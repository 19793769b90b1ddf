#pragma once
// In-memory serial ports for tests of the link. Each port answers what is written to it through
// a responder (the boot loader a test plays) and can be made to fail a write or short-change it,
// fail its reads or vanish.

#include "platform/serial_port.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orvo {

class FakeSerialPort final : public SerialPort {
  public:
    // Gets each write as text and returns what the handheld sends back.
    using Responder = std::function<std::string(const std::string& written)>;

    struct Behaviour {
        Responder responder;
        int fail_write_at = -1;      // the write with this index (from 0) fails
        bool short_write = false;    // the failing write moves all but one byte, not none
        bool reads_fail = false;     // every read fails
        bool present = true;         // what the presence probe says
        bool settings_hang = false;  // setting the read time-outs waits until the port is shut
        bool drain_fails = false;    // what was written never leaves

        // Every write that went out, in order, over all openings of the port.
        std::vector<std::string> Written() const {
            std::lock_guard lock(mutex);
            return written;
        }

        mutable std::mutex mutex;
        std::vector<std::string> written;
    };

    explicit FakeSerialPort(std::shared_ptr<Behaviour> behaviour)
        : behaviour_(std::move(behaviour)) {}

    bool ApplyLineSettings() override { return true; }
    bool RaiseDtr() override { return true; }
    bool RaiseRts() override { return true; }
    bool SetReadReturnsAtOnce() override {
        std::unique_lock lock(mutex_);
        if (behaviour_->settings_hang) shut_changed_.wait(lock, [this] { return shut_; });
        return !shut_;
    }

    std::size_t Write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds) override {
        const std::string text(bytes.begin(), bytes.end());
        {
            std::scoped_lock lock(mutex_, behaviour_->mutex);
            const int index = writes_++;
            if (shut_) return 0;
            if (index == behaviour_->fail_write_at) {
                return behaviour_->short_write ? bytes.size() - 1 : 0;
            }
            behaviour_->written.push_back(text);
        }
        if (behaviour_->responder) Receive(behaviour_->responder(text));
        return bytes.size();
    }

    bool Drain(std::chrono::milliseconds) override {
        std::lock_guard lock(mutex_);
        return !shut_ && !behaviour_->drain_fails;
    }

    ReadResult ReadByte(std::uint8_t& byte, std::chrono::milliseconds) override {
        std::lock_guard lock(mutex_);
        if (shut_ || behaviour_->reads_fail) return ReadResult::Failed;
        if (incoming_.empty()) return ReadResult::Nothing;
        byte = static_cast<std::uint8_t>(incoming_.front());
        incoming_.pop_front();
        return ReadResult::Byte;
    }
    void WakeReader() override {}
    bool ProbePresence() override { return behaviour_->present; }
    void Shut() override {
        std::lock_guard lock(mutex_);
        shut_ = true;
        shut_changed_.notify_all();
    }

    // Bytes the handheld sends without being asked.
    void Receive(const std::string& bytes) {
        std::lock_guard lock(mutex_);
        incoming_.insert(incoming_.end(), bytes.begin(), bytes.end());
    }

  private:
    std::shared_ptr<Behaviour> behaviour_;
    mutable std::mutex mutex_;
    std::deque<char> incoming_;
    int writes_ = 0;
    bool shut_ = false;
    std::condition_variable shut_changed_;
};

class FakeSerialPorts final : public SerialPorts {
  public:
    // A port at `path`; paths without one fail to open.
    std::shared_ptr<FakeSerialPort::Behaviour> Add(const std::string& path) {
        std::lock_guard lock(mutex_);
        return behaviours_[path] = std::make_shared<FakeSerialPort::Behaviour>();
    }

    std::unique_ptr<SerialPort> Open(const std::string& path, OpenResult& result) override {
        std::lock_guard lock(mutex_);
        opened_.push_back(path);
        const auto found = behaviours_.find(path);
        result = found == behaviours_.end() ? OpenResult::Failed : OpenResult::Opened;
        return found == behaviours_.end() ? nullptr
                                          : std::make_unique<FakeSerialPort>(found->second);
    }

    std::vector<std::string> Opened() const {
        std::lock_guard lock(mutex_);
        return opened_;
    }

  private:
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<FakeSerialPort::Behaviour>> behaviours_;
    std::vector<std::string> opened_;
};

}  // namespace orvo
