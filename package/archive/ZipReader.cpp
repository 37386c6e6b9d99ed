#include "package/archive/ZipReader.h"

#include "package/archive/ByteCursor.h"

#include <zlib.h>

#include <algorithm>
#include <array>

namespace archive {
namespace {

constexpr std::uint32_t kLocalHeaderSig = 0x04034b50;
constexpr std::uint32_t kCentralHeaderSig = 0x02014b50;
constexpr std::uint32_t kEndSig = 0x06054b50;
constexpr std::uint32_t kZip64EndSig = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSig = 0x07064b50;
constexpr std::uint32_t kDescriptorSig = 0x08074b50;
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint16_t kUnicodePathExtraId = 0x7075;

constexpr std::size_t kEndSize = 22;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kMaxComment = 0xFFFF;
constexpr std::size_t kWindowSize = 64 * 1024;
constexpr std::uint32_t kMax32 = 0xFFFFFFFF;

std::uint32_t crcOf(std::string_view text) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
}

// The extra field is a list of (id, size, data) blocks. A block that runs past the end stops
// the walk: some writers pad the field, and only the blocks read here matter.
template <typename Visit>
void forEachExtraBlock(std::span<const std::uint8_t> extra, Visit visit) {
    ByteCursor cursor(extra);
    while (cursor.remaining() >= 4) {
        const auto id = cursor.u16();
        const auto size = cursor.u16();
        auto data = cursor.bytes(size);
        if (!cursor.ok()) return;
        visit(id, data);
    }
}

// Zip64 values replace exactly those header fields that hold the all-ones marker, in a fixed
// order, so which values are present depends on the header.
struct Zip64Wanted {
    std::uint64_t* uncompressed = nullptr;
    std::uint64_t* compressed = nullptr;
    std::uint64_t* offset = nullptr;
    std::uint32_t* disk = nullptr;
};

bool readZip64(std::span<const std::uint8_t> data, const Zip64Wanted& wanted) {
    ByteCursor cursor(data);
    if (wanted.uncompressed) *wanted.uncompressed = cursor.u64();
    if (wanted.compressed) *wanted.compressed = cursor.u64();
    if (wanted.offset) *wanted.offset = cursor.u64();
    if (wanted.disk) *wanted.disk = cursor.u32();
    return cursor.ok();
}

}  // namespace

ZipReader::ZipReader(ArchiveSource& source) : source_(source), window_(kWindowSize) {}

bool ZipReader::open(std::string& error) {
    const auto fileSize = source_.size();
    if (fileSize < kEndSize) {
        error = "not a ZIP archive (too short)";
        return false;
    }
    // The end record sits before a comment of at most 64 KiB, so the tail holds it.
    const auto tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kEndSize + kMaxComment));
    std::vector<std::uint8_t> tail(tailSize);
    const auto tailOffset = fileSize - tailSize;
    if (!source_.readExact(tailOffset, tail)) {
        error = "cannot read the archive";
        return false;
    }
    std::size_t found = tailSize;
    for (std::size_t i = tailSize - kEndSize + 1; i-- > 0;) {
        ByteCursor probe(std::span<const std::uint8_t>(tail).subspan(i));
        if (probe.u32() != kEndSig) continue;
        probe.bytes(16);
        // A match must account for the rest of the file, or the bytes are comment text.
        if (i + kEndSize + probe.u16() == tailSize) {
            found = i;
            break;
        }
    }
    if (found == tailSize) {
        error = "not a ZIP archive (no end of central directory record)";
        return false;
    }
    const std::uint64_t endOffset = tailOffset + found;
    ByteCursor end(std::span<const std::uint8_t>(tail).subspan(found + 4));
    std::uint64_t disk = end.u16();
    std::uint64_t cdDisk = end.u16();
    std::uint64_t entriesHere = end.u16();
    entryCount_ = end.u16();
    cdSize_ = end.u32();
    cdOffset_ = end.u32();
    std::uint64_t cdLimit = endOffset;
    tail = {};

    if (endOffset >= kZip64LocatorSize) {
        std::array<std::uint8_t, kZip64LocatorSize> locatorBytes{};
        if (!source_.readExact(endOffset - kZip64LocatorSize, locatorBytes)) {
            error = "cannot read the archive";
            return false;
        }
        ByteCursor locator(locatorBytes);
        if (locator.u32() == kZip64LocatorSig) {
            const auto recordDisk = locator.u32();
            const auto recordOffset = locator.u64();
            const auto disks = locator.u32();
            const auto locatorOffset = endOffset - kZip64LocatorSize;
            if (recordDisk != 0 || disks > 1) {
                error = "multi-volume archives are not supported";
                return false;
            }
            std::array<std::uint8_t, kZip64EndSize> recordBytes{};
            if (recordOffset > locatorOffset || locatorOffset - recordOffset < kZip64EndSize ||
                !source_.readExact(recordOffset, recordBytes)) {
                error = "damaged archive (zip64 end record out of place)";
                return false;
            }
            ByteCursor record(recordBytes);
            if (record.u32() != kZip64EndSig) {
                error = "damaged archive (no zip64 end record)";
                return false;
            }
            record.bytes(8 + 2 + 2);
            disk = record.u32();
            cdDisk = record.u32();
            entriesHere = record.u64();
            entryCount_ = record.u64();
            cdSize_ = record.u64();
            cdOffset_ = record.u64();
            cdLimit = recordOffset;
        }
    }
    if (disk != 0 || cdDisk != 0 || entriesHere != entryCount_) {
        error = "multi-volume archives are not supported";
        return false;
    }
    if (cdOffset_ > cdLimit || cdLimit - cdOffset_ < cdSize_ ||
        cdSize_ / kCentralHeaderSize < entryCount_) {
        error = "damaged archive (central directory out of place)";
        return false;
    }
    rewind();
    return true;
}

void ZipReader::rewind() {
    windowOffset_ = 0;
    windowFill_ = 0;
    windowPos_ = 0;
    entriesRead_ = 0;
}

bool ZipReader::fill(std::span<std::uint8_t> out) {
    std::size_t done = 0;
    while (done < out.size()) {
        if (windowPos_ == windowFill_) {
            const std::uint64_t consumed = windowOffset_ + windowFill_;
            if (consumed >= cdSize_) return false;
            const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(window_.size(), cdSize_ - consumed));
            if (!source_.readExact(cdOffset_ + consumed, {window_.data(), chunk})) return false;
            windowOffset_ = consumed;
            windowFill_ = chunk;
            windowPos_ = 0;
        }
        const auto count = std::min(out.size() - done, windowFill_ - windowPos_);
        std::copy_n(window_.data() + windowPos_, count, out.data() + done);
        windowPos_ += count;
        done += count;
    }
    return true;
}

bool ZipReader::next(ZipEntry& entry, std::string& error) {
    error.clear();
    if (entriesRead_ == entryCount_) return false;
    std::array<std::uint8_t, kCentralHeaderSize> fixed{};
    if (!fill(fixed)) {
        error = "damaged archive (central directory truncated)";
        return false;
    }
    ByteCursor cursor(fixed);
    if (cursor.u32() != kCentralHeaderSig) {
        error = "damaged archive (bad central directory entry)";
        return false;
    }
    entry.versionMadeBy = cursor.u16();
    cursor.u16();  // version needed: the method and flags say what matters
    entry.flags = cursor.u16();
    entry.method = cursor.u16();
    cursor.u32();  // time and date
    entry.crc32 = cursor.u32();
    const std::uint32_t compressed32 = cursor.u32();
    const std::uint32_t uncompressed32 = cursor.u32();
    const std::size_t nameLength = cursor.u16();
    const std::size_t extraLength = cursor.u16();
    const std::size_t commentLength = cursor.u16();
    std::uint32_t diskStart = cursor.u16();
    cursor.u16();  // internal attributes
    entry.externalAttributes = cursor.u32();
    const std::uint32_t offset32 = cursor.u32();

    header_.resize(nameLength + extraLength + commentLength);
    if (!fill(header_)) {
        error = "damaged archive (central directory truncated)";
        return false;
    }
    ++entriesRead_;
    const std::span<const std::uint8_t> variable(header_);
    entry.storedName.assign(reinterpret_cast<const char*>(header_.data()), nameLength);
    entry.unicodePath.clear();
    entry.compressedSize = compressed32;
    entry.uncompressedSize = uncompressed32;
    entry.localHeaderOffset = offset32;

    bool zip64Ok = true;
    forEachExtraBlock(variable.subspan(nameLength, extraLength), [&](std::uint16_t id, auto data) {
        if (id == kZip64ExtraId) {
            Zip64Wanted wanted;
            if (uncompressed32 == kMax32) wanted.uncompressed = &entry.uncompressedSize;
            if (compressed32 == kMax32) wanted.compressed = &entry.compressedSize;
            if (offset32 == kMax32) wanted.offset = &entry.localHeaderOffset;
            if (diskStart == 0xFFFF) wanted.disk = &diskStart;
            zip64Ok = readZip64(data, wanted);
        } else if (id == kUnicodePathExtraId) {
            ByteCursor field(data);
            const auto version = field.u8();
            const auto nameCrc = field.u32();
            const auto text = field.text(field.remaining());
            // A checksum that does not match means another tool renamed the entry since.
            if (field.ok() && version == 1 && nameCrc == crcOf(entry.storedName) && !text.empty())
                entry.unicodePath.assign(text);
        }
    });
    if (!zip64Ok) {
        error = "damaged archive (short zip64 field)";
        return false;
    }
    if (diskStart != 0) {
        error = "multi-volume archives are not supported";
        return false;
    }
    return true;
}

bool ZipReader::locate(const ZipEntry& entry, EntryExtent& extent, std::string& error) {
    std::array<std::uint8_t, kLocalHeaderSize> fixed{};
    if (entry.localHeaderOffset > cdOffset_ || cdOffset_ - entry.localHeaderOffset < kLocalHeaderSize ||
        !source_.readExact(entry.localHeaderOffset, fixed)) {
        error = "damaged archive (local header out of place)";
        return false;
    }
    ByteCursor cursor(fixed);
    if (cursor.u32() != kLocalHeaderSig) {
        error = "damaged archive (bad local header)";
        return false;
    }
    cursor.u16();  // version needed
    const auto flags = cursor.u16();
    const auto method = cursor.u16();
    cursor.u32();  // time and date
    const std::uint32_t crc = cursor.u32();
    const std::uint32_t compressed32 = cursor.u32();
    const std::uint32_t uncompressed32 = cursor.u32();
    const std::size_t nameLength = cursor.u16();
    const std::size_t extraLength = cursor.u16();

    const std::uint64_t headerEnd = entry.localHeaderOffset + kLocalHeaderSize + nameLength + extraLength;
    header_.resize(nameLength + extraLength);
    if (headerEnd > cdOffset_ ||
        !source_.readExact(entry.localHeaderOffset + kLocalHeaderSize, header_)) {
        error = "damaged archive (local header out of place)";
        return false;
    }
    const std::span<const std::uint8_t> variable(header_);
    const std::string_view localName(reinterpret_cast<const char*>(header_.data()), nameLength);
    if (localName != entry.storedName || method != entry.method ||
        (flags & kFlagEncrypted) != (entry.flags & kFlagEncrypted)) {
        error = "damaged archive (local header disagrees with central directory)";
        return false;
    }
    std::uint64_t compressed = compressed32;
    std::uint64_t uncompressed = uncompressed32;
    bool zip64 = false;
    bool zip64Ok = true;
    forEachExtraBlock(variable.subspan(nameLength), [&](std::uint16_t id, auto data) {
        if (id != kZip64ExtraId) return;
        zip64 = true;
        Zip64Wanted wanted;
        if (uncompressed32 == kMax32) wanted.uncompressed = &uncompressed;
        if (compressed32 == kMax32) wanted.compressed = &compressed;
        zip64Ok = readZip64(data, wanted);
    });
    if (!zip64Ok) {
        error = "damaged archive (short zip64 field)";
        return false;
    }
    const bool sizesLater = (flags & kFlagDataDescriptor) != 0;
    if (!sizesLater && (crc != entry.crc32 || compressed != entry.compressedSize ||
                        uncompressed != entry.uncompressedSize)) {
        error = "damaged archive (local and central sizes or checksums differ)";
        return false;
    }
    if (entry.compressedSize > cdOffset_ - headerEnd) {
        error = "damaged archive (entry data runs into the central directory)";
        return false;
    }
    extent.dataOffset = headerEnd;
    extent.end = headerEnd + entry.compressedSize;
    if (!sizesLater) return true;

    // The descriptor may or may not start with its signature, and holds 8-byte sizes when the
    // entry is zip64; both layouts are tried against the central directory's values.
    std::array<std::uint8_t, 24> descriptor{};
    const auto available = static_cast<std::size_t>(std::min<std::uint64_t>(descriptor.size(), cdOffset_ - extent.end));
    if (!source_.readExact(extent.end, {descriptor.data(), available})) {
        error = "cannot read the archive";
        return false;
    }
    const std::span<const std::uint8_t> present(descriptor.data(), available);
    std::size_t skip = 0;
    if (ByteCursor(present).u32() == kDescriptorSig) skip = 4;
    for (bool wide : {zip64, !zip64}) {
        ByteCursor fields(present.subspan(std::min(skip, available)));
        const auto descriptorCrc = fields.u32();
        const auto descriptorCompressed = wide ? fields.u64() : fields.u32();
        const auto descriptorUncompressed = wide ? fields.u64() : fields.u32();
        if (fields.ok() && descriptorCrc == entry.crc32 && descriptorCompressed == entry.compressedSize &&
            descriptorUncompressed == entry.uncompressedSize) {
            extent.end += skip + (wide ? 20 : 12);
            return true;
        }
    }
    error = "damaged archive (data descriptor disagrees with central directory)";
    return false;
}

}  // namespace archive
