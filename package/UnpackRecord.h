#pragma once
// What one extraction wrote into the places the installer owns below its output folder, told
// apart from what was there before: the clean-up at the end removes the package and nothing
// of the user's (a till's own C:\Ticket archive, say).
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Files.h"

// A path as Windows compares it: ASCII letters folded, double-byte characters of code page 936
// left whole (their trail byte may be 'A'..'Z' or '\'), "\" between the components, no
// trailing "\" ("c:\ticket\x86\a.gpd"; the drive root is "c:").
std::string pathKey(const std::string& windowsPath);

// The files and folders at and below some names of one folder, as FindFirstFileA / FindNextFileA
// saw them at one moment. Reparse points (junctions, symbolic links) are recorded, never entered.
struct TreeSnapshot {
    enum class Kind { File, Folder, Link };
    struct Entry {
        Kind kind = Kind::File;
        std::string parent;   // key of the folder that holds it
        bool listed = false;  // a folder whose listing was read: what it held is known
    };

    static TreeSnapshot take(platform::FileSystem& files, const std::string& folder,
                             const std::vector<std::string>& names);

    std::string root;  // key of the folder the names are in
    std::map<std::string, Entry> entries;
};

struct UnpackRecord {
    // Keys of the files the extraction wrote, created or overwritten.
    std::set<std::string> files;
    // Keys of the folders it created, and of leftovers of an earlier run that held nothing but
    // what this run wrote again: each is removed once it is left empty.
    std::set<std::string> folders;

    bool empty() const { return files.empty() && folders.empty(); }
    // Whether anything recorded is `key` or lies below it.
    bool reaches(const std::string& key) const;
};

// `listed`: what the library reported writing, relative to the snapshots' folder. When that
// report may be incomplete (`listingComplete` false: cut off, or a library that does not
// report), files that appeared where the first snapshot knew there was nothing count as
// written too. A complete report is trusted alone: a listing that failed part-way in the
// first snapshot must not make a user's file look new.
UnpackRecord compareSnapshots(const TreeSnapshot& before, const TreeSnapshot& after,
                              const std::vector<std::string>& listed, bool listingComplete);
