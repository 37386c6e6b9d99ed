#pragma once
// Version, WOW64, folders, time and privileges through kernel32 and advapi32.
#include "platform/SystemInfo.h"

namespace win32 {

class Win32SystemInfo final : public platform::SystemInfo {
public:
    bool getVersionEx(std::uint32_t structSize, platform::OsVersion& version) override;
    bool hasIsWow64Process() override;
    void isWow64Process(std::int32_t& wow64) override;
    void sleep(std::uint32_t milliseconds) override;
    std::string systemDirectory(std::uint32_t bufferSize) override;
    std::string windowsDirectory(std::uint32_t bufferSize) override;
    bool enableLoadDriverPrivilege() override;
    platform::LocalTime localTime() override;
    std::string environmentVariable(const std::string& name) override;
    std::string ansiToUtf8(const std::string& text) override;
};

}  // namespace win32
