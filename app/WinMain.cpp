// The program's entry point: the real Windows machine, handed to the application. Started
// with arguments it runs the command line for deployment tools instead of the window.
//
// The logic's headers come before <windows.h>: they may declare names that windows.h turns
// into macros (ERROR_SUCCESS, IDOK...), which is harmless once those declarations are parsed.
#include "app/CommandLine.h"
#include "app/CommandLineRun.h"
#include "app/InstallerApp.h"
#include "platform/win32/Win32Platform.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    win32::Win32Platform machine;
    const std::string text = commandLine != nullptr ? commandLine : "";
    const CommandLine command = parseCommandLine(splitCommandLine(text));
    if (command.action != CommandAction::Window) return runCommandLine(machine.platform(), command, text);
    InstallerApp app(machine.platform());
    app.initInstance();
    return 0;
}
