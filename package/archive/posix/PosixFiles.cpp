#include "package/archive/posix/PosixFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace archive {
namespace {

std::string describe(int errorNumber) {
    if (errorNumber == ELOOP) return "is a symbolic link, not followed";
    if (errorNumber == ENOTDIR) return "is not a folder";
    return std::strerror(errorNumber);
}

class PosixPendingFile final : public PendingFile {
public:
    PosixPendingFile(UniqueFd folder, UniqueFd file, std::string temporary, std::string final)
        : folder_(std::move(folder)), file_(std::move(file)), temporary_(std::move(temporary)),
          final_(std::move(final)) {}

    ~PosixPendingFile() override {
        if (committed_) return;
        file_.reset();
        unlinkat(folder_.get(), temporary_.c_str(), 0);
    }

    bool write(std::span<const std::uint8_t> data) override {
        while (!data.empty()) {
            const auto written = ::write(file_.get(), data.data(), data.size());
            if (written < 0) {
                if (errno == EINTR) continue;
                return fail("cannot write");
            }
            data = data.subspan(static_cast<std::size_t>(written));
        }
        return true;
    }

    bool commit() override {
        // close reports delayed write errors (NFS, full disks) that write did not.
        if (::close(file_.release()) != 0) return fail("cannot write");
        // rename replaces a link at the final name instead of writing through it.
        if (renameat(folder_.get(), temporary_.c_str(), folder_.get(), final_.c_str()) != 0)
            return fail("cannot replace");
        committed_ = true;
        return true;
    }

    std::string lastError() const override { return error_; }

private:
    bool fail(const char* what) {
        error_ = std::string(what) + ": " + describe(errno);
        return false;
    }

    UniqueFd folder_;
    UniqueFd file_;
    std::string temporary_;
    std::string final_;
    bool committed_ = false;
    std::string error_;
};

}  // namespace

void UniqueFd::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

std::unique_ptr<PosixArchiveSource> PosixArchiveSource::open(const std::string& path, std::string& error) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!fd.valid() || fstat(fd.get(), &info) != 0) {
        error = "cannot open archive " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "archive " + path + " is not a file";
        return nullptr;
    }
    posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<PosixArchiveSource>(std::move(fd), static_cast<std::uint64_t>(info.st_size));
}

bool PosixArchiveSource::readExact(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    while (!buffer.empty()) {
        const auto got = pread(fd_.get(), buffer.data(), buffer.size(), static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        buffer = buffer.subspan(static_cast<std::size_t>(got));
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

std::unique_ptr<PosixOutputTree> PosixOutputTree::open(const std::string& root, std::string& error) {
    // Create missing levels of the root as "mkdir -p" would; they are the caller's path.
    for (std::size_t slash = root.find('/', 1); ; slash = root.find('/', slash + 1)) {
        const auto level = root.substr(0, slash);
        if (!level.empty() && mkdir(level.c_str(), 0777) != 0 && errno != EEXIST) {
            error = "cannot create output folder " + level + ": " + std::strerror(errno);
            return nullptr;
        }
        if (slash == std::string::npos) break;
    }
    UniqueFd fd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) {
        error = "cannot open output folder " + root + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<PosixOutputTree>(std::move(fd));
}

std::unique_ptr<OutputTree> PosixOutputTree::openAnother() {
    // The same folder, not the same path: a root renamed or replaced meanwhile is not followed.
    UniqueFd fd(fcntl(root_.get(), F_DUPFD_CLOEXEC, 0));
    if (!fd.valid()) return nullptr;
    return std::make_unique<PosixOutputTree>(std::move(fd));
}

bool PosixOutputTree::failWith(const std::string& what, const std::string& name, int errorNumber) {
    error_ = what + " '" + name + "': " + describe(errorNumber);
    return false;
}

int PosixOutputTree::enter(std::span<const std::string> folders) {
    std::size_t keep = 0;
    while (keep < chain_.size() && keep < folders.size() && chain_[keep].first == folders[keep]) ++keep;
    chain_.resize(keep);
    for (std::size_t i = keep; i < folders.size(); ++i) {
        const int parent = chain_.empty() ? root_.get() : chain_.back().second.get();
        const auto& name = folders[i];
        // mkdirat never follows a link at its last component: an existing link is EEXIST,
        // and the open below then refuses it.
        if (mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST) {
            failWith("cannot create folder", name, errno);
            return -1;
        }
        UniqueFd fd(openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd.valid()) {
            // Linux says ENOTDIR, not ELOOP, for a link opened with O_DIRECTORY.
            const int openError = errno;
            struct stat info {};
            const bool link = fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
            failWith("cannot enter folder", name, link ? ELOOP : openError);
            return -1;
        }
        chain_.emplace_back(name, std::move(fd));
    }
    return chain_.empty() ? root_.get() : chain_.back().second.get();
}

bool PosixOutputTree::makeDirectory(std::span<const std::string> path) { return enter(path) >= 0; }

std::unique_ptr<PendingFile> PosixOutputTree::createFile(std::span<const std::string> path) {
    if (path.empty()) return nullptr;
    const int folder = enter(path.first(path.size() - 1));
    if (folder < 0) return nullptr;
    UniqueFd folderCopy(fcntl(folder, F_DUPFD_CLOEXEC, 0));
    if (!folderCopy.valid()) {
        failWith("cannot create", path.back(), errno);
        return nullptr;
    }
    // O_EXCL with O_NOFOLLOW: the temporary name is always a new file of ours, never
    // something planted under that name.
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto temporary = ".drvunzip-" + std::to_string(getpid()) + "-" + std::to_string(++counter_) + ".tmp";
        UniqueFd file(openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (file.valid())
            return std::make_unique<PosixPendingFile>(std::move(folderCopy), std::move(file), std::move(temporary),
                                                      path.back());
        if (errno != EEXIST) break;
    }
    failWith("cannot create", path.back(), errno);
    return nullptr;
}

}  // namespace archive
