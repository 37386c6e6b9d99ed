#pragma once
// The error a failed call of Windows leaves. A failure whose error was never set must not
// read as success, so it becomes ERROR_GEN_FAILURE. Every wrapper that reports a failed call's
// error goes through here, whether the call returns a BOOL, a handle or a count.
#include <windows.h>

namespace win32 {

// The error of a call that has just failed.
inline long lastFailure() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? static_cast<long>(error) : ERROR_GEN_FAILURE;
}

inline long lastErrorUnless(BOOL succeeded) { return succeeded ? ERROR_SUCCESS : lastFailure(); }

}  // namespace win32
