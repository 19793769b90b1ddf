#pragma once
// The handheld's small file system as the remote API reaches it: the folders "\Windows" and
// "\Temp", files with sharing rules, handles, and the errors of the handheld's file calls.
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace rig {

// Error numbers the handheld reports.
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorPathNotFound = 3;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorSharingViolation = 32;
inline constexpr std::uint32_t kErrorFileExists = 80;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorAlreadyExists = 183;

// Values of the platform's file calls.
inline constexpr std::uint32_t kGenericRead = 0x80000000;
inline constexpr std::uint32_t kGenericWrite = 0x40000000;
inline constexpr std::uint32_t kShareRead = 1;
inline constexpr std::uint32_t kShareWrite = 2;
inline constexpr std::uint32_t kCreateNew = 1;
inline constexpr std::uint32_t kCreateAlways = 2;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kOpenAlways = 4;
inline constexpr std::uint32_t kTruncateExisting = 5;

struct DeviceFile {
    std::vector<std::uint8_t> data;
    std::uint32_t attributes = 0;
    bool in_use = false;  // a loaded library or a running program: cannot be replaced,
                          // moved or deleted
};

// The outcome of opening or creating a file: a handle (0 when it failed) and the handheld's error,
// which is 183 also when it succeeded on a file that was there already.
struct Opened {
    std::uint32_t handle = 0;
    std::uint32_t error = 0;
};

class DeviceFiles {
  public:
    DeviceFiles();

    Opened Create(const std::string& path, std::uint32_t access, std::uint32_t share,
                  std::uint32_t disposition, std::uint32_t attributes);
    // Each returns 0 on success or the handheld's error number.
    std::uint32_t Read(std::uint32_t handle, std::uint32_t count, std::vector<std::uint8_t>& out);
    std::uint32_t Write(std::uint32_t handle, const std::vector<std::uint8_t>& data);
    std::uint32_t Close(std::uint32_t handle);
    std::uint32_t Delete(const std::string& path);
    std::uint32_t Move(const std::string& from, const std::string& to);

    // Used by the handheld's own programs.
    bool Exists(const std::string& path) const;
    DeviceFile* Find(const std::string& path);
    void Put(const std::string& path, std::vector<std::uint8_t> data);
    // A restart: every handle is gone, nothing is in use. Files in "\Temp" survive, as in RAM.
    void Restart();

    const std::map<std::string, DeviceFile>& files() const { return files_; }
    std::size_t open_handles() const { return handles_.size(); }
    // The path as it was first created, for a key of files().
    const std::string& NameOf(const std::string& key) const { return names_.at(key); }

    // "\windows\x.dll" for "\Windows\X.DLL": paths compare without regard to case.
    static std::string Key(const std::string& path);

  private:
    struct Handle {
        std::string key;
        std::uint32_t access;
        std::uint32_t share;
        std::size_t position = 0;
    };
    std::uint32_t SharingConflict(const std::string& key, std::uint32_t access,
                                  std::uint32_t share) const;
    bool IsOpen(const std::string& key) const;

    std::set<std::string> folders_;
    std::map<std::string, DeviceFile> files_;   // by Key
    std::map<std::string, std::string> names_;  // Key -> path as first created
    std::map<std::uint32_t, Handle> handles_;
    std::uint32_t next_handle_ = 0x1000;
};

}  // namespace rig
