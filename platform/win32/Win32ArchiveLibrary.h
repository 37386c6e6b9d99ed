#pragma once
// 7-zip32.dll loaded with LoadLibraryExA and called through GetProcAddress.
#include "platform/ArchiveLibrary.h"

namespace win32 {

// The library is looked for in the program's folder, then in the system folder, never in the
// current directory or along PATH.
class Win32ArchiveLibraryLoader final : public platform::ArchiveLibraryLoader {
public:
    enum class Search {
        // The search flags of LoadLibraryExA where the system knows them (Windows 8 and later,
        // Vista and 7 with KB2533623), else the full paths below.
        Detect,
        // The two full paths in turn, as on XP: what Detect does where the flags are unknown.
        FullPaths,
    };
    explicit Win32ArchiveLibraryLoader(Search search = Search::Detect) : search_(search) {}
    std::unique_ptr<platform::ArchiveLibrary> load(const std::string& fileName) override;

private:
    Search search_;
};

}  // namespace win32
