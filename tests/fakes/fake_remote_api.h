#pragma once
// An in-memory handheld behind the remote-API seam, for tests of the core: files with the
// platform's create rules, scripted library calls, the power line, and the device backup program
// that leaves the next chunk in "\Temp\image.nb" whenever that file is gone.

#include "base/text_compare.h"
#include "platform/remote_api.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>

namespace orvo {

class FakeRemoteApi : public RemoteApi {
  public:
    struct InvokeCall {
        std::u16string library, function;
        std::vector<std::uint8_t> input;
    };
    struct InvokeAnswer {
        std::int32_t result = 0;
        std::vector<std::uint8_t> reply;
    };

    // Answers of the next initialisations, in order; then kRapiOk.
    std::deque<std::int32_t> init_results;
    // What GetDeviceData answers; every other call answers nothing.
    std::vector<std::uint8_t> device_data;
    std::function<InvokeAnswer(const InvokeCall&)> on_invoke = [this](const InvokeCall& call) {
        const bool asked = call.function == u"GetDeviceData";
        return InvokeAnswer{0, asked ? device_data : std::vector<std::uint8_t>()};
    };
    // Whether ActiveSync connects; the power line's next answers, in order, then `power_line`.
    bool session = true;
    std::deque<std::optional<std::uint8_t>> power_answers;
    std::optional<std::uint8_t> power_line = 1;
    // The device backup program writes chunks of 0x40000 bytes but this one (from 0) a byte short.
    std::size_t short_chunk = SIZE_MAX;

    void PutFile(std::u16string path, std::vector<std::uint8_t> bytes) {
        std::lock_guard lock(mutex_);
        files_[Fold(path)] = std::move(bytes);
    }
    std::optional<std::vector<std::uint8_t>> File(std::u16string path) const {
        std::lock_guard lock(mutex_);
        const auto found = files_.find(Fold(path));
        return found == files_.end() ? std::nullopt : std::optional(found->second);
    }
    // A file the handheld will neither replace nor delete, as a loaded library.
    void MarkInUse(std::u16string path) {
        std::lock_guard lock(mutex_);
        in_use_.insert(Fold(path));
    }
    std::vector<InvokeCall> Invokes() const { return Copy(invokes_); }
    int Inits() const { return inits_; }
    int Uninits() const { return uninits_; }
    int OpenHandles() const { return static_cast<int>(Copy(handles_).size()); }
    std::vector<std::u16string> Started() const { return Copy(started_); }

    std::int32_t CeRapiInitEx() override {
        std::lock_guard lock(mutex_);
        ++inits_;
        return Next(init_results, kRapiOk);
    }
    bool WaitForSession(std::uint32_t) override { return session; }
    void CeRapiUninit() override { ++uninits_; }

    std::int32_t CeRapiInvoke(std::u16string_view library, std::u16string_view function,
                              std::span<const std::uint8_t> input,
                              std::vector<std::uint8_t>& reply) override {
        const InvokeCall call{
            std::u16string(library), std::u16string(function), {input.begin(), input.end()}};
        std::unique_lock lock(mutex_);
        invokes_.push_back(call);
        lock.unlock();
        InvokeAnswer answer = on_invoke(call);
        reply = std::move(answer.reply);
        return answer.result;
    }

    DeviceFile CeCreateFile(std::u16string_view path, std::uint32_t access, std::uint32_t,
                            std::uint32_t disposition, std::uint32_t) override {
        using namespace device_file;
        std::lock_guard lock(mutex_);
        const std::u16string key = Fold(path);
        if (key == Fold(u"\\Temp\\image.nb")) ProduceChunk();
        const bool exists = files_.count(key) != 0;
        if (disposition == kOpenExisting && !exists) return Fail(2);
        if (disposition == kCreateNew && exists) return Fail(kDeviceErrorFileExists);
        if ((access & kGenericWrite) && in_use_.contains(key))
            return Fail(kDeviceErrorSharingViolation);
        if (disposition != kOpenExisting) files_[key].clear();
        last_error_ = exists && disposition == kCreateAlways ? kDeviceErrorAlreadyExists : 0;
        handles_[++next_handle_] = Handle{key, 0};
        return next_handle_;
    }
    std::optional<std::uint32_t> CeReadFile(DeviceFile file,
                                            std::span<std::uint8_t> into) override {
        std::lock_guard lock(mutex_);
        auto handle = handles_.find(file);
        if (handle == handles_.end()) return std::nullopt;
        const std::vector<std::uint8_t>& bytes = files_[handle->second.path];
        const std::size_t at = std::min(bytes.size(), handle->second.at);
        const std::size_t n = std::min(into.size(), bytes.size() - at);
        std::copy_n(bytes.begin() + at, n, into.begin());
        handle->second.at += n;
        return static_cast<std::uint32_t>(n);
    }
    std::optional<std::uint32_t> CeWriteFile(DeviceFile file,
                                             std::span<const std::uint8_t> bytes) override {
        std::lock_guard lock(mutex_);
        auto handle = handles_.find(file);
        if (handle == handles_.end()) return std::nullopt;
        std::vector<std::uint8_t>& target = files_[handle->second.path];
        target.insert(target.end(), bytes.begin(), bytes.end());
        return static_cast<std::uint32_t>(bytes.size());
    }
    bool CeCloseHandle(DeviceFile file) override {
        std::lock_guard lock(mutex_);
        return handles_.erase(file) != 0;
    }
    bool CeDeleteFile(std::u16string_view path) override {
        std::lock_guard lock(mutex_);
        const std::u16string key = Fold(path);
        if (in_use_.count(key) != 0 || IsOpen(key)) {
            last_error_ = kDeviceErrorSharingViolation;
            return false;
        }
        return files_.erase(key) != 0;
    }
    bool CeMoveFile(std::u16string_view from, std::u16string_view to) override {
        std::lock_guard lock(mutex_);
        auto found = files_.find(Fold(from));
        if (found == files_.end() || IsOpen(found->first) || files_.contains(Fold(to)))
            return false;
        files_[Fold(to)] = std::move(found->second);
        files_.erase(found);
        return true;
    }
    bool CeCreateProcess(std::u16string_view application) override {
        std::lock_guard lock(mutex_);
        if (files_.count(Fold(application)) == 0) return false;
        started_.emplace_back(application);
        in_use_.insert(Fold(application));
        return true;
    }
    std::int32_t CeRapiGetError() override { return 0; }
    std::uint32_t CeGetLastError() override {
        std::lock_guard lock(mutex_);
        return last_error_;
    }
    std::optional<std::uint8_t> PowerLineStatus() override {
        std::lock_guard lock(mutex_);
        ++power_queries_;
        return Next(power_answers, power_line);
    }
    int PowerQueries() const { return Copy(power_queries_); }
    void SetPowerLine(std::optional<std::uint8_t> line) {
        std::lock_guard lock(mutex_);
        power_line = line;
    }

  private:
    struct Handle {
        std::u16string path;
        std::size_t at;
    };

    template <class T>
    T Copy(const T& member) const {
        std::lock_guard lock(mutex_);
        return member;
    }
    // The next of the queued answers, or `otherwise` when none is left.
    template <class T>
    static T Next(std::deque<T>& answers, T otherwise) {
        if (answers.empty()) return otherwise;
        T next = answers.front();
        answers.pop_front();
        return next;
    }
    static std::u16string Fold(std::u16string_view path) {
        std::u16string folded(path);
        for (char16_t& c : folded) c = c < 0x80 ? static_cast<char16_t>(FoldCase(char(c))) : c;
        return folded;
    }
    bool IsOpen(const std::u16string& key) const {
        return std::any_of(handles_.begin(), handles_.end(),
                           [&](const auto& h) { return h.second.path == key; });
    }
    DeviceFile Fail(std::uint32_t error) {
        last_error_ = error;
        return kInvalidDeviceFile;
    }
    // The device program writes the next chunk once the PC has taken the last one away.
    void ProduceChunk() {
        const bool running = std::ranges::count(started_, u"\\Temp\\backup.exe") != 0;
        const std::u16string key = Fold(u"\\Temp\\image.nb");
        if (!running || files_.count(key) != 0) return;
        std::vector<std::uint8_t> chunk(produced_ == short_chunk ? 0x3FFFF : 0x40000);
        for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<std::uint8_t>(i * 13);
        files_[key] = std::move(chunk);
        ++produced_;
    }

    mutable std::mutex mutex_;
    std::map<std::u16string, std::vector<std::uint8_t>> files_;
    std::set<std::u16string> in_use_;
    std::map<DeviceFile, Handle> handles_;
    DeviceFile next_handle_ = 0;
    std::vector<InvokeCall> invokes_;
    std::vector<std::u16string> started_;
    std::uint32_t last_error_ = 0;
    std::size_t produced_ = 0;
    int power_queries_ = 0;
    std::atomic<int> inits_{0}, uninits_{0};
};

}  // namespace orvo
