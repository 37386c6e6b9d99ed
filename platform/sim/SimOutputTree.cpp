#include "platform/sim/SimOutputTree.h"

#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>
#include <system_error>
#include <vector>

#include "package/archive/posix/PosixFiles.h"
#include "platform/WinConstants.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

// The DLL's words for what the drive refused.
constexpr const char* kLink = "is a link or junction, not followed";
constexpr const char* kNotAFolder = "is not a folder";
constexpr const char* kAccessDenied = "access denied";
constexpr const char* kNoAnsiName = "has no code page 936 name";

std::string failure(const std::string& what, const std::string& name, const char* why) {
    return what + " '" + name + "': " + why;
}

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

bool utf8ToAnsi(const std::string& utf8, std::string& ansi) {
    iconv_t converter = iconv_open("CP936", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    std::string input = utf8;
    // A character of one UTF-8 byte is one byte in code page 936, any other at most two.
    std::string output(input.size() * 2, '\0');
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    const bool converted = iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
    iconv_close(converter);
    if (!converted) return false;
    output.resize(output.size() - outLeft);
    ansi = std::move(output);
    return true;
}

class SimOutputTree final : public archive::OutputTree {
public:
    SimOutputTree(SimFileSystem& drive, fs::path root) : drive_(drive), root_(std::move(root)) {}

    static std::unique_ptr<archive::OutputTree> open(SimFileSystem& drive, const std::string& windowsFolder,
                                                     std::string& error);

    bool makeDirectory(std::span<const std::string> path) override {
        std::lock_guard lock(drive_.mutex_);
        return enter(path, error_).has_value();
    }
    std::unique_ptr<archive::PendingFile> createFile(std::span<const std::string> path) override;
    std::string lastError() const override { return error_; }

    // Puts the file's bytes under its final name in one step, under the drive's lock.
    bool commit(std::span<const std::string> path, const std::string& bytes, std::string& error);

private:
    // The host folder the entry path `folders` leads to, creating what is missing; each
    // component is checked anew, so a folder replaced by a link meanwhile is refused too.
    // Called under the drive's lock.
    std::optional<fs::path> enter(std::span<const std::string> folders, std::string& error);

    SimFileSystem& drive_;
    fs::path root_;
    std::string error_;
    unsigned counter_ = 0;
};

namespace {

// Nothing reaches the drive before the commit, which puts the whole file there at once: what
// the DLL's temporary file and rename amount to, and an entry that fails leaves nothing.
class SimPendingFile final : public archive::PendingFile {
public:
    SimPendingFile(SimOutputTree& tree, std::span<const std::string> path)
        : tree_(tree), path_(path.begin(), path.end()) {}

    bool write(std::span<const std::uint8_t> data) override {
        bytes_.append(reinterpret_cast<const char*>(data.data()), data.size());
        return true;
    }
    bool commit() override { return tree_.commit(path_, bytes_, error_); }
    std::string lastError() const override { return error_; }

private:
    SimOutputTree& tree_;
    std::vector<std::string> path_;
    std::string bytes_;
    std::string error_;
};

}  // namespace

std::unique_ptr<archive::OutputTree> SimOutputTree::open(SimFileSystem& drive, const std::string& windowsFolder,
                                                         std::string& error) {
    std::lock_guard lock(drive.mutex_);
    SimFileSystem::WinPath parsed;
    if (drive.parse(windowsFolder, parsed) != win::ERROR_SUCCESS) {
        error = "cannot open the output folder: not on drive C:";
        return nullptr;
    }
    // Missing levels are created, as 7-Zip's -o does; the levels that exist are the caller's
    // and may be reached through links.
    fs::path host = drive.root_;
    std::error_code ec;
    for (const std::string& component : parsed.components) {
        if (!fs::is_directory(host, ec)) break;
        const std::optional<std::string> match = SimFileSystem::matchIn(host, component);
        host /= match.value_or(component);
        if (!match) fs::create_directory(host, ec);
    }
    if (!fs::is_directory(host, ec)) {
        error = "cannot open the output folder: is not a folder";
        return nullptr;
    }
    return std::make_unique<SimOutputTree>(drive, std::move(host));
}

std::optional<fs::path> SimOutputTree::enter(std::span<const std::string> folders, std::string& error) {
    fs::path host = root_;
    for (const std::string& name : folders) {
        std::string ansi;
        if (!utf8ToAnsi(name, ansi)) {
            error = failure("cannot create folder", name, kNoAnsiName);
            return std::nullopt;
        }
        std::error_code ec;
        if (const std::optional<std::string> match = SimFileSystem::matchIn(host, ansi)) {
            host /= *match;
            const fs::file_status own = fs::symlink_status(host, ec);
            if (fs::is_symlink(own)) {
                error = failure("cannot enter folder", name, kLink);
                return std::nullopt;
            }
            if (!fs::is_directory(own)) {
                error = failure("cannot enter folder", name, kNotAFolder);
                return std::nullopt;
            }
            continue;
        }
        host /= ansi;
        if (!fs::create_directory(host, ec)) {
            error = failure("cannot create folder", name, kAccessDenied);
            return std::nullopt;
        }
    }
    return host;
}

std::unique_ptr<archive::PendingFile> SimOutputTree::createFile(std::span<const std::string> path) {
    if (path.empty()) return nullptr;
    std::lock_guard lock(drive_.mutex_);
    if (!enter(path.first(path.size() - 1), error_)) return nullptr;
    std::string ansi;
    if (!utf8ToAnsi(path.back(), ansi)) {
        error_ = failure("cannot create", path.back(), kNoAnsiName);
        return nullptr;
    }
    return std::make_unique<SimPendingFile>(*this, path);
}

bool SimOutputTree::commit(std::span<const std::string> path, const std::string& bytes, std::string& error) {
    std::lock_guard lock(drive_.mutex_);
    const std::optional<fs::path> folder = enter(path.first(path.size() - 1), error);
    if (!folder) return false;
    std::string name;
    if (!utf8ToAnsi(path.back(), name)) {
        error = failure("cannot create", path.back(), kNoAnsiName);
        return false;
    }
    std::error_code ec;
    // MoveFileExW replaces a file, or a link to a file (the link, not what it leads to), and
    // the new file takes the name it was given; a folder, or a link to one, refuses. "-y"
    // replaces a read-only file too, and what stands there afterwards is writable.
    if (const std::optional<std::string> match = SimFileSystem::matchIn(*folder, name)) {
        const fs::path existing = *folder / *match;
        if (fs::is_directory(existing, ec)) {
            error = std::string("cannot replace: ") + kAccessDenied;
            return false;
        }
        if (*match != name && !fs::remove(existing, ec)) {
            error = std::string("cannot replace: ") + kAccessDenied;
            return false;
        }
        drive_.readOnly_.erase(existing.string());
    }
    const fs::path final = *folder / name;
    fs::path temporary;
    archive::UniqueFd file;
    for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
        temporary = *folder / (".drvunzip-" + std::to_string(getpid()) + "-" + std::to_string(++counter_) + ".tmp");
        file.reset(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    }
    if (!file.valid()) {
        error = failure("cannot create", path.back(), kAccessDenied);
        return false;
    }
    const bool written = writeAll(file.get(), bytes) && ::close(file.release()) == 0;
    // rename replaces a link at the final name instead of writing through it.
    if (written) fs::rename(temporary, final, ec);
    if (!written || ec) {
        fs::remove(temporary, ec);
        error = std::string(written ? "cannot replace: " : "cannot write: ") + kAccessDenied;
        return false;
    }
    drive_.readOnly_.erase(final.string());
    return true;
}

std::unique_ptr<archive::OutputTree> openOutputTree(SimFileSystem& drive, const std::string& windowsFolder,
                                                    std::string& error) {
    return SimOutputTree::open(drive, windowsFolder, error);
}

}  // namespace sim
