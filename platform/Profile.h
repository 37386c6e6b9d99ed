#pragma once
// Reading profile (INI) files the way kernel32 does: GetPrivateProfileSectionNamesA and
// GetPrivateProfileStringA, with their buffer limits, truncation and return values.
#include <cstdint>
#include <string>

namespace platform {

class ProfileReader {
public:
    virtual ~ProfileReader() = default;

    // GetPrivateProfileSectionNamesA into a buffer of `bufferSize` bytes that starts cleared.
    // `buffer` receives all bufferSize bytes as the call leaves them; the result is the call's
    // return value (the number of bytes copied, not counting the final NUL).
    virtual std::uint32_t sectionNames(const std::string& file, std::uint32_t bufferSize, std::string& buffer) = 0;

    // GetPrivateProfileStringA(section, key, defaultValue, buffer, bufferSize, file). `value`
    // receives the text up to its NUL; the result is the call's return value.
    virtual std::uint32_t getString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, std::uint32_t bufferSize, std::string& value,
                                    const std::string& file) = 0;
};

}  // namespace platform
