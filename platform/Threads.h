#pragma once
// Worker threads. A handle owns the thread's handle, not its lifetime: dropping it neither
// waits for nor stops the thread, as with CloseHandle on a CreateThread result.
#include <functional>
#include <memory>

namespace platform {

class ThreadState {
public:
    virtual ~ThreadState() = default;
    // True once the thread's function has returned.
    virtual bool finished() const = 0;
};

class ThreadHandle {
public:
    ThreadHandle() = default;
    explicit ThreadHandle(std::unique_ptr<ThreadState> state) : state_(std::move(state)) {}
    bool valid() const { return state_ != nullptr; }
    ThreadState* state() const { return state_.get(); }

private:
    std::unique_ptr<ThreadState> state_;
};

class Threads {
public:
    virtual ~Threads() = default;
    // CreateThread: runs `body` on a new thread. An invalid handle means the thread was not
    // created and `body` will never run.
    virtual ThreadHandle start(std::function<void()> body) = 0;
};

}  // namespace platform
