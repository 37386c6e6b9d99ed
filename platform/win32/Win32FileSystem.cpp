#include "platform/win32/Win32FileSystem.h"

#include <windows.h>

#include "platform/win32/LastError.h"
#include "platform/win32/UniqueHandle.h"

#include <utility>

namespace win32 {

namespace {

// Owns a FindFirstFileA handle. Such a handle is closed with FindClose, not CloseHandle,
// which is why UniqueHandle does not fit.
class Win32FileSearch final : public platform::FileSearch {
public:
    explicit Win32FileSearch(HANDLE search) : search_(search) {}
    ~Win32FileSearch() override { FindClose(search_); }
    Win32FileSearch(const Win32FileSearch&) = delete;
    Win32FileSearch& operator=(const Win32FileSearch&) = delete;

    bool next(platform::FindData& entry) override {
        WIN32_FIND_DATAA data;
        if (!FindNextFileA(search_, &data)) return false;
        entry = {data.cFileName, data.dwFileAttributes};
        return true;
    }

private:
    HANDLE search_;
};


}  // namespace

std::string Win32FileSystem::currentDirectory(std::uint32_t bufferSize) {
    // One byte more than announced, so that even a zero-byte buffer has an address.
    std::string buffer(bufferSize + 1, '\0');
    const DWORD length = GetCurrentDirectoryA(bufferSize, buffer.data());
    // A path that does not fit comes back as the size it needs, its NUL included.
    if (length == 0 || length >= bufferSize) return {};
    buffer.resize(length);
    return buffer;
}

std::uint32_t Win32FileSystem::fileAttributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

platform::FileSearchHandle Win32FileSystem::findFirst(const std::string& pattern, platform::FindData& first) {
    WIN32_FIND_DATAA data;
    const HANDLE search = FindFirstFileA(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return nullptr;
    first = {data.cFileName, data.dwFileAttributes};
    return std::make_unique<Win32FileSearch>(search);
}

long Win32FileSystem::deleteFile(const std::string& path) { return lastErrorUnless(DeleteFileA(path.c_str())); }

long Win32FileSystem::removeDirectory(const std::string& path) {
    return lastErrorUnless(RemoveDirectoryA(path.c_str()));
}

long Win32FileSystem::copyFile(const std::string& from, const std::string& to, bool failIfExists) {
    return lastErrorUnless(CopyFileA(from.c_str(), to.c_str(), failIfExists));
}

long Win32FileSystem::createDirectory(const std::string& path) {
    return lastErrorUnless(CreateDirectoryA(path.c_str(), nullptr));
}

long Win32FileSystem::appendFile(const std::string& path, const std::string& bytes) {
    // FILE_APPEND_DATA alone makes every write land at the end, also when another process
    // appends to the same log; readers may share it meanwhile.
    UniqueHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return static_cast<long>(GetLastError());
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        return static_cast<long>(GetLastError());
    }
    return written == bytes.size() ? 0 : static_cast<long>(ERROR_WRITE_FAULT);
}

}  // namespace win32
