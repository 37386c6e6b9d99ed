#pragma once
// Runs the main dialog on its own window thread of a simulated machine while the test plays
// the user.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "app/InstallerApp.h"
#include "app/MainDialog.h"
#include "platform/sim/SimMachine.h"

class InstallerRun {
public:
    explicit InstallerRun(sim::SimMachine& machine);
    ~InstallerRun();
    InstallerRun(const InstallerRun&) = delete;
    InstallerRun& operator=(const InstallerRun&) = delete;

    // Waits until the start-up worker has finished; false on a time-out.
    bool waitForStartup();
    // Runs `action` with the dialog object and its window on the window thread.
    void onWindow(const std::function<void(MainDialog&, sim::SimDialog&)>& action);
    // Clicks the close box and waits for the window thread to end; returns the dialog result.
    int close();
    // Waits for the window thread to end; returns the dialog result.
    int join();

    sim::SimMachine& machine;
    unsigned updateDataMessage = 0;

private:
    std::thread windowThread_;
    std::atomic<bool> ended_{false};
    MainDialog* dialog_ = nullptr;
    int result_ = 0;
};

// Holds a thread inside a hook (a spooler call, the archive library) until the test opens it.
class Gate {
public:
    void wait() {
        std::unique_lock lock(mutex_);
        entered_ = true;
        changed_.notify_all();
        changed_.wait(lock, [&] { return open_; });
    }
    void waitEntered() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return entered_; });
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool entered_ = false;
    bool open_ = false;
};
