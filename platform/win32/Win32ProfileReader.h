#pragma once
// Profile (INI) files through kernel32's ANSI calls, with exactly the buffer sizes asked for.
#include "platform/Profile.h"

namespace win32 {

class Win32ProfileReader final : public platform::ProfileReader {
public:
    std::uint32_t sectionNames(const std::string& file, std::uint32_t bufferSize, std::string& buffer) override;
    std::uint32_t getString(const std::string& section, const std::string& key, const std::string& defaultValue,
                            std::uint32_t bufferSize, std::string& value, const std::string& file) override;
};

}  // namespace win32
