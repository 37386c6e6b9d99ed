#include "platform/sim/SimThreads.h"

namespace sim {

namespace {

class SimThreadState : public platform::ThreadState {
public:
    explicit SimThreadState(std::shared_ptr<std::atomic<bool>> done) : done_(std::move(done)) {}
    bool finished() const override { return done_->load(); }

private:
    std::shared_ptr<std::atomic<bool>> done_;
};

}  // namespace

SimThreads::~SimThreads() { joinAll(); }

platform::ThreadHandle SimThreads::start(std::function<void()> body) {
    if (failNext_.exchange(false)) return {};
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard lock(mutex_);
    threads_.emplace_back([body = std::move(body), done] {
        body();
        done->store(true);
    });
    doneFlags_.push_back(done);
    return platform::ThreadHandle(std::make_unique<SimThreadState>(done));
}

bool SimThreads::allFinished() const {
    std::lock_guard lock(mutex_);
    for (const auto& done : doneFlags_) {
        if (!done->load()) return false;
    }
    return true;
}

void SimThreads::joinAll() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        threads.swap(threads_);
    }
    for (auto& thread : threads) thread.join();
}

}  // namespace sim
