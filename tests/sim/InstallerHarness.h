#pragma once
// Runs the main dialog on its own window thread of a simulated machine while the test plays
// the user.
#include <atomic>
#include <functional>
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
