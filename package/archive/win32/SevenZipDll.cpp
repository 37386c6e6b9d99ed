// 7-zip32.dll: the archive library the installer loads by name. It offers the four entry
// points the installer resolves and one command, extraction of a ZIP archive with stored
// paths, overwriting, without a window: x -y "ARCHIVE" -o"FOLDER" -hide.
#include "package/archive/Extractor.h"
#include "package/archive/SevenZipCommand.h"
#include "package/archive/win32/Win32Files.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace {

// Results other than 0; the installer only tells 0 from the rest.
enum SevenZipResult : int {
    kSuccess = 0,
    kBadCommand = 1,
    kCannotOpen = 2,
    kDamaged = 3,
    kRefused = 4,
    kWriteFailed = 5,
    kBusy = 6,
    kInternalError = 7,
};

std::atomic<bool> running{false};
// Kept as the caller registered it; the extraction shows no progress, so it is never called.
std::atomic<LPARAM> progressCallback{0};

bool ansiToWide(const std::string& ansi, std::wstring& wide) {
    wide.clear();
    if (ansi.empty()) return false;
    const int size = static_cast<int>(ansi.size());
    const int needed = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), size, nullptr, 0);
    if (needed <= 0) return false;
    wide.resize(static_cast<std::size_t>(needed));
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), size, wide.data(), needed) == needed;
}

// The caller reads ANSI text: the engine's UTF-8 message is converted to the process's code
// page and cut at a character boundary so that a double-byte character is never split.
void writeMessage(LPSTR output, DWORD outputSize, const std::string& utf8) {
    if (output == nullptr || outputSize == 0) return;
    std::string ansi;
    std::wstring wide;
    if (archive::utf8ToWide(utf8, wide) && !wide.empty()) {
        const int wideLength = static_cast<int>(wide.size());
        const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
        if (length > 0) {
            ansi.resize(static_cast<std::size_t>(length));
            WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, ansi.data(), length, nullptr, nullptr);
        }
    }
    std::size_t keep = 0;
    for (std::size_t next = 0; next < ansi.size() && next < outputSize - 1;) {
        const std::size_t width = IsDBCSLeadByte(static_cast<BYTE>(ansi[next])) ? 2 : 1;
        if (next + width > outputSize - 1 || next + width > ansi.size()) break;
        next += width;
        keep = next;
    }
    CopyMemory(output, ansi.data(), keep);
    output[keep] = '\0';
}

int resultFor(archive::ExtractStatus status) {
    switch (status) {
    case archive::ExtractStatus::Ok:
        return kSuccess;
    case archive::ExtractStatus::CannotOpen:
        return kCannotOpen;
    case archive::ExtractStatus::Damaged:
        return kDamaged;
    case archive::ExtractStatus::Refused:
        return kRefused;
    case archive::ExtractStatus::WriteFailed:
        return kWriteFailed;
    }
    return kInternalError;
}

int run(LPCSTR commandText, std::string& message) {
    archive::SevenZipCommand command;
    if (commandText == nullptr || !archive::parseSevenZipCommand(commandText, command, message))
        return kBadCommand;
    std::wstring archivePath;
    std::wstring outputFolder;
    if (!ansiToWide(command.archive, archivePath) || !ansiToWide(command.outputFolder, outputFolder)) {
        message = "paths are not valid text in the system code page";
        return kBadCommand;
    }
    auto source = archive::Win32ArchiveSource::open(archivePath, message);
    if (!source) return kCannotOpen;
    auto output = archive::Win32OutputTree::open(outputFolder, message);
    if (!output) return kCannotOpen;
    const auto result = archive::extractArchive(*source, *output);
    message = result.message;
    return resultFor(result.status);
}

}  // namespace

extern "C" {

int WINAPI SevenZip(HWND, LPCSTR command, LPSTR output, DWORD outputSize) {
    if (running.exchange(true)) {
        writeMessage(output, outputSize, "another extraction is running");
        return kBusy;
    }
    int result = kInternalError;
    std::string message = "internal error";
    // Nothing may unwind into the caller, which is not C++.
    try {
        result = run(command, message);
    } catch (...) {
        result = kInternalError;
        message = "internal error (out of memory?)";
    }
    try {
        writeMessage(output, outputSize, message);
    } catch (...) {
        if (output && outputSize > 0) output[0] = '\0';
    }
    running = false;
    return result;
}

BOOL WINAPI SevenZipSetOwnerWindowEx(HWND, LPARAM callback) {
    progressCallback = callback;
    return TRUE;
}

BOOL WINAPI SevenZipKillOwnerWindowEx(HWND) {
    progressCallback = 0;
    return TRUE;
}

BOOL WINAPI SevenZipGetRunning(void) { return running ? TRUE : FALSE; }

}  // extern "C"
