#include "platform/win32/Win32ProfileReader.h"

#include <windows.h>

namespace win32 {

std::uint32_t Win32ProfileReader::sectionNames(const std::string& file, std::uint32_t bufferSize,
                                               std::string& buffer) {
    // Announced as bufferSize; the extra byte only gives a zero-byte buffer an address.
    std::string bytes(bufferSize + 1, '\0');
    const DWORD result = GetPrivateProfileSectionNamesA(bytes.data(), bufferSize, file.c_str());
    buffer = bytes.substr(0, bufferSize);
    return result;
}

std::uint32_t Win32ProfileReader::getString(const std::string& section, const std::string& key,
                                            const std::string& defaultValue, std::uint32_t bufferSize,
                                            std::string& value, const std::string& file) {
    // Cleared, so that a byte the call leaves untouched (Wine leaves one when it cuts a
    // double-byte character) reads as the end of the text.
    std::string bytes(bufferSize + 1, '\0');
    const DWORD result = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), bytes.data(),
                                                  bufferSize, file.c_str());
    value = bytes.substr(0, bytes.find('\0'));
    return result;
}

}  // namespace win32
