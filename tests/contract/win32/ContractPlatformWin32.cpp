// The contract tests' machine in the Windows build: the real calls.
#include "tests/contract/ContractPlatform.h"

#include "platform/win32/Win32Platform.h"

platform::Platform& contractPlatform() {
    // One for the whole run: common controls are registered once, like in the program.
    static win32::Win32Platform machine;
    return machine.platform();
}

bool contractIsWin32() { return true; }
