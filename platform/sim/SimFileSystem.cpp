#include "platform/sim/SimFileSystem.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "platform/WinConstants.h"
#include "platform/CodePage936.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

constexpr std::uint32_t FILE_ATTRIBUTE_ARCHIVE_BIT = 0x20;

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Splits at every separator, keeping empty pieces, so the caller sees doubled separators.
std::vector<std::string> splitAtSeparators(const std::string& text) {
    std::vector<std::string> pieces(1);
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = cp936::charLength(text, pos);
        if (length == 1 && isSeparator(text[pos])) {
            pieces.emplace_back();
        } else {
            pieces.back().append(text, pos, length);
        }
        pos += length;
    }
    return pieces;
}

// One character per element, so that wildcards match characters, not bytes.
std::vector<std::string> characters(const std::string& text) {
    std::vector<std::string> chars;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = cp936::charLength(text, pos);
        chars.push_back(text.substr(pos, length));
        pos += length;
    }
    return chars;
}

bool wildcardMatch(const std::vector<std::string>& name, std::size_t n, const std::vector<std::string>& mask,
                   std::size_t m) {
    if (m == mask.size()) return n == name.size();
    if (mask[m] == "*") {
        for (std::size_t skip = n; skip <= name.size(); ++skip) {
            if (wildcardMatch(name, skip, mask, m + 1)) return true;
        }
        return false;
    }
    if (n == name.size()) return false;
    return (mask[m] == "?" || mask[m] == name[n]) && wildcardMatch(name, n + 1, mask, m + 1);
}

// "*.*" matches every name, dotted or not, as it has since MS-DOS.
bool matchesMask(const std::string& name, const std::string& mask) {
    if (mask == "*" || mask == "*.*") return true;
    return wildcardMatch(characters(cp936::foldCase(name)), 0, characters(cp936::foldCase(mask)), 0);
}

class SimFileSearch final : public platform::FileSearch {
public:
    SimFileSearch(std::vector<platform::FindData> entries, std::shared_ptr<std::atomic<int>> open)
        : entries_(std::move(entries)), open_(std::move(open)) {
        ++*open_;
    }
    ~SimFileSearch() override { --*open_; }
    SimFileSearch(const SimFileSearch&) = delete;
    SimFileSearch& operator=(const SimFileSearch&) = delete;

    bool next(platform::FindData& entry) override {
        if (next_ >= entries_.size()) return false;
        entry = entries_[next_++];
        return true;
    }

private:
    // Taken when the search starts: what is deleted during the walk is still reported, which
    // the deleting walk tolerates because it only ever deletes entries it has been given.
    std::vector<platform::FindData> entries_;
    std::size_t next_ = 1;
    std::shared_ptr<std::atomic<int>> open_;
};

// In one piece: the profile reader reads its file anew for every value, so this is hot.
std::optional<std::string> readHostFile(const fs::path& host) {
    std::ifstream in(host, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return std::move(bytes).str();
}

std::filesystem::path makeTemporaryRoot() {
    // Tests create drives by the thousand (a fresh machine for every injected fault); in
    // memory they cost a fraction of what a disk costs.
    std::error_code ec;
    const fs::path memory = "/dev/shm";
    const fs::path base = fs::is_directory(memory, ec) && access(memory.c_str(), W_OK) == 0
                              ? memory
                              : fs::temp_directory_path();
    std::string pattern = (base / "sim-drive-c-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a folder for drive C:");
    return pattern;
}

}  // namespace

SimFileSystem::SimFileSystem() : root_(makeTemporaryRoot()), ownsRoot_(true) {}

SimFileSystem::SimFileSystem(std::filesystem::path driveC) : root_(std::move(driveC)) {
    fs::create_directories(root_);
}

SimFileSystem::~SimFileSystem() {
    if (!ownsRoot_) return;
    std::error_code ignored;
    // remove_all removes links without following them, so a link out of the drive is safe.
    fs::remove_all(root_, ignored);
}

long SimFileSystem::parse(const std::string& path, WinPath& out) const {
    if (path.empty()) return win::ERROR_PATH_NOT_FOUND;
    std::vector<std::string> pieces;
    WinPath result;
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
        result.drive = static_cast<char>(std::tolower(static_cast<unsigned char>(path[0])));
        const std::string rest = path.substr(2);
        pieces = splitAtSeparators(rest);
        // "C:name" is relative to the current directory when that is on the same drive.
        if (rest.empty() || !isSeparator(rest[0])) {
            if (result.drive == current_.drive) result.components = current_.components;
        }
    } else if (isSeparator(path[0])) {
        if (path.size() >= 2 && isSeparator(path[1])) return win::ERROR_PATH_NOT_FOUND;  // UNC: no network here
        result.drive = current_.drive;
        pieces = splitAtSeparators(path);
    } else {
        result = current_;
        pieces = splitAtSeparators(path);
    }
    for (const std::string& piece : pieces) {
        if (piece.empty() || piece == ".") continue;
        if (piece == "..") {
            if (!result.components.empty()) result.components.pop_back();
            continue;
        }
        result.components.push_back(piece);
    }
    if (result.drive != 'c') return win::ERROR_PATH_NOT_FOUND;
    out = std::move(result);
    return win::ERROR_SUCCESS;
}

SimFileSystem::Lookup SimFileSystem::lookup(const WinPath& path) const {
    Lookup result;
    result.host = root_;
    result.parentExists = true;
    result.exists = true;
    for (const std::string& component : path.components) {
        std::error_code ec;
        if (!result.exists || !fs::is_directory(result.host, ec)) {
            result.parentExists = false;
            result.exists = false;
            result.host /= component;
            continue;
        }
        result.parentExists = true;
        const std::optional<std::string> match = matchIn(result.host, component);
        result.exists = match.has_value();
        result.host /= match.value_or(component);
    }
    return result;
}

std::optional<std::string> SimFileSystem::matchIn(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    // An exact match first: the host may hold names that differ only in case. Asking for it
    // by name spares reading the whole folder, which most lookups would otherwise do.
    if (fs::exists(fs::symlink_status(folder / name, ec))) return name;
    std::optional<std::string> match;
    const std::string folded = cp936::foldCase(name);
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        std::string stored = entry.path().filename().string();
        if (!match && cp936::foldCase(stored) == folded) match = std::move(stored);
    }
    return match;
}

SimFileSystem::Lookup SimFileSystem::lookupOrThrow(const std::string& windowsPath) const {
    WinPath path;
    if (parse(windowsPath, path) != win::ERROR_SUCCESS) {
        throw std::invalid_argument("not a path on the simulated drive C: " + windowsPath);
    }
    return lookup(path);
}

std::uint32_t SimFileSystem::attributesOf(const fs::path& host) const {
    std::error_code ec;
    const fs::file_status own = fs::symlink_status(host, ec);
    if (!fs::exists(own)) return platform::INVALID_FILE_ATTRIBUTES_VALUE;
    std::uint32_t attributes = 0;
    if (fs::is_symlink(own)) {
        attributes |= platform::FILE_ATTRIBUTE_REPARSE_POINT_BIT;
        if (fs::is_directory(host, ec)) attributes |= platform::FILE_ATTRIBUTE_DIRECTORY_BIT;
    } else if (fs::is_directory(own)) {
        attributes |= platform::FILE_ATTRIBUTE_DIRECTORY_BIT;
    }
    if (!(attributes & platform::FILE_ATTRIBUTE_DIRECTORY_BIT)) attributes |= FILE_ATTRIBUTE_ARCHIVE_BIT;
    if (isReadOnly(host)) attributes |= platform::FILE_ATTRIBUTE_READONLY_BIT;
    return attributes;
}

bool SimFileSystem::isReadOnly(const fs::path& host) const { return readOnly_.count(host.string()) != 0; }

std::string SimFileSystem::key(const WinPath& path) { return cp936::foldCase(format(path)); }

std::string SimFileSystem::format(const WinPath& path) {
    std::string text(1, static_cast<char>(std::toupper(static_cast<unsigned char>(path.drive))));
    text += ":\\";
    for (std::size_t i = 0; i < path.components.size(); ++i) {
        if (i > 0) text += '\\';
        text += path.components[i];
    }
    return text;
}

long SimFileSystem::injectedFailure(const WinPath& path) const {
    const auto failure = failures_.find(key(path));
    return failure == failures_.end() ? win::ERROR_SUCCESS : failure->second;
}

std::string SimFileSystem::currentDirectory(std::uint32_t bufferSize) {
    std::lock_guard lock(mutex_);
    const std::string text = format(current_);
    return text.size() + 1 > bufferSize ? std::string() : text;
}

long SimFileSystem::resolveExisting(const std::string& path, WinPath& parsed, Lookup& found) const {
    if (const long error = parse(path, parsed)) return error;
    if (const long error = injectedFailure(parsed)) return error;
    found = lookup(parsed);
    if (!found.exists) return found.parentExists ? win::ERROR_FILE_NOT_FOUND : win::ERROR_PATH_NOT_FOUND;
    return win::ERROR_SUCCESS;
}

std::uint32_t SimFileSystem::fileAttributes(const std::string& path) {
    std::lock_guard lock(mutex_);
    WinPath parsed;
    if (parse(path, parsed) != win::ERROR_SUCCESS || injectedFailure(parsed) != win::ERROR_SUCCESS) {
        return platform::INVALID_FILE_ATTRIBUTES_VALUE;
    }
    const Lookup found = lookup(parsed);
    return found.exists ? attributesOf(found.host) : platform::INVALID_FILE_ATTRIBUTES_VALUE;
}

platform::FileSearchHandle SimFileSystem::findFirst(const std::string& pattern, platform::FindData& first) {
    std::lock_guard lock(mutex_);
    // The last component is the mask; everything before it names the folder.
    std::size_t maskStart = 0;
    for (std::size_t pos = 0; pos < pattern.size(); pos += cp936::charLength(pattern, pos)) {
        if (isSeparator(pattern[pos]) || (pos == 1 && pattern[pos] == ':')) maskStart = pos + 1;
    }
    const std::string mask = pattern.substr(maskStart);
    std::string folder = pattern.substr(0, maskStart);
    if (folder.empty()) folder = ".";
    WinPath parsed;
    if (mask.empty() || parse(folder, parsed) != win::ERROR_SUCCESS ||
        injectedFailure(parsed) != win::ERROR_SUCCESS) {
        return nullptr;
    }
    const Lookup found = lookup(parsed);
    std::error_code ec;
    if (!found.exists || !fs::is_directory(found.host, ec)) return nullptr;

    std::vector<platform::FindData> entries;
    // A drive's root has no "." or ".." entries; every other folder lists both first.
    if (!parsed.components.empty()) {
        for (const char* dots : {".", ".."}) {
            if (matchesMask(dots, mask)) entries.push_back({dots, platform::FILE_ATTRIBUTE_DIRECTORY_BIT});
        }
    }
    const std::size_t dotEntries = entries.size();
    for (const auto& entry : fs::directory_iterator(found.host, ec)) {
        const std::string name = entry.path().filename().string();
        if (matchesMask(name, mask)) entries.push_back({name, attributesOf(entry.path())});
    }
    // NTFS lists a folder in the order of its upper-cased names.
    std::sort(entries.begin() + static_cast<std::ptrdiff_t>(dotEntries), entries.end(),
              [](const platform::FindData& a, const platform::FindData& b) {
                  return cp936::foldCase(a.name) < cp936::foldCase(b.name);
              });
    if (entries.empty()) return nullptr;
    first = entries.front();
    return std::make_unique<SimFileSearch>(std::move(entries), openSearches_);
}

long SimFileSystem::deleteFile(const std::string& path) {
    std::lock_guard lock(mutex_);
    WinPath parsed;
    Lookup found;
    if (const long error = resolveExisting(path, parsed, found)) return error;
    if (heldLocked(parsed)) return win::ERROR_SHARING_VIOLATION;
    const std::uint32_t attributes = attributesOf(found.host);
    // Folders, and links to folders, are RemoveDirectoryA's to remove.
    if (parsed.components.empty() || (attributes & platform::FILE_ATTRIBUTE_DIRECTORY_BIT) ||
        (attributes & platform::FILE_ATTRIBUTE_READONLY_BIT)) {
        return win::ERROR_ACCESS_DENIED;
    }
    std::error_code ec;
    if (!fs::remove(found.host, ec)) return win::ERROR_ACCESS_DENIED;
    readOnly_.erase(found.host.string());
    return win::ERROR_SUCCESS;
}

long SimFileSystem::removeDirectory(const std::string& path) {
    std::lock_guard lock(mutex_);
    WinPath parsed;
    Lookup found;
    if (const long error = resolveExisting(path, parsed, found)) return error;
    if (parsed.components.empty()) return win::ERROR_ACCESS_DENIED;
    const std::uint32_t attributes = attributesOf(found.host);
    if (!(attributes & platform::FILE_ATTRIBUTE_DIRECTORY_BIT)) return win::ERROR_DIRECTORY;
    if (attributes & platform::FILE_ATTRIBUTE_READONLY_BIT) return win::ERROR_ACCESS_DENIED;
    std::error_code ec;
    if (!(attributes & platform::FILE_ATTRIBUTE_REPARSE_POINT_BIT)) {
        // The process holds its current directory open without sharing deletion.
        if (key(parsed) == key(current_)) return win::ERROR_SHARING_VIOLATION;
        if (!fs::is_empty(found.host, ec)) return win::ERROR_DIR_NOT_EMPTY;
    }
    // On a link, fs::remove removes the link and leaves whatever it leads to.
    if (!fs::remove(found.host, ec)) return win::ERROR_ACCESS_DENIED;
    readOnly_.erase(found.host.string());
    return win::ERROR_SUCCESS;
}

long SimFileSystem::copyFile(const std::string& from, const std::string& to, bool failIfExists) {
    std::lock_guard lock(mutex_);
    return copyLocked(from, to, failIfExists, false);
}

long SimFileSystem::copyFileAsHolder(const std::string& from, const std::string& to) {
    std::lock_guard lock(mutex_);
    return copyLocked(from, to, false, true);
}

long SimFileSystem::copyLocked(const std::string& from, const std::string& to, bool failIfExists, bool asHolder) {
    WinPath source;
    WinPath target;
    if (const long error = parse(from, source)) return error;
    if (const long error = injectedFailure(source)) return error;
    if (const long error = parse(to, target)) return error;
    if (const long error = injectedFailure(target)) return error;
    const Lookup in = lookup(source);
    if (!in.exists) return in.parentExists ? win::ERROR_FILE_NOT_FOUND : win::ERROR_PATH_NOT_FOUND;
    std::error_code ec;
    if (fs::is_directory(in.host, ec)) return win::ERROR_ACCESS_DENIED;
    const Lookup out = lookup(target);
    if (!out.parentExists) return win::ERROR_PATH_NOT_FOUND;
    if (out.exists) {
        if (failIfExists) return win::ERROR_FILE_EXISTS;
        if (fs::equivalent(in.host, out.host, ec)) return win::ERROR_SHARING_VIOLATION;
        if (!asHolder && heldLocked(target)) return win::ERROR_SHARING_VIOLATION;
        const std::uint32_t attributes = attributesOf(out.host);
        if (attributes & (platform::FILE_ATTRIBUTE_DIRECTORY_BIT | platform::FILE_ATTRIBUTE_READONLY_BIT)) {
            return win::ERROR_ACCESS_DENIED;
        }
    }
    if (!fs::copy_file(in.host, out.host, fs::copy_options::overwrite_existing, ec)) {
        return win::ERROR_ACCESS_DENIED;
    }
    // CopyFileA carries the attributes over, read-only included.
    if (isReadOnly(in.host)) {
        readOnly_.insert(out.host.string());
    } else {
        readOnly_.erase(out.host.string());
    }
    return win::ERROR_SUCCESS;
}

long SimFileSystem::createDirectory(const std::string& path) {
    std::lock_guard lock(mutex_);
    WinPath parsed;
    if (const long error = parse(path, parsed)) return error;
    if (const long error = injectedFailure(parsed)) return error;
    const Lookup found = lookup(parsed);
    if (found.exists) return win::ERROR_ALREADY_EXISTS;
    if (!found.parentExists) return win::ERROR_PATH_NOT_FOUND;
    std::error_code ec;
    return fs::create_directory(found.host, ec) ? win::ERROR_SUCCESS : win::ERROR_ACCESS_DENIED;
}

long SimFileSystem::appendFile(const std::string& path, const std::string& bytes) {
    std::lock_guard lock(mutex_);
    WinPath parsed;
    if (const long error = parse(path, parsed)) return error;
    if (const long error = injectedFailure(parsed)) return error;
    const Lookup found = lookup(parsed);
    if (!found.parentExists) return win::ERROR_PATH_NOT_FOUND;
    std::error_code ec;
    if (found.exists && (fs::is_directory(found.host, ec) || isReadOnly(found.host))) return win::ERROR_ACCESS_DENIED;
    if (heldLocked(parsed)) return win::ERROR_SHARING_VIOLATION;
    std::ofstream out(found.host, std::ios::binary | std::ios::app);
    out << bytes;
    return out ? win::ERROR_SUCCESS : win::ERROR_ACCESS_DENIED;
}

long SimFileSystem::loadFile(const std::string& path, std::string& bytes) {
    std::lock_guard lock(mutex_);
    WinPath parsed;
    Lookup found;
    if (const long error = resolveExisting(path, parsed, found)) return error;
    std::error_code ec;
    if (fs::is_directory(found.host, ec)) return win::ERROR_ACCESS_DENIED;
    std::optional<std::string> content = readHostFile(found.host);
    if (!content) return win::ERROR_ACCESS_DENIED;
    bytes = std::move(*content);
    return win::ERROR_SUCCESS;
}

fs::path SimFileSystem::hostPath(const std::string& windowsPath) const {
    std::lock_guard lock(mutex_);
    return lookupOrThrow(windowsPath).host;
}

void SimFileSystem::setCurrentDirectory(const std::string& windowsPath) {
    std::lock_guard lock(mutex_);
    WinPath parsed;
    if (parse(windowsPath, parsed) != win::ERROR_SUCCESS) {
        throw std::invalid_argument("not a path on the simulated drive C: " + windowsPath);
    }
    fs::create_directories(lookup(parsed).host);
    current_ = std::move(parsed);
}

void SimFileSystem::setReadOnly(const std::string& windowsPath, bool readOnly) {
    std::lock_guard lock(mutex_);
    const std::string host = lookupOrThrow(windowsPath).host.string();
    if (readOnly) {
        readOnly_.insert(host);
    } else {
        readOnly_.erase(host);
    }
}

void SimFileSystem::failPath(const std::string& windowsPath, long error) {
    std::lock_guard lock(mutex_);
    WinPath parsed;
    if (parse(windowsPath, parsed) != win::ERROR_SUCCESS) {
        throw std::invalid_argument("not a path on the simulated drive C: " + windowsPath);
    }
    if (error == win::ERROR_SUCCESS) {
        failures_.erase(key(parsed));
    } else {
        failures_[key(parsed)] = error;
    }
}

bool SimFileSystem::heldLocked(const WinPath& path) const {
    return held_.count(key(path)) != 0 && holderRuns_ && holderRuns_();
}

void SimFileSystem::setHolder(std::function<bool()> holderRuns) {
    std::lock_guard lock(mutex_);
    holderRuns_ = std::move(holderRuns);
}

void SimFileSystem::holdFiles(const std::vector<std::string>& windowsPaths) {
    std::lock_guard lock(mutex_);
    held_.clear();
    for (const auto& path : windowsPaths) {
        WinPath parsed;
        if (parse(path, parsed) == win::ERROR_SUCCESS) held_.insert(key(parsed));
    }
}

void SimFileSystem::holdFile(const std::string& windowsPath) {
    std::lock_guard lock(mutex_);
    WinPath parsed;
    if (parse(windowsPath, parsed) == win::ERROR_SUCCESS) held_.insert(key(parsed));
}

bool SimFileSystem::isHeld(const std::string& windowsPath) const {
    std::lock_guard lock(mutex_);
    WinPath parsed;
    return parse(windowsPath, parsed) == win::ERROR_SUCCESS && heldLocked(parsed);
}

void SimFileSystem::writeFile(const std::string& windowsPath, const std::string& bytes) {
    std::lock_guard lock(mutex_);
    const fs::path host = lookupOrThrow(windowsPath).host;
    fs::create_directories(host.parent_path());
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + host.string());
}

std::optional<std::string> SimFileSystem::readFile(const std::string& windowsPath) const {
    std::lock_guard lock(mutex_);
    const Lookup found = lookupOrThrow(windowsPath);
    std::error_code ec;
    if (!found.exists || fs::is_directory(found.host, ec)) return std::nullopt;
    return readHostFile(found.host);
}

bool SimFileSystem::exists(const std::string& windowsPath) const {
    std::lock_guard lock(mutex_);
    return lookupOrThrow(windowsPath).exists;
}

void SimFileSystem::makeDirectory(const std::string& windowsPath) {
    std::lock_guard lock(mutex_);
    fs::create_directories(lookupOrThrow(windowsPath).host);
}

std::map<std::string, std::string> SimFileSystem::snapshot() const {
    std::lock_guard lock(mutex_);
    std::map<std::string, std::string> entries;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        std::string path = "C:";
        for (const auto& part : it->path().lexically_relative(root_)) path += "\\" + part.string();
        const fs::file_status own = it->symlink_status(ec);
        if (fs::is_symlink(own)) {
            entries[path] = "<link>" + fs::read_symlink(it->path(), ec).string();
        } else if (fs::is_directory(own)) {
            entries[path] = "<folder>";
        } else {
            entries[path] = readHostFile(it->path()).value_or("<unreadable>");
        }
    }
    return entries;
}

void SimFileSystem::makeSymlink(const std::string& windowsPath, const fs::path& hostTarget) {
    std::lock_guard lock(mutex_);
    const fs::path host = lookupOrThrow(windowsPath).host;
    fs::create_directories(host.parent_path());
    fs::create_symlink(hostTarget, host);
}

}  // namespace sim
