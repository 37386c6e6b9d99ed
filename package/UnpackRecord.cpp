#include "package/UnpackRecord.h"

#include <algorithm>

#include "platform/CodePage936.h"

namespace {

constexpr std::size_t MAX_PATH_BYTES = 260;

bool isDotEntry(const std::string& name) { return name == "." || name == ".."; }

TreeSnapshot::Kind kindOf(std::uint32_t attributes) {
    if (attributes & platform::FILE_ATTRIBUTE_REPARSE_POINT_BIT) return TreeSnapshot::Kind::Link;
    if (attributes & platform::FILE_ATTRIBUTE_DIRECTORY_BIT) return TreeSnapshot::Kind::Folder;
    return TreeSnapshot::Kind::File;
}

void list(platform::FileSystem& files, const std::string& path, const std::string& key, TreeSnapshot& snapshot) {
    platform::FindData entry;
    platform::FileSearchHandle search = files.findFirst(path + "\\*.*", entry);
    // Every folder but a drive's root lists "." at least: no search means no knowledge.
    if (search == nullptr) return;
    do {
        if (isDotEntry(entry.name)) continue;
        const std::string childPath = path + "\\" + entry.name;
        const std::string childKey = key + "\\" + pathKey(entry.name);
        const TreeSnapshot::Kind kind = kindOf(entry.attributes);
        snapshot.entries[childKey] = {kind, key, false};
        // What lies beyond MAX_PATH cannot be reached through the A functions at all.
        if (kind == TreeSnapshot::Kind::Folder && childPath.size() < MAX_PATH_BYTES) {
            list(files, childPath, childKey, snapshot);
        }
    } while (search->next(entry));
    snapshot.entries[key].listed = true;
}

bool below(const std::string& key, const std::string& place) {
    return key.size() > place.size() && key.compare(0, place.size(), place) == 0 && key[place.size()] == '\\';
}

bool anyAtOrBelow(const std::set<std::string>& keys, const std::string& key) {
    if (keys.count(key)) return true;
    const std::string prefix = key + "\\";
    const auto next = keys.lower_bound(prefix);
    return next != keys.end() && next->compare(0, prefix.size(), prefix) == 0;
}

// Whether `key` (an entry of `after`) was surely not there before: its folder was read in
// full before without it, or that folder is itself new. The top-level names were asked for
// directly.
bool isNew(const TreeSnapshot& before, const TreeSnapshot& after, const std::string& key) {
    if (before.entries.count(key)) return false;
    const std::string& parent = after.entries.at(key).parent;
    if (parent == before.root) return true;
    const auto was = before.entries.find(parent);
    if (was == before.entries.end()) return isNew(before, after, parent);
    return was->second.kind == TreeSnapshot::Kind::Folder && was->second.listed;
}

}  // namespace

std::string pathKey(const std::string& windowsPath) {
    std::string key;
    bool separatorLast = false;  // the trail byte of a double-byte character may be '\' too
    for (std::size_t pos = 0; pos < windowsPath.size();) {
        const auto c = static_cast<unsigned char>(windowsPath[pos]);
        if (cp936::charLength(windowsPath, pos) == 2) {
            key.append(windowsPath, pos, 2);
            pos += 2;
            separatorLast = false;
            continue;
        }
        if (c == '\\' || c == '/') {
            if (!separatorLast) key += '\\';
            separatorLast = true;
        } else {
            key += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
            separatorLast = false;
        }
        ++pos;
    }
    // A trailing separator names the same folder.
    if (separatorLast) key.pop_back();
    return key;
}

TreeSnapshot TreeSnapshot::take(platform::FileSystem& files, const std::string& folder,
                                const std::vector<std::string>& names) {
    TreeSnapshot snapshot;
    snapshot.root = pathKey(folder);
    const std::string base = folder.empty() || folder.back() == '\\' ? folder : folder + "\\";
    for (const std::string& name : names) {
        const std::string path = base + name;
        const std::uint32_t attributes = files.fileAttributes(path);
        if (attributes == platform::INVALID_FILE_ATTRIBUTES_VALUE) continue;
        const std::string key = snapshot.root + "\\" + pathKey(name);
        const Kind kind = kindOf(attributes);
        snapshot.entries[key] = {kind, snapshot.root, false};
        if (kind == Kind::Folder) list(files, path, key, snapshot);
    }
    return snapshot;
}

bool UnpackRecord::reaches(const std::string& key) const {
    return anyAtOrBelow(files, key) || anyAtOrBelow(folders, key);
}

UnpackRecord compareSnapshots(const TreeSnapshot& before, const TreeSnapshot& after,
                              const std::vector<std::string>& listed, bool listingComplete) {
    UnpackRecord record;
    // The places are the top-level names either snapshot found.
    std::set<std::string> places;
    for (const auto* snapshot : {&before, &after}) {
        for (const auto& [key, entry] : snapshot->entries) {
            if (entry.parent == snapshot->root) places.insert(key);
        }
    }
    for (const std::string& path : listed) {
        const std::string key = before.root + "\\" + pathKey(path);
        const bool inPlace = std::any_of(places.begin(), places.end(), [&](const std::string& place) {
            return key == place || below(key, place);
        });
        if (inPlace) record.files.insert(key);
    }
    for (const auto& [key, entry] : after.entries) {
        if (!isNew(before, after, key)) continue;
        if (entry.kind == TreeSnapshot::Kind::Folder) {
            record.folders.insert(key);
        } else if (entry.kind == TreeSnapshot::Kind::File && !listingComplete) {
            record.files.insert(key);
        }
    }

    // A folder of an earlier run that ended abnormally: everything it held was written again.
    // A key is longer than its folder's, so the longest first settles every folder after
    // the folders inside it.
    std::map<std::string, std::vector<const std::string*>> children;
    std::vector<const std::string*> folders;
    for (const auto& [key, entry] : before.entries) {
        children[entry.parent].push_back(&key);
        if (entry.kind == TreeSnapshot::Kind::Folder && entry.listed) folders.push_back(&key);
    }
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::string* a, const std::string* b) { return a->size() > b->size(); });
    for (const std::string* folder : folders) {
        const auto held = children.find(*folder);
        if (held == children.end()) continue;  // an empty folder of the user's is not a leftover
        const bool rewritten = std::all_of(held->second.begin(), held->second.end(), [&](const std::string* child) {
            const TreeSnapshot::Kind kind = before.entries.at(*child).kind;
            return (kind == TreeSnapshot::Kind::File && record.files.count(*child)) ||
                   (kind == TreeSnapshot::Kind::Folder && record.folders.count(*child));
        });
        if (rewritten) record.folders.insert(*folder);
    }
    return record;
}
