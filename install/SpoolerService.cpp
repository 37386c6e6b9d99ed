#include "install/SpoolerService.h"

#include <vector>

#include "platform/WinConstants.h"

namespace {

void tell(platform::Platform& platform, platform::DialogWindow* owner, const std::string& text) {
    platform.ui.messageBox(owner, text, platform.ui.applicationTitle(), win::MB_OK | win::MB_ICONINFORMATION);
}

void tellNotStarted(platform::Platform& platform, platform::DialogWindow* owner, const std::string& name) {
    tell(platform, owner, "服务 " + name + " 未能启动");
}

void tellNotStopped(platform::Platform& platform, platform::DialogWindow* owner, const std::string& name) {
    tell(platform, owner, "服务 " + name + " 未能停止");
}

// Polls through the status handle until the service is in `wanted`. Gives up after the wait
// limit, or at once when the service stopped after a start that failed: it will not run.
bool waitForState(platform::Platform& platform, platform::ServiceHandle& status, std::uint32_t wanted,
                  bool startFailed) {
    for (std::uint32_t waited = 0;; waited += SpoolerService::POLL_PAUSE_MS) {
        std::uint32_t state = 0;
        if (platform.services.queryStatus(status, state) == win::ERROR_SUCCESS) {
            if (state == wanted) return true;
            if (startFailed && state == platform::SERVICE_STOPPED_STATE) return false;
        }
        if (waited >= SpoolerService::WAIT_LIMIT_MS) return false;
        platform.system.sleep(SpoolerService::POLL_PAUSE_MS);
    }
}

// Polls until the service has left its pending state; `state` is where it settled, or the
// last state read when the wait limit passed first.
bool waitUntilSettled(platform::Platform& platform, platform::ServiceHandle& status, std::uint32_t& state) {
    for (std::uint32_t waited = 0;; waited += SpoolerService::POLL_PAUSE_MS) {
        std::uint32_t read = 0;
        if (platform.services.queryStatus(status, read) == win::ERROR_SUCCESS) {
            state = read;
            if (!platform::isPendingState(state)) return true;
        }
        if (waited >= SpoolerService::WAIT_LIMIT_MS) return false;
        platform.system.sleep(SpoolerService::POLL_PAUSE_MS);
    }
}

// StartServiceA on `control`, then waits through `status` until the service runs. A service
// that another caller started meanwhile counts as started.
bool startAndWait(platform::Platform& platform, platform::ServiceHandle& control, platform::ServiceHandle& status) {
    const long error = platform.services.start(control);
    const bool started = error == win::ERROR_SUCCESS || error == win::ERROR_SERVICE_ALREADY_RUNNING;
    return waitForState(platform, status, platform::SERVICE_RUNNING_STATE, !started);
}

// Sends the stop control and waits until the service has stopped. A service in the middle of
// a start or stop cannot take the control (1061): it is let settle and asked once more. Any
// other refusal ends the attempt at once, since waiting would not change Windows' answer.
bool stopAndWait(platform::Platform& platform, platform::ServiceHandle& control, platform::ServiceHandle& status) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::uint32_t state = 0;
        const long error = platform.services.control(control, platform::SERVICE_CONTROL_STOP_CODE, state);
        if (error == win::ERROR_SERVICE_NOT_ACTIVE) return true;
        if (error == win::ERROR_SERVICE_CANNOT_ACCEPT_CTRL && attempt == 0) {
            if (!waitUntilSettled(platform, status, state)) return false;
            if (state == platform::SERVICE_STOPPED_STATE) return true;
            continue;
        }
        if (error != win::ERROR_SUCCESS) return false;
        return state == platform::SERVICE_STOPPED_STATE ||
               waitForState(platform, status, platform::SERVICE_STOPPED_STATE, false);
    }
    return false;
}

platform::ServiceHandlePtr open(platform::Platform& platform, platform::ServiceHandle& manager,
                                const std::string& name) {
    platform::ServiceHandlePtr handle;
    platform.services.openService(manager, name, platform::SERVICE_ALL_ACCESS_RIGHTS, handle);
    return handle;
}

// Starts again, in start order, the dependents a restart stopped (they were taken down in
// reverse start order). Each one that does not come back is reported.
void startDependents(platform::Platform& platform, platform::DialogWindow* owner, platform::ServiceHandle& manager,
                     const std::vector<std::string>& stopped) {
    for (auto it = stopped.rbegin(); it != stopped.rend(); ++it) {
        platform::ServiceHandlePtr dependent = open(platform, manager, *it);
        if (dependent == nullptr || !startAndWait(platform, *dependent, *dependent)) tellNotStarted(platform, owner, *it);
    }
}

// Stop and start of a service that runs, the way `net stop` goes about it: Windows refuses to
// stop a service while services that depend on it run (1051), so those are stopped first and
// started again once the service runs again.
void restart(platform::Platform& platform, platform::DialogWindow* owner, platform::ServiceHandle& manager,
             platform::ServiceHandle& status, const std::string& serviceName) {
    platform::ServiceHandlePtr control = open(platform, manager, serviceName);
    if (control == nullptr) return;

    std::vector<platform::DependentService> dependents;
    if (platform.services.enumDependents(*control, platform::SERVICE_ACTIVE_FILTER, dependents) !=
        win::ERROR_SUCCESS) {
        // Without the list the stop below is tried all the same: with no dependent running it
        // goes through, and with one it is refused and reported.
        dependents.clear();
    }
    std::vector<std::string> stopped;
    for (const auto& dependent : dependents) {
        platform::ServiceHandlePtr handle = open(platform, manager, dependent.name);
        if (handle == nullptr || !stopAndWait(platform, *handle, *handle)) {
            tellNotStopped(platform, owner, dependent.name);
            startDependents(platform, owner, manager, stopped);
            return;
        }
        stopped.push_back(dependent.name);
    }

    if (!stopAndWait(platform, *control, status)) {
        tellNotStopped(platform, owner, serviceName);
        startDependents(platform, owner, manager, stopped);
        return;
    }
    if (!startAndWait(platform, *control, status)) {
        // The dependents cannot run without it; starting them would only start it again.
        tellNotStarted(platform, owner, serviceName);
        return;
    }
    startDependents(platform, owner, manager, stopped);
}

}  // namespace

void SpoolerService::control(platform::Platform& platform, platform::DialogWindow* owner,
                             const std::string& serviceName, int mode) {
    platform::ServiceHandlePtr manager;
    if (platform.services.openManager(platform::SC_MANAGER_ALL_ACCESS_RIGHTS, manager) != win::ERROR_SUCCESS ||
        manager == nullptr) {
        return;
    }
    platform::ServiceHandlePtr status = open(platform, *manager, serviceName);
    if (status == nullptr) return;

    std::uint32_t state = 0;
    if (platform.services.queryStatus(*status, state) != win::ERROR_SUCCESS) {
        // Acting on a state never read could stop a running spooler or wait forever.
        tell(platform, owner, "无法确定服务状态");
        return;
    }
    // A service on its way up or down is neither running nor stopped yet: the caller needs to
    // know which it ends in before it can rely on it running.
    if (platform::isPendingState(state) && !waitUntilSettled(platform, *status, state)) {
        if (state == platform::SERVICE_STOP_PENDING_STATE) {
            tellNotStopped(platform, owner, serviceName);
        } else {
            tellNotStarted(platform, owner, serviceName);
        }
        return;
    }

    if (state == platform::SERVICE_STOPPED_STATE) {
        platform::ServiceHandlePtr control = open(platform, *manager, serviceName);
        if (control == nullptr || !startAndWait(platform, *control, *status)) tellNotStarted(platform, owner, serviceName);
        return;
    }
    if (mode == MODE_ENSURE_RUNNING) return;
    restart(platform, owner, *manager, *status, serviceName);
}
