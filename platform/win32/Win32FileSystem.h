#pragma once
// Files and folders through kernel32's ANSI calls.
#include "platform/Files.h"

namespace win32 {

class Win32FileSystem final : public platform::FileSystem {
public:
    std::string currentDirectory(std::uint32_t bufferSize) override;
    std::uint32_t fileAttributes(const std::string& path) override;
    platform::FileSearchHandle findFirst(const std::string& pattern, platform::FindData& first) override;
    long deleteFile(const std::string& path) override;
    long removeDirectory(const std::string& path) override;
    long copyFile(const std::string& from, const std::string& to, bool failIfExists) override;
    long createDirectory(const std::string& path) override;
    long appendFile(const std::string& path, const std::string& bytes) override;
};

}  // namespace win32
