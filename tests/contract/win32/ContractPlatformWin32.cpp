// The contract tests' machine in the Windows build: the real calls.
#include "tests/contract/ContractPlatform.h"

#include <windows.h>

#include "platform/win32/Win32Platform.h"

platform::Platform& contractPlatform() {
    // One for the whole run: common controls are registered once, like in the program.
    static win32::Win32Platform machine;
    return machine.platform();
}

bool contractIsWin32() { return true; }

std::string contractHostPath(const std::string& windowsPath) { return windowsPath; }

void contractSetReadOnly(const std::string& windowsPath, bool readOnly) {
    const DWORD attributes = GetFileAttributesA(windowsPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(windowsPath.c_str(),
                       readOnly ? (attributes | FILE_ATTRIBUTE_READONLY) : (attributes & ~FILE_ATTRIBUTE_READONLY));
}

unsigned contractAnsiCodePage() { return GetACP(); }

bool contractIsWine() {
    // Wine's ntdll exports its version; Windows' never does.
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string contractModulePath(const std::string& name) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string program(path);
    return program.substr(0, program.find_last_of("\\/") + 1) + name;
}
