#include "install/SpoolerService.h"

#include "platform/WinConstants.h"

namespace {

void tell(platform::Platform& platform, platform::DialogWindow* owner, const std::string& text) {
    platform.ui.messageBox(owner, text, platform.ui.applicationTitle(), win::MB_OK | win::MB_ICONINFORMATION);
}

// Polls through the status handle until the service is in `wanted`. Gives up after the wait
// limit, or at once when the service stopped after a start that failed: it will not run.
bool waitForState(platform::Platform& platform, platform::ServiceHandle& status, std::uint32_t wanted,
                  bool startFailed) {
    for (std::uint32_t waited = 0;; waited += SpoolerService::POLL_PAUSE_MS) {
        std::uint32_t state = 0;
        if (platform.services.queryStatus(status, state)) {
            if (state == wanted) return true;
            if (startFailed && state == platform::SERVICE_STOPPED_STATE) return false;
        }
        if (waited >= SpoolerService::WAIT_LIMIT_MS) return false;
        platform.system.sleep(SpoolerService::POLL_PAUSE_MS);
    }
}

bool startAndWait(platform::Platform& platform, platform::ServiceHandle& manager, platform::ServiceHandle& status,
                  const std::string& serviceName) {
    platform::ServiceHandlePtr controlHandle =
        platform.services.openService(manager, serviceName, platform::SERVICE_ALL_ACCESS_RIGHTS);
    const bool started = controlHandle != nullptr && platform.services.start(*controlHandle);
    return waitForState(platform, status, platform::SERVICE_RUNNING_STATE, !started);
}

}  // namespace

void SpoolerService::control(platform::Platform& platform, platform::DialogWindow* owner,
                             const std::string& serviceName, int mode) {
    platform::ServiceHandlePtr manager = platform.services.openManager(platform::SC_MANAGER_ALL_ACCESS_RIGHTS);
    if (manager == nullptr) return;
    platform::ServiceHandlePtr status =
        platform.services.openService(*manager, serviceName, platform::SERVICE_ALL_ACCESS_RIGHTS);
    if (status == nullptr) return;

    std::uint32_t state = 0;
    if (!platform.services.queryStatus(*status, state)) {
        // Acting on a state never read could stop a running spooler or wait forever.
        tell(platform, owner, "无法确定服务状态");
        return;
    }

    if (state == platform::SERVICE_STOPPED_STATE) {
        if (!startAndWait(platform, *manager, *status, serviceName)) {
            tell(platform, owner, "服务 " + serviceName + " 未能启动");
        }
        return;
    }
    if (mode == MODE_ENSURE_RUNNING) return;

    platform::ServiceHandlePtr controlHandle =
        platform.services.openService(*manager, serviceName, platform::SERVICE_ALL_ACCESS_RIGHTS);
    if (controlHandle == nullptr) return;
    std::uint32_t stopState = 0;
    const bool stopSent = platform.services.control(*controlHandle, platform::SERVICE_CONTROL_STOP_CODE, stopState);
    if (!(stopSent && stopState == platform::SERVICE_STOPPED_STATE) &&
        !waitForState(platform, *status, platform::SERVICE_STOPPED_STATE, false)) {
        tell(platform, owner, "服务 " + serviceName + " 未能停止");
        return;
    }
    const bool started = platform.services.start(*controlHandle);
    if (!waitForState(platform, *status, platform::SERVICE_RUNNING_STATE, !started)) {
        tell(platform, owner, "服务 " + serviceName + " 未能启动");
    }
}
