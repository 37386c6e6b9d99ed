#pragma once
// The file-system seam of the extraction engine. The engine decides what may be written and
// where; an implementation of these interfaces decides how, with the target system's own
// protections (openat/O_NOFOLLOW natively, reparse-point checks on Windows).
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace archive {

// Positioned reads let the reader walk the central directory and each entry's data in
// fixed-size pieces instead of loading the archive.
class ArchiveSource {
public:
    virtual ~ArchiveSource() = default;
    virtual std::uint64_t size() const = 0;
    // Fills the whole buffer from offset; false on an I/O error or when the file ends first.
    virtual bool readExact(std::uint64_t offset, std::span<std::uint8_t> buffer) = 0;
    // True when readExact may run on several threads at once (positioned reads that share
    // no file pointer).
    virtual bool concurrentReads() const { return false; }
};

// A file being written under a temporary name beside its final one. Destroying it without a
// successful commit removes the temporary file, so a failed entry never appears under its
// final name and never replaces what was there before.
class PendingFile {
public:
    virtual ~PendingFile() = default;
    virtual bool write(std::span<const std::uint8_t> data) = 0;
    virtual bool commit() = 0;
    virtual std::string lastError() const = 0;
};

// The output folder. Paths are lists of components already checked by the engine (UTF-8, no
// separators, no "." or ".."); an implementation must still never follow a link or junction
// below the root, whether it was there before the run or appears during it.
class OutputTree {
public:
    virtual ~OutputTree() = default;
    virtual bool makeDirectory(std::span<const std::string> path) = 0;
    // path names the file; its folders are created as needed.
    virtual std::unique_ptr<PendingFile> createFile(std::span<const std::string> path) = 0;
    // What went wrong in the last failed call, for the caller's message.
    virtual std::string lastError() const = 0;
    // Another handle on the same folder, for a writer on another thread (each handle is used
    // by one thread); null when the implementation offers none.
    virtual std::unique_ptr<OutputTree> openAnother() { return nullptr; }
};

// Entry names without the UTF-8 flag are code page 936 text; the conversion is the
// platform's (iconv natively, MultiByteToWideChar on Windows). Returns false for bytes that
// are not valid code page 936.
bool cp936ToUtf8(std::string_view bytes, std::string& utf8);

}  // namespace archive
