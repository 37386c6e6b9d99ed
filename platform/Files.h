#pragma once
// Files and folders through kernel32, with Windows' path rules: case-insensitive names, "\"
// and "/" both separators, read-only files that refuse deletion, reparse points (junctions
// and symbolic links) reported as such and never entered by the calls that list a folder.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

constexpr std::uint32_t INVALID_FILE_ATTRIBUTES_VALUE = 0xFFFFFFFFu;
constexpr std::uint32_t FILE_ATTRIBUTE_READONLY_BIT = 0x01;
constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY_BIT = 0x10;
constexpr std::uint32_t FILE_ATTRIBUTE_REPARSE_POINT_BIT = 0x400;

// One entry as FindFirstFileA / FindNextFileA report it.
struct FindData {
    std::string name;
    std::uint32_t attributes = 0;
};

class FileSearch {
public:
    virtual ~FileSearch() = default;
    // FindNextFileA: false (ERROR_NO_MORE_FILES) after the last entry.
    virtual bool next(FindData& entry) = 0;
};

// Owns a search and closes it (FindClose) exactly once.
using FileSearchHandle = std::unique_ptr<FileSearch>;

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // GetCurrentDirectoryA into a buffer of `bufferSize` bytes: the path, or "" when it does
    // not fit (the call then reports the size it needs).
    virtual std::string currentDirectory(std::uint32_t bufferSize) = 0;
    // GetFileAttributesA; INVALID_FILE_ATTRIBUTES_VALUE when the path does not exist.
    virtual std::uint32_t fileAttributes(const std::string& path) = 0;
    // FindFirstFileA with a pattern such as "C:\\Ticket//*.*". A null handle when nothing
    // matches; otherwise `first` holds the first entry.
    virtual FileSearchHandle findFirst(const std::string& pattern, FindData& first) = 0;
    // DeleteFileA, RemoveDirectoryA, CopyFileA, CreateDirectoryA: 0 or the error of GetLastError.
    virtual long deleteFile(const std::string& path) = 0;
    virtual long removeDirectory(const std::string& path) = 0;
    virtual long copyFile(const std::string& from, const std::string& to, bool failIfExists) = 0;
    virtual long createDirectory(const std::string& path) = 0;
    // CreateFileA (FILE_APPEND_DATA, OPEN_ALWAYS) and WriteFile: adds `bytes` at the end of the
    // file, creating it when it is missing; 0 or the error of GetLastError.
    virtual long appendFile(const std::string& path, const std::string& bytes) = 0;
};

}  // namespace platform
