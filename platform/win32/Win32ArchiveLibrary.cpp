#include "platform/win32/Win32ArchiveLibrary.h"

#include <windows.h>

#include <atomic>
#include <utility>
#include <vector>

namespace win32 {
namespace {

using SevenZipFunction = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
using SetOwnerWindowExFunction = BOOL(WINAPI*)(HWND, LPVOID);
using KillOwnerWindowExFunction = BOOL(WINAPI*)(HWND);
using GetRunningFunction = BOOL(WINAPI*)();

// Owner of one loaded module. Move-only, so that FreeLibrary runs exactly once.
class UniqueModule {
public:
    UniqueModule() = default;
    explicit UniqueModule(HMODULE module) : module_(module) {}
    UniqueModule(const UniqueModule&) = delete;
    UniqueModule& operator=(const UniqueModule&) = delete;
    UniqueModule(UniqueModule&& other) noexcept : module_(std::exchange(other.module_, nullptr)) {}
    UniqueModule& operator=(UniqueModule&& other) noexcept {
        if (this != &other) reset(std::exchange(other.module_, nullptr));
        return *this;
    }
    ~UniqueModule() { reset(); }

    HMODULE get() const { return module_; }
    void reset(HMODULE module = nullptr) {
        if (module_ != nullptr) FreeLibrary(module_);
        module_ = module;
    }

private:
    HMODULE module_ = nullptr;
};

template <typename Function>
Function entryPoint(HMODULE module, const char* name) {
    // Through void (*)(), which GCC accepts as matching any function type.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

HWND toHwnd(std::uintptr_t window) { return reinterpret_cast<HWND>(window); }

// The DLL calls back with the stdcall convention, which the logic's plain function pointer
// does not have. Only one extraction runs at a time, so one slot is enough; atomic because
// the DLL may call from the thread that extracts while another thread sets the slot.
std::atomic<platform::ArchiveProgressCallback> progressCallback{nullptr};

BOOL CALLBACK progressTrampoline(HWND window, UINT message, UINT state, LPVOID info) {
    const platform::ArchiveProgressCallback callback = progressCallback.load();
    if (callback == nullptr) return TRUE;  // nobody listens: let the work go on
    return callback(reinterpret_cast<std::uintptr_t>(window), message, state, info);
}

class Win32ArchiveLibrary final : public platform::ArchiveLibrary {
public:
    explicit Win32ArchiveLibrary(UniqueModule module)
        : module_(std::move(module)),
          sevenZip_(entryPoint<SevenZipFunction>(module_.get(), "SevenZip")),
          setOwnerWindowEx_(entryPoint<SetOwnerWindowExFunction>(module_.get(), "SevenZipSetOwnerWindowEx")),
          killOwnerWindowEx_(entryPoint<KillOwnerWindowExFunction>(module_.get(), "SevenZipKillOwnerWindowEx")),
          getRunning_(entryPoint<GetRunningFunction>(module_.get(), "SevenZipGetRunning")) {}

    bool hasEntryPoint(const std::string& name) const override {
        if (name == "SevenZip") return sevenZip_ != nullptr;
        if (name == "SevenZipSetOwnerWindowEx") return setOwnerWindowEx_ != nullptr;
        if (name == "SevenZipKillOwnerWindowEx") return killOwnerWindowEx_ != nullptr;
        if (name == "SevenZipGetRunning") return getRunning_ != nullptr;
        return GetProcAddress(module_.get(), name.c_str()) != nullptr;
    }

    int sevenZip(std::uintptr_t ownerWindow, const std::string& command, std::string& output,
                 std::uint32_t outputSize) override {
        output.clear();
        if (sevenZip_ == nullptr) return -1;
        // One zero byte beyond what the DLL is told, so its text always ends in a NUL.
        std::vector<char> buffer(std::size_t{outputSize} + 1, '\0');
        const int result = sevenZip_(toHwnd(ownerWindow), command.c_str(), buffer.data(), outputSize);
        output = buffer.data();
        return result;
    }

    int setOwnerWindowEx(std::uintptr_t ownerWindow, platform::ArchiveProgressCallback callback) override {
        if (setOwnerWindowEx_ == nullptr) return -1;
        progressCallback.store(callback);
        void* const procedure = callback != nullptr ? reinterpret_cast<void*>(&progressTrampoline) : nullptr;
        return setOwnerWindowEx_(toHwnd(ownerWindow), procedure);
    }

    int killOwnerWindowEx(std::uintptr_t ownerWindow) override {
        if (killOwnerWindowEx_ == nullptr) return -1;
        return killOwnerWindowEx_(toHwnd(ownerWindow));
    }

private:
    UniqueModule module_;
    SevenZipFunction sevenZip_;
    SetOwnerWindowExFunction setOwnerWindowEx_;
    KillOwnerWindowExFunction killOwnerWindowEx_;
    GetRunningFunction getRunning_;
};

// The folder of the running program, with its trailing backslash; "" when unknown. The
// scan steps by CharNextA because in a double-byte code page a trail byte can be 0x5C.
std::string programFolder() {
    for (DWORD capacity = MAX_PATH; capacity <= 32768; capacity *= 2) {
        std::vector<char> buffer(capacity, '\0');
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), capacity);
        if (length == 0) return {};
        if (length >= capacity) continue;  // truncated
        const char* lastSeparator = nullptr;
        for (const char* p = buffer.data(); *p != '\0'; p = CharNextA(p)) {
            if (*p == '\\') lastSeparator = p;
        }
        if (lastSeparator == nullptr) return {};
        return std::string(buffer.data(), static_cast<std::size_t>(lastSeparator - buffer.data()) + 1);
    }
    return {};
}

// The system folder with a trailing backslash; "" when unknown.
std::string systemFolder() {
    std::vector<char> buffer(MAX_PATH + 1, '\0');
    const UINT length = GetSystemDirectoryA(buffer.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::string folder(buffer.data(), length);
    if (folder.back() != '\\') folder += '\\';
    return folder;
}

// The search flags came with the update that added SetDefaultDllDirectories (KB2533623,
// built into Windows 8); the documented way to tell is whether kernel32 exports it. A system
// without them refuses them with ERROR_INVALID_PARAMETER.
bool searchFlagsKnown() {
    const HMODULE kernel32 = GetModuleHandleA("kernel32");
    return kernel32 != nullptr && GetProcAddress(kernel32, "SetDefaultDllDirectories") != nullptr;
}

}  // namespace

std::unique_ptr<platform::ArchiveLibrary> Win32ArchiveLibraryLoader::load(const std::string& fileName) {
    HMODULE module = nullptr;
    if (search_ == Search::Detect && searchFlagsKnown()) {
        module = LoadLibraryExA(fileName.c_str(), nullptr,
                                LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    } else {
        // A full path is loaded from there alone. As the search would, the system folder is
        // tried only when the program's folder has no such file.
        const std::string folder = programFolder();
        if (!folder.empty()) module = LoadLibraryExA((folder + fileName).c_str(), nullptr, 0);
        if (module == nullptr && GetLastError() == ERROR_MOD_NOT_FOUND) {
            const std::string system = systemFolder();
            if (!system.empty()) module = LoadLibraryExA((system + fileName).c_str(), nullptr, 0);
        }
    }
    if (module == nullptr) return nullptr;
    return std::make_unique<Win32ArchiveLibrary>(UniqueModule(module));
}

}  // namespace win32
