#include "package/archive/win32/Win32Files.h"

namespace archive {
namespace {

std::string describe(DWORD code) {
    switch (code) {
    case ERROR_CANT_ACCESS_FILE:
        return "is a link or junction, not followed";
    case ERROR_DIRECTORY:
        return "is not a folder";
    case ERROR_ACCESS_DENIED:
        return "access denied";
    case ERROR_DISK_FULL:
        return "disk full";
    case ERROR_SHARING_VIOLATION:
        return "in use by another program";
    default:
        return "error " + std::to_string(code);
    }
}

class Win32PendingFile final : public PendingFile {
public:
    Win32PendingFile(WinHandle file, std::wstring temporary, std::wstring final)
        : file_(std::move(file)), temporary_(std::move(temporary)), final_(std::move(final)) {}

    ~Win32PendingFile() override {
        if (committed_) return;
        file_.reset();
        DeleteFileW(temporary_.c_str());
    }

    bool write(std::span<const std::uint8_t> data) override {
        while (!data.empty()) {
            const auto piece = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 30));
            DWORD written = 0;
            if (!WriteFile(file_.get(), data.data(), piece, &written, nullptr) || written == 0) return fail("cannot write");
            data = data.subspan(written);
        }
        return true;
    }

    bool commit() override {
        if (!file_.close()) return fail("cannot write");
        // A rename replaces a link at the final name instead of writing through it.
        if (!MoveFileExW(temporary_.c_str(), final_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            if (GetLastError() != ERROR_ACCESS_DENIED) return fail("cannot replace");
            // "-y" overwrites read-only files too; links and folders keep their refusal.
            const DWORD attributes = GetFileAttributesW(final_.c_str());
            constexpr DWORD kNever = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
            if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY) ||
                (attributes & kNever))
                return fail("cannot replace", ERROR_ACCESS_DENIED);
            if (!SetFileAttributesW(final_.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY}) ||
                !MoveFileExW(temporary_.c_str(), final_.c_str(), MOVEFILE_REPLACE_EXISTING))
                return fail("cannot replace");
        }
        committed_ = true;
        return true;
    }

    std::string lastError() const override { return error_; }

private:
    bool fail(const char* what, DWORD code = GetLastError()) {
        error_ = std::string(what) + ": " + describe(code);
        return false;
    }

    WinHandle file_;
    std::wstring temporary_;
    std::wstring final_;
    bool committed_ = false;
    std::string error_;
};

// GetFullPathNameW, then the "\\?\" prefix that turns off the Win32 name rewriting (trailing
// dots, device names, MAX_PATH); the engine has already refused names that depend on it.
bool extendedPath(const std::wstring& path, std::wstring& extended) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return false;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return false;
    full.resize(length);
    while (full.size() > 3 && full.back() == L'\\') full.pop_back();
    if (full.rfind(L"\\\\?\\", 0) == 0)
        extended = full;
    else if (full.rfind(L"\\\\", 0) == 0)
        extended = L"\\\\?\\UNC\\" + full.substr(2);
    else
        extended = L"\\\\?\\" + full;
    return true;
}

// The resolved-path check needs two calls that kernel32 has only since Vista; they are looked
// up so that the library still loads on XP. Where either is missing the check is off and the
// attribute check alone refuses links: XP has junctions, which carry the reparse-point
// attribute, and no symbolic links.
using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
using CompareOrdinalFunction = int(WINAPI*)(LPCWCH, int, LPCWCH, int, BOOL);

struct ResolvedPathCalls {
    FinalPathFunction finalPath = nullptr;
    CompareOrdinalFunction compareOrdinal = nullptr;
};

template <typename Function>
Function kernel32Function(const char* name) {
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    if (kernel32 == nullptr) return nullptr;
    // Through void (*)(), which GCC accepts as matching any function type.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(kernel32, name)));
}

const ResolvedPathCalls& resolvedPathCalls() {
    static const ResolvedPathCalls calls = [] {
        ResolvedPathCalls found{kernel32Function<FinalPathFunction>("GetFinalPathNameByHandleW"),
                                kernel32Function<CompareOrdinalFunction>("CompareStringOrdinal")};
        if (found.finalPath == nullptr || found.compareOrdinal == nullptr) found = ResolvedPathCalls{};
        return found;
    }();
    return calls;
}

// The path the file system reports for an open handle, without a trailing backslash; empty
// when it cannot tell.
std::wstring finalPath(HANDLE handle) {
    const FinalPathFunction getFinalPath = resolvedPathCalls().finalPath;
    if (getFinalPath == nullptr) return {};
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length =
            getFinalPath(handle, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            while (!path.empty() && path.back() == L'\\') path.pop_back();
            return path;
        }
        path.resize(length);
    }
    return {};
}

// Only reached when finalPath gave paths, so the comparison is there too.
bool samePath(const std::wstring& a, const std::wstring& b) {
    return resolvedPathCalls().compareOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

bool utf8ToWide(std::string_view utf8, std::wstring& wide) {
    wide.clear();
    if (utf8.empty()) return true;
    const int size = static_cast<int>(utf8.size());
    const int needed = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    if (needed <= 0) return false;
    wide.resize(static_cast<std::size_t>(needed));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), needed) == needed;
}

std::unique_ptr<Win32ArchiveSource> Win32ArchiveSource::open(const std::wstring& path, std::string& error) {
    WinHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file.valid() || GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.get(), &size)) {
        error = "cannot open the archive: " + describe(GetLastError());
        return nullptr;
    }
    return std::make_unique<Win32ArchiveSource>(std::move(file), static_cast<std::uint64_t>(size.QuadPart));
}

bool Win32ArchiveSource::readExact(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    while (!buffer.empty()) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        const auto piece = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file_.get(), buffer.data(), piece, &got, &at) || got == 0) return false;
        buffer = buffer.subspan(got);
        offset += got;
    }
    return true;
}

std::unique_ptr<Win32OutputTree> Win32OutputTree::open(const std::wstring& root, std::string& error) {
    std::wstring base;
    if (!extendedPath(root, base)) {
        error = "bad output folder name";
        return nullptr;
    }
    // Create missing levels, as 7-Zip's -o does; existing ones and the volume's root give
    // errors that the open below sorts out.
    for (std::size_t slash = base.find(L'\\', 4); slash != std::wstring::npos; slash = base.find(L'\\', slash + 1))
        CreateDirectoryW(base.substr(0, slash).c_str(), nullptr);
    CreateDirectoryW(base.c_str(), nullptr);
    // The trailing backslash matters for a volume root: "\\?\C:" names the volume itself.
    const std::wstring folder = base.back() == L'\\' ? base : base + L"\\";
    WinHandle handle(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle.valid() || !GetFileInformationByHandle(handle.get(), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = "cannot open the output folder: " + describe(GetLastError());
        return nullptr;
    }
    if (base.back() == L'\\') base.pop_back();
    auto tree = std::make_unique<Win32OutputTree>(std::move(base), std::move(handle));
    tree->rootFinal_ = finalPath(tree->root_.get());
    return tree;
}

void Win32OutputTree::failWith(const std::string& what, const std::string& name, DWORD code) {
    error_ = what + " '" + name + "': " + describe(code);
}

const std::wstring* Win32OutputTree::enter(std::span<const std::string> folders) {
    std::size_t keep = 0;
    while (keep < chain_.size() && keep < folders.size() && chain_[keep].name == folders[keep]) ++keep;
    chain_.resize(keep);
    for (std::size_t i = keep; i < folders.size(); ++i) {
        const auto& name = folders[i];
        std::wstring wideName;
        if (!utf8ToWide(name, wideName)) {
            failWith("cannot create folder", name, ERROR_INVALID_NAME);
            return nullptr;
        }
        std::wstring path = (chain_.empty() ? base_ : chain_.back().path) + L"\\" + wideName;
        if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            failWith("cannot create folder", name, GetLastError());
            return nullptr;
        }
        // CreateDirectoryW stops at an existing junction with "already exists"; opening the
        // name itself rather than its target shows what it is.
        WinHandle handle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        BY_HANDLE_FILE_INFORMATION info{};
        if (!handle.valid() || !GetFileInformationByHandle(handle.get(), &info)) {
            failWith("cannot enter folder", name, GetLastError());
            return nullptr;
        }
        if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            failWith("cannot enter folder", name, ERROR_DIRECTORY);
            return nullptr;
        }
        // The attribute shows junctions and symbolic links; the path the handle really reached
        // also shows links the attribute does not (Wine presents Unix symbolic links as
        // plain folders) and anything that resolves elsewhere.
        std::wstring reached;
        if (!rootFinal_.empty()) {
            reached = finalPath(handle.get());
            const auto& parentFinal = chain_.empty() ? rootFinal_ : chain_.back().finalPath;
            if (reached.empty() || !samePath(reached, parentFinal + L"\\" + wideName)) {
                failWith("cannot enter folder", name, ERROR_CANT_ACCESS_FILE);
                return nullptr;
            }
        }
        if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            failWith("cannot enter folder", name, ERROR_CANT_ACCESS_FILE);
            return nullptr;
        }
        chain_.push_back(Level{name, std::move(path), std::move(reached), std::move(handle)});
    }
    return chain_.empty() ? &base_ : &chain_.back().path;
}

bool Win32OutputTree::makeDirectory(std::span<const std::string> path) { return enter(path) != nullptr; }

std::unique_ptr<PendingFile> Win32OutputTree::createFile(std::span<const std::string> path) {
    if (path.empty()) return nullptr;
    const std::wstring* folder = enter(path.first(path.size() - 1));
    if (!folder) return nullptr;
    std::wstring wideName;
    if (!utf8ToWide(path.back(), wideName)) {
        failWith("cannot create", path.back(), ERROR_INVALID_NAME);
        return nullptr;
    }
    // CREATE_NEW: the temporary name is always a new file of ours, never something planted.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring temporary = *folder + L"\\.drvunzip-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                 std::to_wstring(++counter_) + L".tmp";
        WinHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                   nullptr));
        if (file.valid())
            return std::make_unique<Win32PendingFile>(std::move(file), std::move(temporary),
                                                      *folder + L"\\" + wideName);
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    failWith("cannot create", path.back(), GetLastError());
    return nullptr;
}

}  // namespace archive
