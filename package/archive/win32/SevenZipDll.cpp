// 7-zip32.dll: the archive library the installer loads by name. It offers the four entry
// points the installer resolves and one command, extraction of a ZIP archive with stored
// paths, overwriting, without a window: x -y "ARCHIVE" -o"FOLDER" -hide.
#include "package/archive/Extractor.h"
#include "package/archive/SevenZipCommand.h"
#include "package/archive/win32/Win32Files.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

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

// The caller reads ANSI text: the engine's UTF-8 text in the process's code page. `exact` says
// whether every character had its own there (a name that needs a stand-in names no file).
std::string toAnsi(const std::string& utf8, bool* exact = nullptr) {
    std::string ansi;
    std::wstring wide;
    if (!archive::utf8ToWide(utf8, wide) || wide.empty()) {
        if (exact) *exact = false;
        return ansi;
    }
    const int wideLength = static_cast<int>(wide.size());
    // A UTF-8 system code page holds every character and takes neither the flag nor the
    // question whether a default character was used.
    const bool utf8System = GetACP() == CP_UTF8;
    const DWORD flags = utf8System ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* const askDefault = utf8System ? nullptr : &usedDefault;
    const int length = WideCharToMultiByte(CP_ACP, flags, wide.data(), wideLength, nullptr, 0, nullptr, askDefault);
    if (length > 0) {
        ansi.resize(static_cast<std::size_t>(length));
        WideCharToMultiByte(CP_ACP, flags, wide.data(), wideLength, ansi.data(), length, nullptr, askDefault);
    }
    if (exact) *exact = length > 0 && !usedDefault;
    return ansi;
}

// The longest prefix of at most `limit` bytes that does not split a double-byte character.
std::size_t fittingPrefix(const std::string& ansi, std::size_t limit) {
    std::size_t keep = 0;
    for (std::size_t next = 0; next < ansi.size() && next < limit;) {
        const std::size_t width = IsDBCSLeadByte(static_cast<BYTE>(ansi[next])) ? 2 : 1;
        if (next + width > limit || next + width > ansi.size()) break;
        next += width;
        keep = next;
    }
    return keep;
}

// The one-line summary, cut at a character boundary if it must be; after it, when it fits
// whole, one line per file written ("Ticket\x86\a.gpd\r\n", relative to the output folder),
// as many whole lines as the buffer holds. A caller that removes what the extraction wrote
// reads them; one that only shows the text sees the summary first.
void writeOutput(LPSTR output, DWORD outputSize, const std::string& summary,
                 const std::vector<std::string>& written = {}) {
    if (output == nullptr || outputSize == 0) return;
    const std::size_t room = outputSize - 1;
    const std::string first = toAnsi(summary);
    std::string text = first.substr(0, fittingPrefix(first, room));
    if (text.size() == first.size() && text.size() + 2 <= room) {
        text += "\r\n";
        for (const std::string& path : written) {
            std::string backslashed = path;
            // "/" is never part of a UTF-8 multibyte character, so this is safe before the
            // conversion, which is where a trail byte of 0x5C could appear.
            std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
            bool exact = false;
            std::string line = toAnsi(backslashed, &exact);
            if (!exact) continue;
            line += "\r\n";
            if (text.size() + line.size() > room) break;
            text += line;
        }
    }
    CopyMemory(output, text.data(), text.size());
    output[text.size()] = '\0';
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

int run(LPCSTR commandText, std::string& message, std::vector<std::string>& written) {
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
    auto result = archive::extractArchive(*source, *output);
    message = result.message;
    written = std::move(result.written);
    return resultFor(result.status);
}

}  // namespace

extern "C" {

int WINAPI SevenZip(HWND, LPCSTR command, LPSTR output, DWORD outputSize) {
    if (running.exchange(true)) {
        writeOutput(output, outputSize, "another extraction is running");
        return kBusy;
    }
    int result = kInternalError;
    std::string message = "internal error";
    std::vector<std::string> written;
    // Nothing may unwind into the caller, which is not C++.
    try {
        result = run(command, message, written);
    } catch (...) {
        result = kInternalError;
        message = "internal error (out of memory?)";
    }
    try {
        writeOutput(output, outputSize, message, written);
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
