#include "platform/win32/Win32Threads.h"

#include <memory>

#include "platform/win32/Win32ThreadState.h"

namespace win32 {
namespace {

using Body = std::function<void()>;

DWORD WINAPI threadProc(LPVOID parameter) {
    const std::unique_ptr<Body> body(static_cast<Body*>(parameter));
    (*body)();
    return 0;
}

}  // namespace

platform::ThreadHandle Win32Threads::start(std::function<void()> body) {
    auto owned = std::make_unique<Body>(std::move(body));
    DWORD threadId = 0;
    UniqueHandle thread(CreateThread(nullptr, 0, threadProc, owned.get(), 0, &threadId));
    if (!thread.valid()) return platform::ThreadHandle();  // the body dies here, never having run
    // From here the new thread owns the body and frees it when it returns.
    static_cast<void>(owned.release());
    return platform::ThreadHandle(std::make_unique<Win32ThreadState>(std::move(thread)));
}

}  // namespace win32
