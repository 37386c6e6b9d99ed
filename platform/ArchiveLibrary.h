#pragma once
// The archive library 7-zip32.dll, loaded at run time.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// The notification procedure handed to SevenZipSetOwnerWindowEx: window, message, state,
// information block. Returning 1 lets the work go on.
using ArchiveProgressCallback = int (*)(std::uintptr_t window, unsigned message, unsigned state, void* info);

// A loaded library; FreeLibrary when it goes.
class ArchiveLibrary {
public:
    virtual ~ArchiveLibrary() = default;
    // Whether GetProcAddress found the entry point ("SevenZip", "SevenZipSetOwnerWindowEx",
    // "SevenZipKillOwnerWindowEx", "SevenZipGetRunning"). Calling a missing one returns -1.
    virtual bool hasEntryPoint(const std::string& name) const = 0;
    virtual int sevenZip(std::uintptr_t ownerWindow, const std::string& command, std::string& output,
                         std::uint32_t outputSize) = 0;
    virtual int setOwnerWindowEx(std::uintptr_t ownerWindow, ArchiveProgressCallback callback) = 0;
    virtual int killOwnerWindowEx(std::uintptr_t ownerWindow) = 0;
};

class ArchiveLibraryLoader {
public:
    virtual ~ArchiveLibraryLoader() = default;
    // LoadLibrary by bare file name, searched for in the program's folder and then the
    // system folder only: an elevated installer must not pick up a planted copy from the
    // current directory or PATH. Null when it cannot be loaded.
    virtual std::unique_ptr<ArchiveLibrary> load(const std::string& fileName) = 0;
};

}  // namespace platform
