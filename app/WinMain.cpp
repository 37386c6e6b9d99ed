// The program's entry point: the real Windows machine, handed to the application.
//
// The logic's headers come before <windows.h>: they may declare names that windows.h turns
// into macros (ERROR_SUCCESS, IDOK...), which is harmless once those declarations are parsed.
#include "app/InstallerApp.h"
#include "platform/win32/Win32Platform.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    win32::Win32Platform machine;
    InstallerApp app(machine.platform());
    app.initInstance();
    return 0;
}
