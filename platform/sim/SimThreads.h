#pragma once
// Threads of the simulated machine. They are real threads; the machine joins every one of
// them before it goes, so no test leaves a thread running into the next.
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Threads.h"

namespace sim {

class SimThreads : public platform::Threads {
public:
    ~SimThreads() override;
    platform::ThreadHandle start(std::function<void()> body) override;

    // The next start fails, as CreateThread may.
    void failNextStart() { failNext_ = true; }
    // True when every thread started so far has returned.
    bool allFinished() const;
    void joinAll();

private:
    mutable std::mutex mutex_;
    std::vector<std::thread> threads_;
    std::vector<std::shared_ptr<std::atomic<bool>>> doneFlags_;
    std::atomic<bool> failNext_{false};
};

}  // namespace sim
