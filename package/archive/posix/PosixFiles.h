#pragma once
// The file-system seam on POSIX systems: every path below the output folder is walked one
// component at a time with openat and O_NOFOLLOW, so no link on disk is ever followed.
#include "package/archive/ArchiveFiles.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace archive {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) reset(std::exchange(other.fd_, -1));
        return *this;
    }
    ~UniqueFd() { reset(); }

    bool valid() const { return fd_ >= 0; }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1);

private:
    int fd_ = -1;
};

class PosixArchiveSource final : public ArchiveSource {
public:
    static std::unique_ptr<PosixArchiveSource> open(const std::string& path, std::string& error);
    std::uint64_t size() const override { return size_; }
    bool readExact(std::uint64_t offset, std::span<std::uint8_t> buffer) override;
    // pread keeps no file position.
    bool concurrentReads() const override { return true; }

    PosixArchiveSource(UniqueFd fd, std::uint64_t size) : fd_(std::move(fd)), size_(size) {}

private:
    UniqueFd fd_;
    std::uint64_t size_;
};

class PosixOutputTree final : public OutputTree {
public:
    // The root itself is the caller's choice and may be reached through links; it is
    // created when missing.
    static std::unique_ptr<PosixOutputTree> open(const std::string& root, std::string& error);

    bool makeDirectory(std::span<const std::string> path) override;
    std::unique_ptr<PendingFile> createFile(std::span<const std::string> path) override;
    std::string lastError() const override { return error_; }
    std::unique_ptr<OutputTree> openAnother() override;

    explicit PosixOutputTree(UniqueFd root) : root_(std::move(root)) {}

private:
    // The folders of the current path stay open, so that sorted entries reuse them and a
    // folder checked once cannot be swapped for a link while entries are written into it.
    int enter(std::span<const std::string> folders);
    bool failWith(const std::string& what, const std::string& name, int errorNumber);

    UniqueFd root_;
    std::vector<std::pair<std::string, UniqueFd>> chain_;
    std::string error_;
    unsigned counter_ = 0;
};

}  // namespace archive
