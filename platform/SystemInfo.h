#pragma once
// What the process can learn about the system it runs on, and the passing of time.
#include <cstdint>
#include <string>

namespace platform {

// The fields of OSVERSIONINFOEXA that decide the version class.
struct OsVersion {
    std::uint32_t platformId = 0;
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
};

// SYSTEMTIME, as GetLocalTime fills it.
struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milliseconds = 0;
};

class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    // GetVersionExA with dwOSVersionInfoSize set to `structSize` (156 for OSVERSIONINFOEXA,
    // 148 for OSVERSIONINFOA). False when the call fails.
    virtual bool getVersionEx(std::uint32_t structSize, OsVersion& version) = 0;
    // Whether GetProcAddress(GetModuleHandleA("kernel32"), "IsWow64Process") finds it.
    virtual bool hasIsWow64Process() = 0;
    // IsWow64Process(GetCurrentProcess(), &wow64); its own result is not needed.
    virtual void isWow64Process(std::int32_t& wow64) = 0;
    // Sleep.
    virtual void sleep(std::uint32_t milliseconds) = 0;
    // GetSystemDirectoryA / GetWindowsDirectoryA into a buffer of `bufferSize` bytes; "" when
    // the call fails or the path does not fit.
    virtual std::string systemDirectory(std::uint32_t bufferSize) = 0;
    virtual std::string windowsDirectory(std::uint32_t bufferSize) = 0;
    // Enables "SeLoadDriverPrivilege" in the process token (OpenProcessToken,
    // LookupPrivilegeValueA, AdjustTokenPrivileges); false when any step fails.
    virtual bool enableLoadDriverPrivilege() = 0;
    // GetLocalTime.
    virtual LocalTime localTime() = 0;
    // GetEnvironmentVariableA; "" when the variable is not set.
    virtual std::string environmentVariable(const std::string& name) = 0;
    // ANSI text of the system code page as UTF-8 (MultiByteToWideChar with CP_ACP, then
    // WideCharToMultiByte with CP_UTF8); bytes that do not convert become U+FFFD.
    virtual std::string ansiToUtf8(const std::string& text) = 0;
};

}  // namespace platform
