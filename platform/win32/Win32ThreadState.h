#pragma once
// The thread handle behind a platform::ThreadHandle made by Win32Threads. The window code
// needs the handle itself to wait on it while still dispatching sent messages.
#include <windows.h>

#include "platform/Threads.h"
#include "platform/win32/UniqueHandle.h"

namespace win32 {

class Win32ThreadState final : public platform::ThreadState {
public:
    explicit Win32ThreadState(UniqueHandle thread) : thread_(std::move(thread)) {}
    bool finished() const override { return WaitForSingleObject(thread_.get(), 0) == WAIT_OBJECT_0; }
    HANDLE handle() const { return thread_.get(); }

private:
    UniqueHandle thread_;
};

}  // namespace win32
