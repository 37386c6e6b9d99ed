#pragma once
// The file-system seam on Windows. Every folder below the output folder is opened without
// following reparse points and refused when it is one (a junction or symbolic link planted
// before the run); the folders of the current path stay open without FILE_SHARE_DELETE, so
// none of them can be renamed or replaced by a link while entries are written into them.
#include "package/archive/ArchiveFiles.h"

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace archive {

class WinHandle {
public:
    WinHandle() = default;
    explicit WinHandle(HANDLE handle) : handle_(handle) {}
    WinHandle(const WinHandle&) = delete;
    WinHandle& operator=(const WinHandle&) = delete;
    WinHandle(WinHandle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    WinHandle& operator=(WinHandle&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, INVALID_HANDLE_VALUE));
        return *this;
    }
    ~WinHandle() { reset(); }

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE get() const { return handle_; }
    // Closes now and reports CloseHandle's result, for the one close whose failure matters.
    bool close() { return CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != FALSE; }
    void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (valid()) CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

bool utf8ToWide(std::string_view utf8, std::wstring& wide);

class Win32ArchiveSource final : public ArchiveSource {
public:
    static std::unique_ptr<Win32ArchiveSource> open(const std::wstring& path, std::string& error);
    Win32ArchiveSource(WinHandle file, std::uint64_t size) : file_(std::move(file)), size_(size) {}
    std::uint64_t size() const override { return size_; }
    bool readExact(std::uint64_t offset, std::span<std::uint8_t> buffer) override;

private:
    WinHandle file_;
    std::uint64_t size_;
};

class Win32OutputTree final : public OutputTree {
public:
    // The root is the caller's choice and may be reached through links; missing levels are
    // created.
    static std::unique_ptr<Win32OutputTree> open(const std::wstring& root, std::string& error);
    Win32OutputTree(std::wstring base, WinHandle root) : base_(std::move(base)), root_(std::move(root)) {}

    bool makeDirectory(std::span<const std::string> path) override;
    std::unique_ptr<PendingFile> createFile(std::span<const std::string> path) override;
    std::string lastError() const override { return error_; }

private:
    struct Level {
        std::string name;
        std::wstring path;
        std::wstring finalPath;
        WinHandle handle;
    };
    const std::wstring* enter(std::span<const std::string> folders);
    void failWith(const std::string& what, const std::string& name, DWORD code);

    std::wstring base_;  // "\\?\" form, so that long paths and odd names reach the file system as they are
    WinHandle root_;
    // Where the root really is, for comparing each folder's resolved path with; empty when
    // the file system cannot say, and then only the attribute check applies.
    std::wstring rootFinal_;
    std::vector<Level> chain_;
    std::string error_;
    unsigned counter_ = 0;
};

}  // namespace archive
