#pragma once
// The registry as the logic sees it: the advapi32 calls it makes, each returning the
// LSTATUS that Windows would. Keys are owned by move-only RegKey values.
#include <cstdint>
#include <string>
#include <utility>

namespace platform {

// The predefined root keys, with their Windows handle values.
enum class RegRoot : std::uintptr_t {
    ClassesRoot = 0x80000000u,
    CurrentUser = 0x80000001u,
    LocalMachine = 0x80000002u,
    Users = 0x80000003u,
    CurrentConfig = 0x80000005u,
};

class Registry;

// Owns one open key and closes it exactly once. A root key is never closed.
class RegKey {
public:
    RegKey() = default;
    RegKey(Registry* owner, std::uintptr_t handle, bool owned) : owner_(owner), handle_(handle), owned_(owned) {}
    static RegKey root(Registry& registry, RegRoot root) {
        return RegKey(&registry, static_cast<std::uintptr_t>(root), false);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept { swap(other); }
    RegKey& operator=(RegKey&& other) noexcept {
        if (this != &other) {
            reset();
            swap(other);
        }
        return *this;
    }
    ~RegKey() { reset(); }

    bool valid() const { return owner_ != nullptr; }
    std::uintptr_t handle() const { return handle_; }
    void reset();

private:
    void swap(RegKey& other) noexcept {
        std::swap(owner_, other.owner_);
        std::swap(handle_, other.handle_);
        std::swap(owned_, other.owned_);
    }
    Registry* owner_ = nullptr;
    std::uintptr_t handle_ = 0;
    bool owned_ = false;
};

// One value as RegEnumValueA / RegQueryValueExA deliver it: raw bytes, as stored.
struct RegValue {
    std::string name;
    std::uint32_t type = 0;
    std::string data;
};

class Registry {
public:
    virtual ~Registry() = default;

    // RegOpenKeyExA: the key must exist.
    virtual long openKey(const RegKey& parent, const std::string& subKey, std::uint32_t access, RegKey& out) = 0;
    // RegCreateKeyExA: opens the key, creating it and any missing parents.
    virtual long createKey(const RegKey& parent, const std::string& subKey, std::uint32_t access, RegKey& out) = 0;
    // RegQueryValueExA with a buffer of bufferSize bytes: ERROR_MORE_DATA when the data does not fit.
    virtual long queryValue(const RegKey& key, const std::string& name, std::uint32_t bufferSize, RegValue& out) = 0;
    // RegSetValueExA: data holds the exact bytes to store (a REG_SZ includes its NUL).
    virtual long setValue(const RegKey& key, const std::string& name, std::uint32_t type, const std::string& data) = 0;
    // RegEnumValueA with a name buffer of nameChars characters (NUL included) and a data
    // buffer of dataBytes bytes; ERROR_NO_MORE_ITEMS past the last value.
    virtual long enumValue(const RegKey& key, std::uint32_t index, std::uint32_t nameChars, std::uint32_t dataBytes,
                           RegValue& out) = 0;
    // RegEnumKeyExA with a generous buffer.
    virtual long enumKey(const RegKey& key, std::uint32_t index, std::string& name) = 0;
    virtual long deleteValue(const RegKey& key, const std::string& name) = 0;
    // Deletes subKey under parent with all its sub-keys and values (what RegDeleteTreeA
    // followed by RegDeleteKeyA does).
    virtual long deleteTree(const RegKey& parent, const std::string& subKey) = 0;

    RegKey rootKey(RegRoot root) { return RegKey::root(*this, root); }

protected:
    friend class RegKey;
    virtual void closeKey(std::uintptr_t handle) = 0;
};

inline void RegKey::reset() {
    if (owner_ != nullptr && owned_) owner_->closeKey(handle_);
    owner_ = nullptr;
    handle_ = 0;
    owned_ = false;
}

// A REG_SZ as stored: the text and its terminating NUL.
inline std::string regSz(const std::string& text) { return text + '\0'; }

// The text of a REG_SZ as read: up to the first NUL, never past the data.
inline std::string regSzText(const std::string& data) { return data.substr(0, data.find('\0')); }

}  // namespace platform
