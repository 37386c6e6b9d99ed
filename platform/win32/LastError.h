#pragma once
// The error a failed BOOL call of Windows leaves. A failure whose error was never set must not
// read as success, so it becomes ERROR_GEN_FAILURE.
#include <windows.h>

namespace win32 {

inline long lastErrorUnless(BOOL succeeded) {
    if (succeeded) return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? static_cast<long>(error) : ERROR_GEN_FAILURE;
}

}  // namespace win32
