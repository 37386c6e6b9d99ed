#pragma once
// Worker threads through CreateThread.
#include "platform/Threads.h"

namespace win32 {

class Win32Threads final : public platform::Threads {
public:
    platform::ThreadHandle start(std::function<void()> body) override;
};

}  // namespace win32
