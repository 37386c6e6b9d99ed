#pragma once
// 7-zip32.dll loaded with LoadLibraryExA and called through GetProcAddress.
#include "platform/ArchiveLibrary.h"

namespace win32 {

class Win32ArchiveLibraryLoader final : public platform::ArchiveLibraryLoader {
public:
    std::unique_ptr<platform::ArchiveLibrary> load(const std::string& fileName) override;
};

}  // namespace win32
