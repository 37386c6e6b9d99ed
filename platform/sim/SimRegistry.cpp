#include "platform/sim/SimRegistry.h"

#include <algorithm>

#include "platform/WinConstants.h"
#include "platform/sim/SimText.h"

namespace sim {

namespace {

constexpr long ERROR_KEY_DELETED = 1018;

std::string rootName(std::uintptr_t handle) {
    switch (static_cast<platform::RegRoot>(handle)) {
        case platform::RegRoot::ClassesRoot: return "hkcr";
        case platform::RegRoot::CurrentUser: return "hkcu";
        case platform::RegRoot::LocalMachine: return "hklm";
        case platform::RegRoot::Users: return "hku";
        case platform::RegRoot::CurrentConfig: return "hkcc";
    }
    return {};
}

}  // namespace

// Windows shows some keys in two places: CurrentControlSet is the control set in use
// (ControlSet001 unless another was selected) and HKEY_CURRENT_CONFIG is the current
// hardware profile. One path stands for each key, so that a write through one name is read
// through the other.
std::vector<std::string> SimRegistry::canonical(std::vector<std::string> path) const {
    if (!path.empty() && path.front() == "hkcc") {
        path.erase(path.begin());
        path.insert(path.begin(), {"hklm", "system", "currentcontrolset", "hardware profiles", "current"});
    }
    if (path.size() >= 3 && path[0] == "hklm" && path[1] == "system" && path[2] == "currentcontrolset") {
        const int set = currentControlSet_.load();
        path[2] = std::string("controlset00") + static_cast<char>('0' + set);
    }
    // The current hardware profile holds its own CurrentControlSet, which is no link.
    return path;
}

void SimRegistry::selectCurrentControlSet(int set) {
    if (set >= 1 && set <= 9) currentControlSet_ = set;
}

std::vector<std::string> SimRegistry::splitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty()) parts.push_back(asciiLower(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(asciiLower(part));
    return parts;
}

std::vector<std::string> SimRegistry::splitTestPath(const std::string& path) const {
    std::vector<std::string> parts = splitPath(path);
    if (!parts.empty()) {
        const std::string& root = parts.front();
        if (root == "hkey_local_machine") parts.front() = "hklm";
        if (root == "hkey_current_user") parts.front() = "hkcu";
        if (root == "hkey_classes_root") parts.front() = "hkcr";
        if (root == "hkey_users") parts.front() = "hku";
        if (root == "hkey_current_config") parts.front() = "hkcc";
    }
    return canonical(parts);
}

SimRegistry::Key* SimRegistry::find(const std::vector<std::string>& path) const {
    if (path.empty()) return nullptr;
    auto root = roots_.find(path.front());
    if (root == roots_.end()) return nullptr;
    Key* key = root->second.get();
    for (std::size_t i = 1; i < path.size() && key != nullptr; ++i) {
        Key* next = nullptr;
        for (const auto& child : key->children) {
            if (asciiLower(child->name) == path[i]) next = child.get();
        }
        key = next;
    }
    return key;
}

SimRegistry::Key* SimRegistry::findOrCreate(const std::vector<std::string>& path) {
    auto& root = roots_[path.front()];
    if (!root) {
        root = std::make_unique<Key>();
        root->name = path.front();
    }
    Key* key = root.get();
    for (std::size_t i = 1; i < path.size(); ++i) {
        Key* next = nullptr;
        for (const auto& child : key->children) {
            if (asciiLower(child->name) == path[i]) next = child.get();
        }
        if (next == nullptr) {
            key->children.push_back(std::make_unique<Key>());
            next = key->children.back().get();
            next->name = path[i];
        }
        key = next;
    }
    return key;
}

std::string SimRegistry::joinPath(const std::vector<std::string>& path) {
    std::string joined;
    for (const auto& part : path) joined += (joined.empty() ? "" : "\\") + part;
    return joined;
}

long SimRegistry::injectedFailure(const std::vector<std::string>& path) const {
    auto it = failures_.find(joinPath(path));
    return it == failures_.end() ? win::ERROR_SUCCESS : it->second;
}

long SimRegistry::resolve(const platform::RegKey& key, std::vector<std::string>& path,
                          std::uint32_t& access) const {
    const std::string root = rootName(key.handle());
    if (!root.empty()) {
        path = canonical({root});
        access = win::KEY_ALL_ACCESS;
        return win::ERROR_SUCCESS;
    }
    auto it = handles_.find(key.handle());
    if (it == handles_.end()) return win::ERROR_INVALID_HANDLE;
    path = it->second.path;
    access = it->second.access;
    if (const long failure = injectedFailure(path)) return failure;
    if (find(path) == nullptr) return ERROR_KEY_DELETED;
    return win::ERROR_SUCCESS;
}

long SimRegistry::openOrCreate(const platform::RegKey& parent, const std::string& subKey, std::uint32_t access,
                               platform::RegKey& out, bool create) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> path;
    std::uint32_t parentAccess = 0;
    if (const long status = resolve(parent, path, parentAccess)) return status;
    for (auto& part : splitPath(subKey)) path.push_back(std::move(part));
    path = canonical(std::move(path));
    if (const long failure = injectedFailure(path)) return failure;
    if (find(path) == nullptr) {
        if (!create) return win::ERROR_FILE_NOT_FOUND;
        findOrCreate(path);
    }
    const std::uintptr_t handle = nextHandle_;
    nextHandle_ += 4;
    handles_[handle] = Handle{path, access};
    out = platform::RegKey(this, handle, true);
    return win::ERROR_SUCCESS;
}

long SimRegistry::openKey(const platform::RegKey& parent, const std::string& subKey, std::uint32_t access,
                          platform::RegKey& out) {
    return openOrCreate(parent, subKey, access, out, false);
}

long SimRegistry::createKey(const platform::RegKey& parent, const std::string& subKey, std::uint32_t access,
                            platform::RegKey& out) {
    return openOrCreate(parent, subKey, access, out, true);
}

long SimRegistry::queryValue(const platform::RegKey& key, const std::string& name, std::uint32_t bufferSize,
                             platform::RegValue& out) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> path;
    std::uint32_t access = 0;
    if (const long status = resolve(key, path, access)) return status;
    if ((access & win::KEY_QUERY_VALUE) == 0) return win::ERROR_ACCESS_DENIED;
    for (const auto& value : find(path)->values) {
        if (asciiLower(value.name) != asciiLower(name)) continue;
        out.name = value.name;
        out.type = value.type;
        if (value.data.size() > bufferSize) {
            out.data.clear();
            return win::ERROR_MORE_DATA;
        }
        out.data = value.data;
        return win::ERROR_SUCCESS;
    }
    return win::ERROR_FILE_NOT_FOUND;
}

long SimRegistry::setValue(const platform::RegKey& key, const std::string& name, std::uint32_t type,
                           const std::string& data) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> path;
    std::uint32_t access = 0;
    if (const long status = resolve(key, path, access)) return status;
    if ((access & win::KEY_SET_VALUE) == 0) return win::ERROR_ACCESS_DENIED;
    auto& values = find(path)->values;
    for (auto& value : values) {
        if (asciiLower(value.name) == asciiLower(name)) {
            value.type = type;
            value.data = data;
            return win::ERROR_SUCCESS;
        }
    }
    values.push_back(platform::RegValue{name, type, data});
    return win::ERROR_SUCCESS;
}

long SimRegistry::enumValue(const platform::RegKey& key, std::uint32_t index, std::uint32_t nameChars,
                            std::uint32_t dataBytes, platform::RegValue& out) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> path;
    std::uint32_t access = 0;
    if (const long status = resolve(key, path, access)) return status;
    if ((access & win::KEY_QUERY_VALUE) == 0) return win::ERROR_ACCESS_DENIED;
    if (auto failure = enumFailures_.find(joinPath(path)); failure != enumFailures_.end()) return failure->second;
    const auto& values = find(path)->values;
    if (index >= values.size()) return win::ERROR_NO_MORE_ITEMS;
    const platform::RegValue& value = values[index];
    // The name buffer must also hold the terminating NUL.
    if (value.name.size() >= nameChars || value.data.size() > dataBytes) {
        out = platform::RegValue{};
        return win::ERROR_MORE_DATA;
    }
    out = value;
    return win::ERROR_SUCCESS;
}

long SimRegistry::enumKey(const platform::RegKey& key, std::uint32_t index, std::string& name) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> path;
    std::uint32_t access = 0;
    if (const long status = resolve(key, path, access)) return status;
    if ((access & win::KEY_ENUMERATE_SUB_KEYS) == 0) return win::ERROR_ACCESS_DENIED;
    const auto& children = find(path)->children;
    if (index >= children.size()) return win::ERROR_NO_MORE_ITEMS;
    name = children[index]->name;
    return win::ERROR_SUCCESS;
}

long SimRegistry::deleteValue(const platform::RegKey& key, const std::string& name) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> path;
    std::uint32_t access = 0;
    if (const long status = resolve(key, path, access)) return status;
    if ((access & win::KEY_SET_VALUE) == 0) return win::ERROR_ACCESS_DENIED;
    auto& values = find(path)->values;
    auto it = std::find_if(values.begin(), values.end(),
                           [&](const platform::RegValue& v) { return asciiLower(v.name) == asciiLower(name); });
    if (it == values.end()) return win::ERROR_FILE_NOT_FOUND;
    values.erase(it);
    return win::ERROR_SUCCESS;
}

long SimRegistry::deleteTree(const platform::RegKey& parent, const std::string& subKey) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> path;
    std::uint32_t access = 0;
    if (const long status = resolve(parent, path, access)) return status;
    std::vector<std::string> full = path;
    for (auto& part : splitPath(subKey)) full.push_back(std::move(part));
    full = canonical(std::move(full));
    if (full.size() <= path.size()) return win::ERROR_INVALID_PARAMETER;
    const std::string leaf = full.back();
    std::vector<std::string> parentPath(full.begin(), full.end() - 1);
    Key* holder = find(parentPath);
    if (holder == nullptr) return win::ERROR_FILE_NOT_FOUND;
    auto& children = holder->children;
    auto it = std::find_if(children.begin(), children.end(),
                           [&](const auto& child) { return asciiLower(child->name) == leaf; });
    if (it == children.end()) return win::ERROR_FILE_NOT_FOUND;
    children.erase(it);
    return win::ERROR_SUCCESS;
}

void SimRegistry::closeKey(std::uintptr_t handle) {
    std::lock_guard lock(mutex_);
    handles_.erase(handle);
}

void SimRegistry::setRaw(const std::string& path, const std::string& name, std::uint32_t type,
                         const std::string& data) {
    std::lock_guard lock(mutex_);
    auto& values = findOrCreate(splitTestPath(path))->values;
    for (auto& value : values) {
        if (asciiLower(value.name) == asciiLower(name)) {
            value.type = type;
            value.data = data;
            return;
        }
    }
    values.push_back(platform::RegValue{name, type, data});
}

void SimRegistry::setString(const std::string& path, const std::string& name, const std::string& text) {
    setRaw(path, name, win::REG_SZ, platform::regSz(text));
}

void SimRegistry::setDword(const std::string& path, const std::string& name, std::uint32_t value) {
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i) data[static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    setRaw(path, name, win::REG_DWORD, data);
}

bool SimRegistry::hasKey(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return find(splitTestPath(path)) != nullptr;
}

bool SimRegistry::value(const std::string& path, const std::string& name, platform::RegValue& out) const {
    std::lock_guard lock(mutex_);
    const Key* key = find(splitTestPath(path));
    if (key == nullptr) return false;
    for (const auto& value : key->values) {
        if (asciiLower(value.name) == asciiLower(name)) {
            out = value;
            return true;
        }
    }
    return false;
}

void SimRegistry::removeKey(const std::string& path) {
    const std::vector<std::string> parts = splitTestPath(path);
    if (parts.size() < 2) return;
    std::string parent = parts.front();
    std::string sub;
    for (std::size_t i = 1; i < parts.size(); ++i) sub += (sub.empty() ? "" : "\\") + parts[i];
    platform::RegKey root = rootKey(parts.front() == "hklm"   ? platform::RegRoot::LocalMachine
                                    : parts.front() == "hkcu" ? platform::RegRoot::CurrentUser
                                    : parts.front() == "hkcr" ? platform::RegRoot::ClassesRoot
                                                              : platform::RegRoot::Users);
    deleteTree(root, sub);
}

void SimRegistry::failKey(const std::string& path, long error) {
    std::lock_guard lock(mutex_);
    failures_[joinPath(splitTestPath(path))] = error;
}

void SimRegistry::failEnumValues(const std::string& path, long error) {
    std::lock_guard lock(mutex_);
    enumFailures_[joinPath(splitTestPath(path))] = error;
}

std::size_t SimRegistry::openHandles() const {
    std::lock_guard lock(mutex_);
    return handles_.size();
}

void SimRegistry::addToSnapshot(const std::string& path, const Key& key, std::map<std::string, std::string>& entries) {
    entries[path] = "<key>";
    for (const auto& value : key.values) {
        entries[path + "|" + asciiLower(value.name)] = std::to_string(value.type) + ":" + value.data;
    }
    for (const auto& child : key.children) addToSnapshot(path + "\\" + asciiLower(child->name), *child, entries);
}

std::map<std::string, std::string> SimRegistry::snapshot() const {
    std::lock_guard lock(mutex_);
    std::map<std::string, std::string> entries;
    for (const auto& [name, root] : roots_) addToSnapshot(name, *root, entries);
    return entries;
}

}  // namespace sim
