#pragma once
// An in-memory registry for tests: keys by path and values in the order they were first written,
// names matched ignoring letter case as the registry does. Keys of the local machine are the
// paths below kMachine. Failures can be switched on per key or per value name.

#include "platform/registry.h"
#include "base/text_compare.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orvo {

class FakeRegistry : public Registry {
  public:
    struct StoredValue {
        std::string name;
        RegistryType type;
        std::vector<std::uint8_t> data;
    };

    static constexpr std::string_view kMachine = "HKEY_LOCAL_MACHINE\\";
    static std::string Machine(std::string_view path) { return std::string(kMachine) += path; }

    // Test set-up and inspection.
    void Put(std::string_view path, std::string_view name, RegistryType type,
             std::vector<std::uint8_t> data) {
        MakeKey(path);
        auto& values = keys_[Fold(path)];
        auto found = std::ranges::find_if(
            values, [&](const StoredValue& v) { return EqualIgnoringCase(v.name, name); });
        if (found == values.end()) found = values.insert(found, {std::string(name), type, {}});
        *found = {found->name, type, std::move(data)};
    }
    void PutText(std::string_view path, std::string_view name, std::string_view text) {
        std::vector<std::uint8_t> data(text.begin(), text.end());
        data.push_back(0);
        Put(path, name, RegistryType::String, std::move(data));
    }
    bool HasKey(std::string_view path) const { return keys_.count(Fold(path)) != 0; }
    // The values of a key in enumeration order; empty when the key is missing.
    std::vector<StoredValue> Values(std::string_view path) const {
        auto found = keys_.find(Fold(path));
        return found == keys_.end() ? std::vector<StoredValue>{} : found->second;
    }
    std::optional<StoredValue> Value(std::string_view path, std::string_view name) const {
        for (const StoredValue& value : Values(path)) {
            if (EqualIgnoringCase(value.name, name)) return value;
        }
        return std::nullopt;
    }

    void FailKeysAt(std::string_view path) { failing_keys_.insert(Fold(path)); }
    void FailValueWrites(std::string_view name) { failing_values_.insert(Fold(name)); }

    std::unique_ptr<RegistryKey> CreateUserKey(std::string_view path) override {
        if (failing_keys_.count(Fold(path))) return nullptr;
        MakeKey(path);
        return std::make_unique<Key>(*this, Fold(path), true);
    }
    std::unique_ptr<RegistryKey> OpenUserKey(std::string_view path, bool) override {
        if (failing_keys_.count(Fold(path)) || !HasKey(path)) return nullptr;
        return std::make_unique<Key>(*this, Fold(path), true);
    }
    std::unique_ptr<RegistryKey> OpenMachineKey(std::string_view path) override {
        const std::string full = Machine(path);
        if (failing_keys_.count(Fold(full)) || !HasKey(full)) return nullptr;
        return std::make_unique<Key>(*this, Fold(full), false);
    }

  private:
    class Key : public RegistryKey {
      public:
        Key(FakeRegistry& registry, std::string path, bool writable)
            : registry_(registry), path_(std::move(path)), writable_(writable) {}

        bool SetValue(std::string_view name, RegistryType type,
                      std::span<const std::uint8_t> data) override {
            if (!writable_ || registry_.failing_values_.count(Fold(name)) ||
                !registry_.HasKey(path_))
                return false;
            registry_.Put(path_, name, type, {data.begin(), data.end()});
            return true;
        }
        EnumResult EnumValue(std::uint32_t index, std::size_t name_room, std::size_t data_room,
                             RegistryValue& value) override {
            const std::vector<StoredValue> values = registry_.Values(path_);
            if (index >= values.size()) return EnumResult::End;
            const StoredValue& stored = values[index];
            if (stored.name.size() + 1 > name_room || stored.data.size() > data_room) {
                return EnumResult::Skipped;
            }
            value.name = stored.name;
            value.data = stored.data;
            return EnumResult::Read;
        }
        bool DeleteSubKey(std::string_view name) override {
            return writable_ && registry_.keys_.erase(path_ + "\\" + Fold(name)) != 0;
        }
        std::optional<std::vector<std::uint8_t>> ReadValue(std::string_view name,
                                                           std::size_t room) override {
            std::optional<StoredValue> stored = registry_.Value(path_, name);
            if (!stored || stored->data.size() > room) return std::nullopt;
            return stored->data;
        }

      private:
        FakeRegistry& registry_;
        std::string path_;
        bool writable_;
    };

    // Makes the key and its parents, as creating a key does.
    void MakeKey(std::string_view path) {
        for (std::size_t end = path.find('\\'); end != std::string_view::npos;
             end = path.find('\\', end + 1)) {
            keys_[Fold(path.substr(0, end))];
        }
        keys_[Fold(path)];
    }
    static std::string Fold(std::string_view text) {
        std::string folded(text);
        std::transform(folded.begin(), folded.end(), folded.begin(), FoldCase);
        return folded;
    }

    std::map<std::string, std::vector<StoredValue>> keys_;
    std::set<std::string> failing_keys_, failing_values_;
};

}  // namespace orvo
