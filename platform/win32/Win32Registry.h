#pragma once
// The registry through advapi32. Handles travel in RegKey as the HKEY values themselves, so
// a key opened here is an ordinary HKEY to any other Win32 code.
#include "platform/Registry.h"

namespace win32 {

class Win32Registry final : public platform::Registry {
public:
    long openKey(const platform::RegKey& parent, const std::string& subKey, std::uint32_t access,
                 platform::RegKey& out) override;
    long createKey(const platform::RegKey& parent, const std::string& subKey, std::uint32_t access,
                   platform::RegKey& out) override;
    long queryValue(const platform::RegKey& key, const std::string& name, std::uint32_t bufferSize,
                    platform::RegValue& out) override;
    long setValue(const platform::RegKey& key, const std::string& name, std::uint32_t type,
                  const std::string& data) override;
    long enumValue(const platform::RegKey& key, std::uint32_t index, std::uint32_t nameChars,
                   std::uint32_t dataBytes, platform::RegValue& out) override;
    long enumKey(const platform::RegKey& key, std::uint32_t index, std::string& name) override;
    long deleteValue(const platform::RegKey& key, const std::string& name) override;
    long deleteTree(const platform::RegKey& parent, const std::string& subKey) override;

protected:
    void closeKey(std::uintptr_t handle) override;
};

}  // namespace win32
