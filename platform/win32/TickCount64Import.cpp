// The thread runtime that the compiler links in statically (winpthreads, under libstdc++'s
// mutexes and condition variables) measures its timed waits with GetTickCount64, which
// kernel32 has only since Vista. A static import of it keeps the program from loading on XP
// at all. Its import slot is defined here instead, so the linker takes this definition
// rather than kernel32's: the slot starts at a resolver that looks the function up in the
// running kernel32 and, where it is missing, counts on from GetTickCount.
//
// This file must be linked as an object of the program, not from a library: the runtime that
// needs the slot comes after every library of ours on the link line.
#include <windows.h>

#include <cstdint>

#include "platform/win32/TickCountFold.h"

namespace {

using TickCount64Function = ULONGLONG(WINAPI*)();

// The 32-bit count wraps every 49.7 days; each reading is folded into the last (foldTickCount).
// A wrap between two readings goes unseen only when they are more than 49.7 days apart, which
// no wait of the runtime is.
ULONGLONG WINAPI tickCountFromGetTickCount() {
    static volatile std::uint64_t state = 0;
    for (;;) {
        const std::uint64_t seen = __sync_val_compare_and_swap(&state, 0, 0);  // an atomic read
        const std::uint64_t next = win32::foldTickCount(seen, GetTickCount());
        if (__sync_bool_compare_and_swap(&state, seen, next)) return next;
    }
}

ULONGLONG WINAPI resolveTickCount64();

}  // namespace

// The name the compiler gives kernel32's import slot for a dllimport call of GetTickCount64.
extern "C" {
extern TickCount64Function tickCount64Slot __asm__("__imp__GetTickCount64@0");
TickCount64Function tickCount64Slot = resolveTickCount64;
}

namespace {

ULONGLONG WINAPI resolveTickCount64() {
    TickCount64Function function = tickCountFromGetTickCount;
    if (const HMODULE kernel32 = GetModuleHandleA("kernel32")) {
        // Through void (*)(), which GCC accepts as matching any function type.
        if (const auto found = reinterpret_cast<TickCount64Function>(
                reinterpret_cast<void (*)()>(GetProcAddress(kernel32, "GetTickCount64"))))
            function = found;
    }
    // Threads that race here store the same pointer; a pointer-sized store is atomic on x86.
    tickCount64Slot = function;
    return function();
}

}  // namespace
