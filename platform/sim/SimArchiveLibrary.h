#pragma once
// The archive library of the simulated machine: the project's own extraction engine behind
// the entry points of 7-zip32.dll, working on the simulated drive C:.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ArchiveLibrary.h"
#include "platform/sim/SimFileSystem.h"

namespace sim {

class SimArchiveLibraryLoader : public platform::ArchiveLibraryLoader {
public:
    explicit SimArchiveLibraryLoader(SimFileSystem& files) : files_(files) {}

    std::unique_ptr<platform::ArchiveLibrary> load(const std::string& fileName) override;

    // The library is absent from the program's folder: loading fails.
    void removeLibrary() { present_ = false; }
    // The library lacks this entry point.
    void dropEntryPoint(const std::string& name);
    // Runs inside SevenZip before extraction starts, on the calling thread.
    void onSevenZip(std::function<void()> hook);

    // What the library was asked, for tests.
    std::vector<std::string> commands() const;
    int loadedNow() const { return loaded_; }
    int loads() const { return loads_; }

private:
    friend class SimArchiveLibrary;
    SimFileSystem& files_;
    std::atomic<bool> present_{true};
    std::atomic<int> loaded_{0};
    std::atomic<int> loads_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> missingEntryPoints_;
    std::vector<std::string> commands_;
    std::function<void()> hook_;
};

}  // namespace sim
