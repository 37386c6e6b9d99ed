#include "platform/win32/Win32SystemInfo.h"

#include <windows.h>

#include <vector>

#include "platform/win32/UniqueHandle.h"

namespace win32 {
namespace {

using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);

// Looked up rather than linked: kernel32 of the oldest systems served lacks it, and a missing
// import would stop the program from starting at all.
IsWow64ProcessFunction findIsWow64Process() {
    const HMODULE kernel32 = GetModuleHandleA("kernel32");
    if (kernel32 == nullptr) return nullptr;
    // Through void (*)(), which GCC accepts as matching any function type.
    return reinterpret_cast<IsWow64ProcessFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel32, "IsWow64Process")));
}

// GetSystemDirectoryA and GetWindowsDirectoryA answer alike: the length without the NUL, or
// the size needed (NUL included) when the buffer is too small.
template <typename Call>
std::string directory(std::uint32_t bufferSize, Call call) {
    // One byte more than announced, so that even a zero-byte buffer has an address.
    std::vector<char> buffer(std::size_t{bufferSize} + 1, '\0');
    const UINT length = call(buffer.data(), bufferSize);
    if (length == 0 || length >= bufferSize) return {};
    return std::string(buffer.data(), length);
}

}  // namespace

bool Win32SystemInfo::getVersionEx(std::uint32_t structSize, platform::OsVersion& version) {
    OSVERSIONINFOEXA info{};
    // The size is the caller's to choose, so that both structure sizes can be asked for; a
    // larger one would let the call write past the structure.
    if (structSize > sizeof(info)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    info.dwOSVersionInfoSize = structSize;
    // Deprecated because a manifest can make it lie; the version classes the caller draws
    // are the ones it has always drawn from this very call.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL succeeded = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info));
#pragma GCC diagnostic pop
    if (!succeeded) return false;
    version.platformId = info.dwPlatformId;
    version.majorVersion = info.dwMajorVersion;
    version.minorVersion = info.dwMinorVersion;
    return true;
}

bool Win32SystemInfo::hasIsWow64Process() { return findIsWow64Process() != nullptr; }

void Win32SystemInfo::isWow64Process(std::int32_t& wow64) {
    const IsWow64ProcessFunction isWow64 = findIsWow64Process();
    if (isWow64 == nullptr) return;
    // Starts from the caller's value, so a failing call leaves it as it was.
    BOOL result = wow64;
    isWow64(GetCurrentProcess(), &result);
    wow64 = result;
}

void Win32SystemInfo::sleep(std::uint32_t milliseconds) { Sleep(milliseconds); }

std::string Win32SystemInfo::systemDirectory(std::uint32_t bufferSize) {
    return directory(bufferSize, [](char* buffer, UINT size) { return GetSystemDirectoryA(buffer, size); });
}

std::string Win32SystemInfo::windowsDirectory(std::uint32_t bufferSize) {
    return directory(bufferSize, [](char* buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); });
}

bool Win32SystemInfo::enableLoadDriverPrivilege() {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &opened)) return false;
    const UniqueHandle token(opened);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueA(nullptr, "SeLoadDriverPrivilege", &privileges.Privileges[0].Luid)) return false;
    // Succeeds with ERROR_NOT_ALL_ASSIGNED when the token lacks the privilege; the spooler
    // then refuses what needs it and reports that itself.
    return AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr) != FALSE;
}

platform::LocalTime Win32SystemInfo::localTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return platform::LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

std::string Win32SystemInfo::environmentVariable(const std::string& name) {
    // The value may grow between the two calls; ask again until it fits.
    std::vector<char> buffer(256);
    for (;;) {
        const DWORD length = GetEnvironmentVariableA(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

std::string Win32SystemInfo::ansiToUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (wideLength <= 0) return {};
    std::vector<wchar_t> wide(static_cast<std::size_t>(wideLength));
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), wideLength);
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

}  // namespace win32
