#include "tests/sim/InstallerHarness.h"

#include <chrono>

InstallerRun::InstallerRun(sim::SimMachine& m) : machine(m) {
    InstallerApp app(machine.platform());
    updateDataMessage = app.updateDataMessage();
    std::atomic<bool> started{false};
    windowThread_ = std::thread([this, &started] {
        MainDialog dialog(machine.platform(), updateDataMessage);
        dialog_ = &dialog;
        started = true;
        result_ = dialog.doModal();
        dialog_ = nullptr;
        ended_ = true;
    });
    while (!started) std::this_thread::yield();
    // A window that could not be created ends the modal call at once: there is none to wait for.
    while (!ended_ && !machine.ui.waitUntil([](sim::SimDialog&) { return true; }, std::chrono::milliseconds(1))) {
    }
}

InstallerRun::~InstallerRun() {
    if (windowThread_.joinable()) close();
}

bool InstallerRun::waitForStartup() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!machine.threads.allFinished()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void InstallerRun::onWindow(const std::function<void(MainDialog&, sim::SimDialog&)>& action) {
    machine.ui.asUser([&](sim::SimDialog& window) { action(*dialog_, window); });
}

int InstallerRun::close() {
    machine.ui.asUser([](sim::SimDialog& window) { window.userCloseBox(); });
    return join();
}

int InstallerRun::join() {
    if (windowThread_.joinable()) windowThread_.join();
    return result_;
}
