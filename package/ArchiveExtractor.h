#pragma once
// A thin owner of the archive library 7-zip32.dll, loaded for one extraction at a time.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "package/UnpackRecord.h"
#include "platform/ArchiveLibrary.h"
#include "platform/Files.h"
#include "platform/SystemInfo.h"

class ArchiveExtractor {
public:
    ArchiveExtractor(platform::ArchiveLibraryLoader& loader, platform::SystemInfo& system,
                     platform::FileSystem& files);
    virtual ~ArchiveExtractor();
    ArchiveExtractor(const ArchiveExtractor&) = delete;
    ArchiveExtractor& operator=(const ArchiveExtractor&) = delete;

    // 1 when the library is loaded, 0 when it cannot be.
    int loadLibrary();
    // Unpacks `archivePath` into `outputDirectory` with stored paths, overwriting without a
    // question and without a progress window. 2 on success, 0 otherwise. What the library
    // writes at or below the `watched` names of the output directory is recorded in written(),
    // also when it fails part-way.
    int extract(const std::string& archivePath, const std::string& outputDirectory,
                const std::vector<std::string>& watched = {});
    // What the last extract wrote in its watched places; empty when it wrote nothing there.
    const UnpackRecord& written() const { return written_; }
    void unload();

    void setOwnerWindow(std::uintptr_t window) { ownerWindow_ = window; }
    bool loaded() const { return library_ != nullptr; }

    // The notification procedure registered with the library: every notification continues.
    static int progressCallback(std::uintptr_t window, unsigned message, unsigned state, void* info);

private:
    platform::ArchiveLibraryLoader& loader_;
    platform::SystemInfo& system_;
    platform::FileSystem& files_;
    std::unique_ptr<platform::ArchiveLibrary> library_;
    std::uintptr_t ownerWindow_ = 0;
    UnpackRecord written_;
};
