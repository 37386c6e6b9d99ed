#include "platform/win32/Win32Registry.h"

#include <windows.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace win32 {
namespace {

// The predefined keys are spelled out rather than cast from the number in RegRoot: in a
// 64-bit build HKEY_LOCAL_MACHINE is the sign-extended value, not 0x80000002.
HKEY toHkey(const platform::RegKey& key) {
    switch (static_cast<platform::RegRoot>(key.handle())) {
        case platform::RegRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
        case platform::RegRoot::CurrentUser: return HKEY_CURRENT_USER;
        case platform::RegRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
        case platform::RegRoot::Users: return HKEY_USERS;
        case platform::RegRoot::CurrentConfig: return HKEY_CURRENT_CONFIG;
    }
    return reinterpret_cast<HKEY>(key.handle());
}

// A caller-sized buffer that still has an address when the caller asked for zero bytes:
// given a NULL data pointer the registry reports the size with ERROR_SUCCESS instead of
// the ERROR_MORE_DATA that a zero-byte buffer gets.
std::vector<char> callerBuffer(std::uint32_t bytes) { return std::vector<char>(std::max<std::uint32_t>(bytes, 1)); }

// RegDeleteTreeA arrived with Vista; RegDeleteKeyA, which every system has, takes only a key
// without sub-keys, so the children go first, depth first. Index 0 each time because every
// deletion renumbers the rest; a child that cannot be deleted ends the walk with its error
// rather than looping on it.
LSTATUS deleteKeyAndSubKeys(HKEY parent, const std::string& subKey) {
    HKEY opened = nullptr;
    LSTATUS status = RegOpenKeyExA(parent, subKey.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &opened);
    if (status != ERROR_SUCCESS) return status;
    for (;;) {
        std::string child;
        // A key name has at most 255 characters, which in a double-byte code page can be
        // more bytes; grow rather than guess.
        for (DWORD capacity = 256; capacity <= 65536; capacity *= 2) {
            std::vector<char> buffer(capacity);
            DWORD length = capacity;
            status = RegEnumKeyExA(opened, 0, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
            if (status == ERROR_MORE_DATA) continue;
            if (status == ERROR_SUCCESS) child.assign(buffer.data(), std::min(length, capacity));
            break;
        }
        if (status != ERROR_SUCCESS) break;
        status = deleteKeyAndSubKeys(opened, child);
        if (status != ERROR_SUCCESS) break;
    }
    RegCloseKey(opened);
    if (status != ERROR_NO_MORE_ITEMS) return status;
    return RegDeleteKeyA(parent, subKey.c_str());
}

}  // namespace

long Win32Registry::openKey(const platform::RegKey& parent, const std::string& subKey, std::uint32_t access,
                            platform::RegKey& out) {
    out = platform::RegKey();
    if (!parent.valid()) return ERROR_INVALID_HANDLE;
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExA(toHkey(parent), subKey.c_str(), 0, access, &opened);
    if (status == ERROR_SUCCESS) out = platform::RegKey(this, reinterpret_cast<std::uintptr_t>(opened), true);
    return status;
}

long Win32Registry::createKey(const platform::RegKey& parent, const std::string& subKey, std::uint32_t access,
                              platform::RegKey& out) {
    out = platform::RegKey();
    if (!parent.valid()) return ERROR_INVALID_HANDLE;
    HKEY created = nullptr;
    const LSTATUS status = RegCreateKeyExA(toHkey(parent), subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           access, nullptr, &created, nullptr);
    if (status == ERROR_SUCCESS) out = platform::RegKey(this, reinterpret_cast<std::uintptr_t>(created), true);
    return status;
}

long Win32Registry::queryValue(const platform::RegKey& key, const std::string& name, std::uint32_t bufferSize,
                               platform::RegValue& out) {
    out = platform::RegValue{name, REG_NONE, {}};
    if (!key.valid()) return ERROR_INVALID_HANDLE;
    std::vector<char> buffer = callerBuffer(bufferSize);
    DWORD type = REG_NONE;
    DWORD size = bufferSize;
    const LSTATUS status = RegQueryValueExA(toHkey(key), name.c_str(), nullptr, &type,
                                            reinterpret_cast<BYTE*>(buffer.data()), &size);
    out.type = type;
    if (status == ERROR_SUCCESS) out.data.assign(buffer.data(), std::min<DWORD>(size, bufferSize));
    return status;
}

long Win32Registry::setValue(const platform::RegKey& key, const std::string& name, std::uint32_t type,
                             const std::string& data) {
    if (!key.valid()) return ERROR_INVALID_HANDLE;
    if (data.size() > std::numeric_limits<DWORD>::max()) return ERROR_INVALID_PARAMETER;
    return RegSetValueExA(toHkey(key), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
}

long Win32Registry::enumValue(const platform::RegKey& key, std::uint32_t index, std::uint32_t nameChars,
                              std::uint32_t dataBytes, platform::RegValue& out) {
    out = platform::RegValue{};
    if (!key.valid()) return ERROR_INVALID_HANDLE;
    // Exactly the sizes asked for: whether a long value fails with ERROR_MORE_DATA is part
    // of what the caller relies on.
    std::vector<char> nameBuffer = callerBuffer(nameChars);
    std::vector<char> dataBuffer = callerBuffer(dataBytes);
    DWORD nameLength = nameChars;
    DWORD dataLength = dataBytes;
    DWORD type = REG_NONE;
    const LSTATUS status = RegEnumValueA(toHkey(key), index, nameBuffer.data(), &nameLength, nullptr, &type,
                                         reinterpret_cast<BYTE*>(dataBuffer.data()), &dataLength);
    if (status != ERROR_SUCCESS) return status;
    out.name.assign(nameBuffer.data(), std::min<DWORD>(nameLength, nameChars));
    out.type = type;
    out.data.assign(dataBuffer.data(), std::min<DWORD>(dataLength, dataBytes));
    return status;
}

long Win32Registry::enumKey(const platform::RegKey& key, std::uint32_t index, std::string& name) {
    name.clear();
    if (!key.valid()) return ERROR_INVALID_HANDLE;
    // A key name has at most 255 characters, but in a double-byte code page that can be
    // more bytes; grow rather than guess.
    for (DWORD capacity = 256; capacity <= 65536; capacity *= 2) {
        std::vector<char> buffer(capacity);
        DWORD length = capacity;
        const LSTATUS status =
            RegEnumKeyExA(toHkey(key), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) continue;
        if (status == ERROR_SUCCESS) name.assign(buffer.data(), std::min(length, capacity));
        return status;
    }
    return ERROR_MORE_DATA;
}

long Win32Registry::deleteValue(const platform::RegKey& key, const std::string& name) {
    if (!key.valid()) return ERROR_INVALID_HANDLE;
    return RegDeleteValueA(toHkey(key), name.c_str());
}

long Win32Registry::deleteTree(const platform::RegKey& parent, const std::string& subKey) {
    if (!parent.valid()) return ERROR_INVALID_HANDLE;
    // An empty name would name the parent itself.
    if (subKey.empty()) return ERROR_INVALID_PARAMETER;
    return deleteKeyAndSubKeys(toHkey(parent), subKey);
}

void Win32Registry::closeKey(std::uintptr_t handle) { RegCloseKey(reinterpret_cast<HKEY>(handle)); }

}  // namespace win32
