#pragma once
// Reading the ZIP container: the end records, the central directory one entry at a time, and
// each entry's local header. Nothing here holds more than one header in memory.
#include "package/archive/ArchiveFiles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace archive {

inline constexpr std::uint16_t kMethodStored = 0;
inline constexpr std::uint16_t kMethodDeflate = 8;
inline constexpr std::uint16_t kFlagEncrypted = 0x0001;
inline constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr std::uint16_t kFlagUtf8 = 0x0800;

struct ZipEntry {
    std::string storedName;
    std::string unicodePath;  // Info-ZIP Unicode path field, only when it matches storedName
    std::uint16_t versionMadeBy = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t externalAttributes = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint64_t localHeaderOffset = 0;
};

// Where an entry's bytes lie, as its local header and data descriptor say.
struct EntryExtent {
    std::uint64_t dataOffset = 0;
    std::uint64_t end = 0;  // past the data and any data descriptor
};

class ZipReader {
public:
    explicit ZipReader(ArchiveSource& source);

    bool open(std::string& error);
    std::uint64_t entryCount() const { return entryCount_; }
    std::uint64_t centralDirectoryOffset() const { return cdOffset_; }

    // Restarts the walk through the central directory.
    void rewind();
    // The next entry; false with an empty error after the last one.
    bool next(ZipEntry& entry, std::string& error);

    // Checks the local header (and data descriptor) against the central directory entry.
    bool locate(const ZipEntry& entry, EntryExtent& extent, std::string& error);

private:
    bool fill(std::span<std::uint8_t> out);

    ArchiveSource& source_;
    std::uint64_t entryCount_ = 0;
    std::uint64_t cdOffset_ = 0;
    std::uint64_t cdSize_ = 0;
    // The central directory is read through this window of fixed size.
    std::vector<std::uint8_t> window_;
    std::uint64_t windowOffset_ = 0;
    std::size_t windowFill_ = 0;
    std::size_t windowPos_ = 0;
    std::uint64_t entriesRead_ = 0;
    std::vector<std::uint8_t> header_;
};

}  // namespace archive
