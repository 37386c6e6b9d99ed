#pragma once
// A registry held in memory with the rules Windows applies: key and value names compare
// case-insensitively, values keep their order of creation, a handle outlives nothing it
// names (a deleted key answers ERROR_KEY_DELETED), and access rights are checked.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace sim {

class SimRegistry : public platform::Registry {
public:
    long openKey(const platform::RegKey& parent, const std::string& subKey, std::uint32_t access,
                 platform::RegKey& out) override;
    long createKey(const platform::RegKey& parent, const std::string& subKey, std::uint32_t access,
                   platform::RegKey& out) override;
    long queryValue(const platform::RegKey& key, const std::string& name, std::uint32_t bufferSize,
                    platform::RegValue& out) override;
    long setValue(const platform::RegKey& key, const std::string& name, std::uint32_t type,
                  const std::string& data) override;
    long enumValue(const platform::RegKey& key, std::uint32_t index, std::uint32_t nameChars,
                   std::uint32_t dataBytes, platform::RegValue& out) override;
    long enumKey(const platform::RegKey& key, std::uint32_t index, std::string& name) override;
    long deleteValue(const platform::RegKey& key, const std::string& name) override;
    long deleteTree(const platform::RegKey& parent, const std::string& subKey) override;

    // Set-up and inspection for tests, by full path such as "HKLM\\HARDWARE\\DEVICEMAP".
    void setString(const std::string& path, const std::string& name, const std::string& text);
    void setDword(const std::string& path, const std::string& name, std::uint32_t value);
    void setRaw(const std::string& path, const std::string& name, std::uint32_t type, const std::string& data);
    bool hasKey(const std::string& path) const;
    // The value's raw bytes, or nullptr-like empty optional through the bool.
    bool value(const std::string& path, const std::string& name, platform::RegValue& out) const;
    void removeKey(const std::string& path);
    // Every open of this key, and every operation on a handle to it, fails with `error`.
    void failKey(const std::string& path, long error);
    // The key opens, but every value enumeration on it fails with `error`.
    void failEnumValues(const std::string& path, long error);
    std::size_t openHandles() const;
    // The control set CurrentControlSet stands for (HKLM\SYSTEM\Select "Current"), 1 to 9;
    // 1 unless the machine booted another, as after "Last Known Good Configuration".
    void selectCurrentControlSet(int set);
    // Every key and value, for comparing before and after: a key's path (lower case, with
    // CurrentControlSet as the set it stands for) maps to "<key>", a value's path and name joined by
    // "|" map to its type and bytes.
    std::map<std::string, std::string> snapshot() const;

protected:
    void closeKey(std::uintptr_t handle) override;

private:
    struct Key {
        std::string name;
        std::vector<platform::RegValue> values;
        std::vector<std::unique_ptr<Key>> children;
    };
    struct Handle {
        std::vector<std::string> path;  // from the root, lower-cased
        std::uint32_t access;
    };

    Key* find(const std::vector<std::string>& path) const;
    static void addToSnapshot(const std::string& path, const Key& key, std::map<std::string, std::string>& entries);
    Key* findOrCreate(const std::vector<std::string>& path);
    long resolve(const platform::RegKey& key, std::vector<std::string>& path, std::uint32_t& access) const;
    long openOrCreate(const platform::RegKey& parent, const std::string& subKey, std::uint32_t access,
                      platform::RegKey& out, bool create);
    long injectedFailure(const std::vector<std::string>& path) const;
    static std::string joinPath(const std::vector<std::string>& path);
    static std::vector<std::string> splitPath(const std::string& path);
    std::vector<std::string> splitTestPath(const std::string& path) const;
    std::vector<std::string> canonical(std::vector<std::string> path) const;

    mutable std::mutex mutex_;
    std::map<std::string, std::unique_ptr<Key>> roots_;
    std::map<std::uintptr_t, Handle> handles_;
    std::map<std::string, long> failures_;
    std::map<std::string, long> enumFailures_;
    std::uintptr_t nextHandle_ = 0x1000;
    std::atomic<int> currentControlSet_{1};
};

}  // namespace sim
