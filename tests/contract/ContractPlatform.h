#pragma once
#include <string>

#include "platform/Platform.h"

// The implementation under test: the simulated machine natively, the real Windows calls in
// the cross-compiled build that runs under Wine.
platform::Platform& contractPlatform();

// True when the tests run against the real Windows calls.
bool contractIsWin32();

// Where the test itself writes a file that the implementation then reads at `windowsPath`
// (with std::ofstream): the simulated drive's host folder natively, the path itself in the
// Windows build.
std::string contractHostPath(const std::string& windowsPath);

// SetFileAttributesA's read-only bit, which the logic never sets but must cope with.
void contractSetReadOnly(const std::string& windowsPath, bool readOnly);

// The ANSI code page the text is read in (GetACP): Wine takes it from the host's locale.
unsigned contractAnsiCodePage();

// True under Wine, whose behaviour departs from Windows' in a few places the tests name.
bool contractIsWine();

// Where the implementation finds one of the project's real monitor DLLs, "tvkMonNT.dll"
// (32-bit) or "tvkMon64.dll" (64-bit): beside the tests under Windows, a copy of the demo
// package's file on the simulated drive.
std::string contractModulePath(const std::string& name);
