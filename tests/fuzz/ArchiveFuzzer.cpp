// Each input is taken as a ZIP archive: its entries are listed as the reader sees them, then it
// is extracted into a fresh output folder. The run aborts when anything was written outside
// that folder (beside it, above it, or through a link planted in it), when a file left behind
// is not one the archive lists with that content, or when a refused archive wrote anything.
#include "package/archive/EntryName.h"
#include "package/archive/Extractor.h"
#include "package/archive/ZipReader.h"
#include "package/archive/posix/PosixFiles.h"
#include "tests/archive/ZipBuilder.h"

#include <zlib.h>

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

[[noreturn]] void fault(const std::string& what) {
    std::fprintf(stderr, "archive fuzzer: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

// root/outside: what the planted links lead to, never to be changed.
// root/a/b/out: the output folder, deep enough that a name climbing out of it by one, two or
// three levels still lands inside root, where it is seen.
struct Workspace {
    fs::path root;
    fs::path outside;
    fs::path out;
};

const char* const kUntouched = "untouched";

Workspace makeWorkspace() {
    std::string pattern = (fs::temp_directory_path() / "archive-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) fault("cannot create a temporary folder");
    Workspace space{pattern, fs::path(pattern) / "outside", fs::path(pattern) / "a" / "b" / "out"};
    fs::create_directories(space.outside);
    fs::create_directories(space.out.parent_path());
    archive::test::writeFile(space.outside / "target.cfg", kUntouched);
    return space;
}

Workspace& workspace() {
    static Workspace space = makeWorkspace();
    static const bool removeAtExit = (std::atexit([] {
                                          std::error_code ignored;
                                          fs::remove_all(workspace().root, ignored);
                                      }),
                                      true);
    (void)removeAtExit;
    return space;
}

// One file entry as listed: what its file must hold if this entry was the last to write it.
struct Expected {
    std::uint64_t size;
    std::uint32_t crc;
};

struct Listing {
    bool complete = false;  // every entry read and accepted by the name rules
    std::map<std::string, std::vector<Expected>> files;
    std::set<std::string> folders;  // folder entries and every folder above a file
};

std::string joined(const std::vector<std::string>& components, std::size_t count) {
    std::string path;
    for (std::size_t i = 0; i < count; ++i) path += (i ? "/" : "") + components[i];
    return path;
}

Listing list(archive::ArchiveSource& source) {
    Listing listing;
    archive::ZipReader reader(source);
    std::string error;
    if (!reader.open(error)) return listing;
    archive::ZipEntry entry;
    archive::EntryExtent extent;
    archive::EntryPath path;
    while (reader.next(entry, error)) {
        std::string utf8;
        std::string why;
        if (!archive::decodeEntryName(entry.storedName, (entry.flags & archive::kFlagUtf8) != 0, entry.unicodePath,
                                      archive::nameOrigin(entry.versionMadeBy), utf8, why) ||
            !archive::toEntryPath(utf8, path, why))
            return listing;
        // Damaged entries still count: an earlier entry of the same name may have been written.
        reader.locate(entry, extent, error);
        const auto folders = path.directory ? path.components.size() : path.components.size() - 1;
        for (std::size_t n = 1; n <= folders; ++n) listing.folders.insert(joined(path.components, n));
        if (!path.directory)
            listing.files[joined(path.components, path.components.size())].push_back(
                {entry.uncompressedSize, entry.crc32});
    }
    listing.complete = error.empty();
    return listing;
}

void plantLinks(const Workspace& space) {
    fs::create_directory(space.out);
    fs::create_directory_symlink(space.outside, space.out / "planted");
    fs::create_symlink(space.outside / "target.cfg", space.out / "planted.cfg");
}

bool isPlantedLink(const std::string& relative) { return relative == "planted" || relative == "planted.cfg"; }

std::uint32_t crcOfFile(const fs::path& path, std::uint64_t& size) {
    const std::string bytes = archive::test::readFile(path);
    size = bytes.size();
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

void checkOutput(const Workspace& space, const Listing& listing, const archive::ExtractResult& result) {
    const bool ok = result.status == archive::ExtractStatus::Ok;
    // Nothing is written before every entry has passed, so a run that stopped there (a refused
    // entry, or a directory the listing could not read to its end) leaves the folder as it was.
    const bool untouched = result.status == archive::ExtractStatus::Refused || !listing.complete;
    std::set<std::string> seenFiles;
    for (auto it = fs::recursive_directory_iterator(space.out); it != fs::recursive_directory_iterator(); ++it) {
        const std::string relative = it->path().lexically_relative(space.out).generic_string();
        const auto status = it->symlink_status();
        if (fs::is_symlink(status)) {
            if (!isPlantedLink(relative)) fault("a link was created: " + relative);
            continue;
        }
        if (untouched) fault("written although the archive was refused or unreadable: " + relative);
        if (fs::is_directory(status)) {
            if (!listing.folders.count(relative)) fault("a folder the archive does not list: " + relative);
            continue;
        }
        if (!fs::is_regular_file(status)) fault("neither file nor folder: " + relative);
        const auto found = listing.files.find(relative);
        if (found == listing.files.end()) fault("a file the archive does not list: " + relative);
        std::uint64_t size = 0;
        const std::uint32_t crc = crcOfFile(it->path(), size);
        const auto& candidates = found->second;
        bool matches = false;
        // After a successful run each file holds its last entry; after a failed one it may hold
        // any entry of its name that was complete.
        for (std::size_t i = ok ? candidates.size() - 1 : 0; i < candidates.size(); ++i)
            matches = matches || (candidates[i].size == size && candidates[i].crc == crc);
        if (!matches) fault("a file whose content no entry of its name has: " + relative);
        seenFiles.insert(relative);
    }
    if (ok) {
        for (const auto& [name, entries] : listing.files)
            if (!seenFiles.count(name) && !isPlantedLink(name)) fault("an extracted file is missing: " + name);
        if (result.files < seenFiles.size()) fault("more files on disk than the run reports");
    }
}

// Only the output folder's own tree may have changed.
void checkNothingOutside(const Workspace& space) {
    std::set<fs::path> expected{space.outside, space.outside / "target.cfg", space.root / "a",
                                space.root / "a" / "b", space.out};
    for (auto it = fs::recursive_directory_iterator(space.root); it != fs::recursive_directory_iterator(); ++it) {
        if (it->path() == space.out) {
            it.disable_recursion_pending();
            continue;
        }
        if (!expected.count(it->path())) fault("written outside the output folder: " + it->path().string());
    }
    if (!fs::is_regular_file(fs::symlink_status(space.outside / "target.cfg")) ||
        archive::test::readFile(space.outside / "target.cfg") != kUntouched)
        fault("the file behind a planted link was changed");
}

// One extraction into a fresh output folder with the links planted; the folder's tree after
// it, checked, is returned and the folder removed.
std::map<std::string, std::string> extractOnce(const Workspace& space, archive::ArchiveSource& source,
                                               const Listing& listing, unsigned workers,
                                               archive::ExtractResult& result) {
    plantLinks(space);
    std::string error;
    auto output = archive::PosixOutputTree::open(space.out.string(), error);
    if (!output) fault("cannot open the output folder: " + error);
    result = archive::extractArchive(source, *output, {}, workers);
    output.reset();

    checkOutput(space, listing, result);
    checkNothingOutside(space);
    auto tree = archive::test::snapshot(space.out);
    fs::remove_all(space.out);
    return tree;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Workspace& space = workspace();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    archive::test::MemorySource source(bytes);
    const Listing listing = list(source);

    // One writer, as the installer's archive library extracts; then several, as drvunzip
    // does, which must leave the same tree and fail the same way.
    archive::ExtractResult alone;
    const auto treeAlone = extractOnce(space, source, listing, 1, alone);
    archive::ExtractResult together;
    const auto treeTogether = extractOnce(space, source, listing, 3, together);
    if (together.status != alone.status)
        fault("several writers end with status " + std::to_string(static_cast<int>(together.status)) +
              ", one writer with " + std::to_string(static_cast<int>(alone.status)) + ": " + together.message +
              " / " + alone.message);
    if (alone.status == archive::ExtractStatus::Ok && treeTogether != treeAlone)
        fault("several writers leave another tree than one writer");
    return 0;
}
