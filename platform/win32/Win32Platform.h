#pragma once
// The real Windows machine behind the platform interfaces. Free of <windows.h>, so that the
// program's entry point and the tests can hold one next to logic headers.
#include "platform/Platform.h"
#include "platform/win32/Win32ArchiveLibrary.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32ProfileReader.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Services.h"
#include "platform/win32/Win32Spooler.h"
#include "platform/win32/Win32SystemInfo.h"
#include "platform/win32/Win32Threads.h"
#include "platform/win32/Win32Ui.h"

namespace win32 {

class Win32Platform {
public:
    Win32Platform() = default;
    // The bundle refers to the members, so the object stays where it was made.
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    platform::Platform& platform() { return platform_; }

private:
    Win32Registry registry_;
    Win32Spooler spooler_;
    Win32Threads threads_;
    Win32Ui ui_;
    Win32FileSystem files_;
    Win32ProfileReader profiles_;
    Win32Services services_;
    Win32SystemInfo system_;
    Win32ArchiveLibraryLoader archives_;
    platform::Platform platform_{registry_, spooler_, threads_, ui_, files_, profiles_, services_, system_, archives_};
};

}  // namespace win32
