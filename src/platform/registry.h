#pragma once
// The registry seam: keys of the current user, their values and subkeys, as the settings
// record needs them; keys of the local machine, read only. Value names are matched ignoring letter
// case, as the registry does. The Win32 adapter uses the real registry; tests use a fake.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvo {

// The registry's own type numbers.
enum class RegistryType : std::uint32_t { String = 1, Binary = 3, Dword = 4 };

struct RegistryValue {
    std::string name;
    std::vector<std::uint8_t> data;  // exactly the bytes the registry gave
};

enum class EnumResult {
    Read,     // the value was read
    Skipped,  // its name or data does not fit the room given; the next index may be read
    End,      // no more values (or the enumeration cannot go on)
};

class RegistryKey {
  public:
    virtual ~RegistryKey() = default;

    virtual bool SetValue(std::string_view name, RegistryType type,
                          std::span<const std::uint8_t> data) = 0;
    // The value at `index` when its name fits `name_room` characters (terminating zero
    // included) and its data fits `data_room` bytes. The type is not asked for.
    virtual EnumResult EnumValue(std::uint32_t index, std::size_t name_room, std::size_t data_room,
                                 RegistryValue& value) = 0;
    // Deletes a subkey that has no subkeys of its own, with its values.
    virtual bool DeleteSubKey(std::string_view name) = 0;
    // The data of value `name` (empty: the key's default value) when it fits `room` bytes;
    // nothing when it is missing, bigger or unreadable. The type is not asked for.
    virtual std::optional<std::vector<std::uint8_t>> ReadValue(std::string_view name,
                                                               std::size_t room) = 0;
};

class Registry {
  public:
    virtual ~Registry() = default;

    // Creates or opens a key of the current user (non-volatile, full access); null on failure.
    virtual std::unique_ptr<RegistryKey> CreateUserKey(std::string_view path) = 0;
    // Opens an existing key of the current user; null when it is missing or cannot be opened.
    virtual std::unique_ptr<RegistryKey> OpenUserKey(std::string_view path, bool full_access) = 0;
    // Opens an existing key of the local machine for reading only; null when it is missing or
    // cannot be opened.
    virtual std::unique_ptr<RegistryKey> OpenMachineKey(std::string_view path) = 0;
};

}  // namespace orvo
