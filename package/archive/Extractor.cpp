#include "package/archive/Extractor.h"

#include "package/archive/EntryName.h"
#include "package/archive/Inflater.h"
#include "package/archive/ZipReader.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <vector>

namespace archive {
namespace {

constexpr std::size_t kChunkSize = 256 * 1024;

// Unix file types in the high half of the external attributes, and the Windows reparse-point
// attribute in the low half: both say the entry is a link or a device, never plain data.
constexpr std::uint32_t kUnixTypeMask = 0170000;
constexpr std::uint32_t kUnixRegular = 0100000;
constexpr std::uint32_t kUnixDirectory = 0040000;
constexpr std::uint32_t kWindowsReparsePoint = 0x400;

struct Failure {
    ExtractStatus status;
    std::string message;
};

std::string printable(std::string_view name) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    const bool utf8 = isValidUtf8(name);
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || (!utf8 && byte >= 0x80)) {
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

std::string entryFailure(const ZipEntry& entry, std::string_view why) {
    return "entry '" + printable(entry.storedName) + "': " + std::string(why);
}

// One file entry, checked and located, waiting to be written.
struct FileItem {
    ZipEntry entry;
    EntryPath path;
    EntryExtent extent;
};

// Whether two file entries meet: the same file, or a file where another entry needs a
// folder. One writer settles such entries in archive order (the last of a name wins, a file
// in the way of a later entry's folder fails that entry); writers on several threads would
// settle them in whatever order they finish. Names are compared without ASCII case, as a
// Windows output folder compares them.
bool pathsMeet(const std::vector<FileItem>& items) {
    const auto folded = [](std::string text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return text;
    };
    std::set<std::string> files;
    std::set<std::string> folders;
    for (const auto& item : items) {
        const auto& components = item.path.components;
        std::string key;
        for (std::size_t i = 0; i < components.size(); ++i) {
            if (i > 0) key += '/';
            key += folded(components[i]);
            if (i + 1 == components.size()) break;
            if (files.count(key)) return true;
            folders.insert(key);
        }
        if (folders.count(key) || !files.insert(key).second) return true;
    }
    return false;
}

// Writes file entries: its own buffers and inflate stream, so that writers on different
// threads share nothing but the archive and the output folder.
class Writer {
public:
    Writer(ArchiveSource& source, OutputTree& output)
        : source_(source), output_(output), input_(kChunkSize), inflated_(kChunkSize) {}

    // Writes item `index` of the file items.
    bool extract(const FileItem& item, std::size_t index);
    const Failure& failure() const { return failure_; }
    // The items this writer committed, by their index in the list of file items.
    const std::vector<std::size_t>& committed() const { return committed_; }
    std::uint64_t files() const { return files_; }
    std::uint64_t bytes() const { return bytes_; }

private:
    bool failEntry(ExtractStatus status, const ZipEntry& entry, std::string_view why) {
        failure_ = Failure{status, entryFailure(entry, why)};
        return false;
    }

    ArchiveSource& source_;
    OutputTree& output_;
    std::vector<std::uint8_t> input_;
    std::vector<std::uint8_t> inflated_;
    Inflater inflater_;
    Failure failure_{ExtractStatus::Ok, {}};
    std::uint64_t files_ = 0;
    std::uint64_t bytes_ = 0;
    std::vector<std::size_t> committed_;
};

class Run {
public:
    Run(ArchiveSource& source, OutputTree& output, const ExtractLimits& limits, unsigned workers)
        : source_(source), output_(output), limits_(limits), workers_(std::max(workers, 1u)), reader_(source) {}

    ExtractResult execute();

private:
    bool check(const ZipEntry& entry, EntryPath& path, EntryExtent& extent);
    // Writes the file entries, on several threads when the archive and the output allow it;
    // the first failure (in archive order) stops the writers that have not yet started on
    // their next entry.
    bool writeFiles(const std::vector<FileItem>& items);
    bool fail(ExtractStatus status, std::string message) {
        failure_ = Failure{status, std::move(message)};
        return false;
    }
    bool failEntry(ExtractStatus status, const ZipEntry& entry, std::string_view why) {
        return fail(status, entryFailure(entry, why));
    }
    bool failWrite(const ZipEntry& entry) { return failEntry(ExtractStatus::WriteFailed, entry, output_.lastError()); }

    ArchiveSource& source_;
    OutputTree& output_;
    const ExtractLimits& limits_;
    unsigned workers_;
    ZipReader reader_;
    Failure failure_{ExtractStatus::Ok, {}};
    std::uint64_t totalLimit_ = 0;
    std::uint64_t declaredTotal_ = 0;
    ExtractResult result_;
};

ExtractResult Run::execute() {
    std::string error;
    if (!reader_.open(error)) return {ExtractStatus::Damaged, error};
    if (reader_.entryCount() > limits_.maxEntries)
        return {ExtractStatus::Refused, "too many entries (" + std::to_string(reader_.entryCount()) + ")"};
    const auto archiveSize = source_.size();
    totalLimit_ = archiveSize > limits_.maxTotalSize / limits_.maxTotalRatio
                      ? limits_.maxTotalSize
                      : std::max(archiveSize * limits_.maxTotalRatio, limits_.totalFloor);

    // First pass: nothing is written until every entry has been checked.
    struct Span {
        std::uint64_t begin, end;
    };
    std::vector<Span> spans;
    spans.reserve(static_cast<std::size_t>(reader_.entryCount()));
    ZipEntry entry;
    EntryPath path;
    EntryExtent extent;
    while (reader_.next(entry, error)) {
        if (!check(entry, path, extent)) return {failure_.status, failure_.message};
        spans.push_back({entry.localHeaderOffset, extent.end});
    }
    if (!error.empty()) return {ExtractStatus::Damaged, error};
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });
    for (std::size_t i = 1; i < spans.size(); ++i)
        if (spans[i].begin < spans[i - 1].end)
            return {ExtractStatus::Refused, "entries share compressed data (overlapping entries)"};
    spans = {};

    // Second pass: the same checks again, so that a file changed between the passes gains
    // nothing. Folders are made in archive order; the files are written once all are checked.
    reader_.rewind();
    declaredTotal_ = 0;
    std::vector<FileItem> files;
    while (reader_.next(entry, error)) {
        if (!check(entry, path, extent)) return {failure_.status, failure_.message};
        if (path.directory) {
            if (!output_.makeDirectory(path.components)) {
                failWrite(entry);
                return {failure_.status, failure_.message};
            }
            ++result_.directories;
        } else {
            files.push_back(FileItem{entry, path, extent});
        }
    }
    if (!error.empty()) return {ExtractStatus::Damaged, error};
    if (!writeFiles(files)) {
        // What was committed before the failure stays on disk, and the caller is told so.
        result_.status = failure_.status;
        result_.message = failure_.message;
        return result_;
    }
    result_.message = "extracted " + std::to_string(result_.files) + " files and " +
                      std::to_string(result_.directories) + " folders";
    return result_;
}

bool Run::writeFiles(const std::vector<FileItem>& items) {
    // Every writer but the first needs its own handle on the output folder.
    std::vector<std::unique_ptr<OutputTree>> outputs;
    if (source_.concurrentReads() && workers_ > 1 && !pathsMeet(items)) {
        const auto extra = std::min<std::size_t>(workers_ - 1, items.size() > 1 ? items.size() - 1 : 0);
        for (std::size_t i = 0; i < extra; ++i) {
            auto another = output_.openAnother();
            if (!another) break;
            outputs.push_back(std::move(another));
        }
    }
    std::vector<std::unique_ptr<Writer>> writers;
    writers.push_back(std::make_unique<Writer>(source_, output_));
    for (auto& out : outputs) writers.push_back(std::make_unique<Writer>(source_, *out));

    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex failureMutex;
    std::size_t failedAt = items.size();
    const auto work = [&](Writer& writer) {
        while (!stop.load()) {
            const std::size_t index = next.fetch_add(1);
            if (index >= items.size()) return;
            if (!writer.extract(items[index], index)) {
                std::lock_guard lock(failureMutex);
                if (index < failedAt) {
                    failedAt = index;
                    failure_ = writer.failure();
                }
                stop = true;
                return;
            }
        }
    };
    std::vector<std::thread> threads;
    try {
        for (std::size_t i = 1; i < writers.size(); ++i) threads.emplace_back(work, std::ref(*writers[i]));
    } catch (const std::system_error&) {
        // No thread to be had: the writers already started and this one do all the work.
    }
    work(*writers[0]);
    for (auto& thread : threads) thread.join();

    std::vector<std::size_t> committed;
    for (const auto& writer : writers) {
        result_.files += writer->files();
        result_.bytes += writer->bytes();
        committed.insert(committed.end(), writer->committed().begin(), writer->committed().end());
    }
    std::sort(committed.begin(), committed.end());
    for (const std::size_t index : committed) {
        std::string path;
        for (const auto& component : items[index].path.components) {
            if (!path.empty()) path += '/';
            path += component;
        }
        result_.written.push_back(std::move(path));
    }
    return failedAt == items.size();
}

bool Run::check(const ZipEntry& entry, EntryPath& path, EntryExtent& extent) {
    if (entry.flags & kFlagEncrypted) return failEntry(ExtractStatus::Refused, entry, "encrypted");
    if (entry.method != kMethodStored && entry.method != kMethodDeflate)
        return failEntry(ExtractStatus::Refused, entry,
                         "compression method " + std::to_string(entry.method) + " is not supported");
    std::string utf8;
    std::string why;
    if (!decodeEntryName(entry.storedName, (entry.flags & kFlagUtf8) != 0, entry.unicodePath,
                         nameOrigin(entry.versionMadeBy), utf8, why) ||
        !toEntryPath(utf8, path, why))
        return failEntry(ExtractStatus::Refused, entry, why);
    const auto unixType = (entry.externalAttributes >> 16) & kUnixTypeMask;
    if ((unixType != 0 && unixType != kUnixRegular && unixType != kUnixDirectory) ||
        (entry.externalAttributes & kWindowsReparsePoint))
        return failEntry(ExtractStatus::Refused, entry, "links and special files are not extracted");
    if (entry.method == kMethodStored && entry.compressedSize != entry.uncompressedSize)
        return failEntry(ExtractStatus::Damaged, entry, "stored entry with differing sizes");

    const auto size = entry.uncompressedSize;
    if (size > limits_.maxEntrySize ||
        (size > limits_.entryRatioFloor && size / std::max<std::uint64_t>(entry.compressedSize, 1) > limits_.maxEntryRatio))
        return failEntry(ExtractStatus::Refused, entry,
                         "declares " + std::to_string(size) + " bytes, beyond the bound for this archive");
    declaredTotal_ += size;
    if (declaredTotal_ > totalLimit_)
        return fail(ExtractStatus::Refused, "entries declare more than " + std::to_string(totalLimit_) +
                                                " bytes, beyond the bound for this archive");
    std::string error;
    if (!reader_.locate(entry, extent, error)) return failEntry(ExtractStatus::Damaged, entry, error);
    return true;
}

bool Writer::extract(const FileItem& item, std::size_t index) {
    const ZipEntry& entry = item.entry;
    const EntryExtent& extent = item.extent;
    auto file = output_.createFile(item.path.components);
    if (!file) return failEntry(ExtractStatus::WriteFailed, entry, output_.lastError());

    std::uint64_t position = extent.dataOffset;
    std::uint64_t remaining = entry.compressedSize;
    std::uint64_t produced = 0;
    uLong crc = crc32(0, Z_NULL, 0);
    const auto readChunk = [&](std::span<const std::uint8_t>& chunk) {
        const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, input_.size()));
        if (!source_.readExact(position, {input_.data(), size})) return false;
        chunk = {input_.data(), size};
        position += size;
        remaining -= size;
        return true;
    };
    const auto emit = [&](std::span<const std::uint8_t> data) {
        if (data.size() > entry.uncompressedSize - produced)
            return failEntry(ExtractStatus::Damaged, entry, "more data than its declared size");
        produced += data.size();
        crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
        return file->write(data) || failEntry(ExtractStatus::WriteFailed, entry, file->lastError());
    };

    std::span<const std::uint8_t> chunk;
    if (entry.method == kMethodStored) {
        while (remaining > 0) {
            if (!readChunk(chunk)) return failEntry(ExtractStatus::Damaged, entry, "cannot read its data");
            if (!emit(chunk)) return false;
        }
    } else {
        if (!inflater_.reset()) return failEntry(ExtractStatus::Damaged, entry, "cannot start inflating");
        bool ended = false;
        while (!ended) {
            if (inflater_.pendingInput() == 0 && remaining > 0) {
                if (!readChunk(chunk)) return failEntry(ExtractStatus::Damaged, entry, "cannot read its data");
                inflater_.feed(chunk);
            }
            std::size_t count = 0;
            const auto step = inflater_.run(inflated_, count);
            if (count > 0 && !emit({inflated_.data(), count})) return false;
            if (step == Inflater::Step::End) {
                ended = true;
            } else if (step == Inflater::Step::Damaged) {
                return failEntry(ExtractStatus::Damaged, entry, "bad compressed data");
            } else if (step == Inflater::Step::NeedInput && remaining == 0) {
                return failEntry(ExtractStatus::Damaged, entry, "compressed data ends early");
            }
        }
        if (inflater_.pendingInput() != 0 || remaining != 0)
            return failEntry(ExtractStatus::Damaged, entry, "data after the end of its compressed stream");
    }
    if (produced != entry.uncompressedSize)
        return failEntry(ExtractStatus::Damaged, entry, "shorter than its declared size");
    if (static_cast<std::uint32_t>(crc) != entry.crc32) return failEntry(ExtractStatus::Damaged, entry, "CRC mismatch");
    if (!file->commit()) return failEntry(ExtractStatus::WriteFailed, entry, file->lastError());
    ++files_;
    bytes_ += produced;
    committed_.push_back(index);
    return true;
}

}  // namespace

ExtractResult extractArchive(ArchiveSource& source, OutputTree& output, const ExtractLimits& limits,
                             unsigned workers) {
    Run run(source, output, limits, workers);
    return run.execute();
}

}  // namespace archive
