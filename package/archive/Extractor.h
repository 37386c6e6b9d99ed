#pragma once
// Extracting a whole ZIP archive into an output folder, all or nothing per entry.
#include "package/archive/ArchiveFiles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace archive {

// Bounds against archives built to exhaust the disk ("zip bombs"). A driver package is tens
// of megabytes of text and DLLs that compress between 2:1 and 20:1, so every bound is far above
// what a genuine package needs:
// - an entry may not declare more than maxEntrySize bytes;
// - an entry above entryRatioFloor bytes may not declare more than maxEntryRatio times its
//   compressed size (only long runs of one byte compress better);
// - all entries together may not declare more than maxTotalRatio times the archive's size,
//   or totalFloor bytes for small archives, and never more than maxTotalSize;
// - compressed data of different entries may not overlap, which is how a small archive
//   otherwise makes one compressed block count many times;
// - while inflating, an entry may never produce more than it declared.
struct ExtractLimits {
    std::uint64_t maxEntrySize = std::uint64_t{2} << 30;     // 2 GiB
    std::uint64_t entryRatioFloor = std::uint64_t{16} << 20;  // 16 MiB
    std::uint64_t maxEntryRatio = 256;
    std::uint64_t totalFloor = std::uint64_t{256} << 20;      // 256 MiB
    std::uint64_t maxTotalRatio = 64;
    std::uint64_t maxTotalSize = std::uint64_t{8} << 30;      // 8 GiB
    // Each entry costs 16 bytes of memory for the overlap check.
    std::uint64_t maxEntries = 100000;
};

enum class ExtractStatus {
    Ok = 0,
    CannotOpen,   // archive or output folder unusable
    Damaged,      // not a ZIP archive, or its structure, checksums or data are wrong
    Refused,      // a valid archive with an entry that may not be written
    WriteFailed,  // the output folder refused a write
};

struct ExtractResult {
    ExtractStatus status = ExtractStatus::Ok;
    std::string message;
    std::uint64_t files = 0;
    std::uint64_t directories = 0;
    std::uint64_t bytes = 0;
    // The files committed under their final names, in archive order, also when the run
    // failed later: relative paths with "/" between the components (UTF-8). A caller that
    // cleans up afterwards needs to know which files were replaced, not only which are new.
    std::vector<std::string> written{};
};

// Every entry is checked (names, types, sizes, bounds, local headers) before the first byte
// is written, so a refused archive leaves the output folder untouched. A damaged entry found
// while writing stops the run; the files completed before it stay. Files are written by up
// to `workers` threads when the source allows concurrent reads and the output can open
// another handle on its folder; otherwise by the calling thread alone.
ExtractResult extractArchive(ArchiveSource& source, OutputTree& output, const ExtractLimits& limits = {},
                             unsigned workers = 1);

}  // namespace archive
