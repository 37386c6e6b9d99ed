#pragma once
// Drive C: of the simulated machine, kept in a folder of the host. Windows' path rules are
// applied on top of it: names compare case-insensitively (only ASCII letters fold, as the
// names the installer handles need), "\" and "/" separate and doubled separators collapse,
// "." and ".." collapse, relative paths start at the current directory. What the host cannot
// express is kept here as state: the read-only attribute (the tests run as root, whom host
// permissions never stop) and failures injected per path. Host symbolic links stand for
// reparse points (junctions and symbolic links): reported as such, never entered when a
// folder is listed, removed as links. That is Windows' behaviour, not Wine's (8.0, observed):
// Wine reports a host link to a file as a plain file, DeleteFileA on it deletes the file it
// leads to, and RemoveDirectoryA on a link to a folder removes that folder if it is empty
// (ERROR_DIR_NOT_EMPTY otherwise), leaving the link.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Files.h"

namespace sim {

class SimFileSystem : public platform::FileSystem {
public:
    // A fresh, empty drive C: in a temporary host folder, removed with this object.
    SimFileSystem();
    // Drive C: in an existing host folder, which is left in place.
    explicit SimFileSystem(std::filesystem::path driveC);
    ~SimFileSystem() override;
    SimFileSystem(const SimFileSystem&) = delete;
    SimFileSystem& operator=(const SimFileSystem&) = delete;

    std::string currentDirectory(std::uint32_t bufferSize) override;
    std::uint32_t fileAttributes(const std::string& path) override;
    platform::FileSearchHandle findFirst(const std::string& pattern, platform::FindData& first) override;
    long deleteFile(const std::string& path) override;
    long removeDirectory(const std::string& path) override;
    long copyFile(const std::string& from, const std::string& to, bool failIfExists) override;
    long createDirectory(const std::string& path) override;
    long appendFile(const std::string& path, const std::string& bytes) override;

    // Reads a whole file as a program would (CreateFileA, ReadFile): 0 or the error, injected
    // failures included. The profile reader reads through this.
    long loadFile(const std::string& path, std::string& bytes);

    // Set-up and inspection for tests, by Windows path.
    std::filesystem::path driveRoot() const { return root_; }
    // The host path a Windows path stands for: components that exist are matched as Windows
    // would match them, the rest are taken as written. Throws std::invalid_argument for a path
    // off drive C:.
    std::filesystem::path hostPath(const std::string& windowsPath) const;
    // SetCurrentDirectoryA; the folder is created if it is missing.
    void setCurrentDirectory(const std::string& windowsPath);
    void setReadOnly(const std::string& windowsPath, bool readOnly);
    // Every operation on this path (as a whole, not on what lies below it) fails with
    // `error`; 0 lifts the failure.
    void failPath(const std::string& windowsPath, long error);
    // Writes the file and any missing folders above it.
    void writeFile(const std::string& windowsPath, const std::string& bytes);
    std::optional<std::string> readFile(const std::string& windowsPath) const;
    bool exists(const std::string& windowsPath) const;
    void makeDirectory(const std::string& windowsPath);
    // A reparse point at windowsPath leading to hostTarget, which may lie outside drive C:.
    void makeSymlink(const std::string& windowsPath, const std::filesystem::path& hostTarget);
    // Files a running process has loaded and so holds open without sharing write or delete
    // (the spooler's monitor and driver DLLs): overwriting or deleting one fails with
    // ERROR_SHARING_VIOLATION, as on Windows. `holderRuns` tells whether that process runs;
    // while it does not, nothing is held. It is asked under this drive's lock.
    void setHolder(std::function<bool()> holderRuns);
    // The files the holder has loaded now, replacing the earlier set; or one more of them.
    void holdFiles(const std::vector<std::string>& windowsPaths);
    void holdFile(const std::string& windowsPath);
    bool isHeld(const std::string& windowsPath) const;
    // CopyFileA as the holder itself copies: over a file it holds (the spooler replacing the
    // files of a driver in use).
    long copyFileAsHolder(const std::string& from, const std::string& to);
    // Searches started and not yet closed.
    int openSearches() const { return *openSearches_; }
    // Everything on the drive, for comparing before and after: each file's Windows path with
    // its bytes, each folder's with "<folder>", each reparse point's with "<link>" and where it
    // leads. Names are as stored, so a comparison sees a change of case too.
    std::map<std::string, std::string> snapshot() const;

private:
    friend class SimOutputTree;

    struct WinPath {
        char drive = 'c';
        std::vector<std::string> components;
    };
    struct Lookup {
        std::filesystem::path host;
        bool parentExists = false;
        bool exists = false;
    };

    long parse(const std::string& path, WinPath& out) const;
    Lookup lookup(const WinPath& path) const;
    // The name under which `folder` (a host folder) holds `name` as Windows compares names:
    // the exact spelling if it is there, else the first that differs only in case.
    static std::optional<std::string> matchIn(const std::filesystem::path& folder, const std::string& name);
    Lookup lookupOrThrow(const std::string& windowsPath) const;
    // Parses the path, applies injected failures and finds what it names; 0, or the error
    // Windows gives for a path that names nothing (2, or 3 when a folder on the way is missing).
    long resolveExisting(const std::string& path, WinPath& parsed, Lookup& found) const;
    std::uint32_t attributesOf(const std::filesystem::path& host) const;
    long injectedFailure(const WinPath& path) const;
    bool isReadOnly(const std::filesystem::path& host) const;
    static std::string key(const WinPath& path);
    bool heldLocked(const WinPath& path) const;
    long copyLocked(const std::string& from, const std::string& to, bool failIfExists, bool asHolder);
    static std::string format(const WinPath& path);

    mutable std::mutex mutex_;
    std::filesystem::path root_;
    bool ownsRoot_ = false;
    WinPath current_;
    std::set<std::string> readOnly_;  // host paths
    std::map<std::string, long> failures_;
    std::set<std::string> held_;  // keys of Windows paths
    std::function<bool()> holderRuns_;
    std::shared_ptr<std::atomic<int>> openSearches_ = std::make_shared<std::atomic<int>>(0);
};

}  // namespace sim
