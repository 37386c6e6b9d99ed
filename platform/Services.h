#pragma once
// The service control manager (advapi32) as the spooler control uses it. Every call answers 0
// or the error Windows gave (GetLastError), never 0 for a failure.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

constexpr std::uint32_t SERVICE_STOPPED_STATE = 1;
constexpr std::uint32_t SERVICE_START_PENDING_STATE = 2;
constexpr std::uint32_t SERVICE_STOP_PENDING_STATE = 3;
constexpr std::uint32_t SERVICE_RUNNING_STATE = 4;
constexpr std::uint32_t SERVICE_CONTINUE_PENDING_STATE = 5;
constexpr std::uint32_t SERVICE_PAUSE_PENDING_STATE = 6;
constexpr std::uint32_t SERVICE_PAUSED_STATE = 7;
constexpr std::uint32_t SERVICE_CONTROL_STOP_CODE = 1;
constexpr std::uint32_t SC_MANAGER_ALL_ACCESS_RIGHTS = 0xF003F;
constexpr std::uint32_t SERVICE_ALL_ACCESS_RIGHTS = 0xF01FF;
// EnumDependentServicesA's filter: every state but stopped.
constexpr std::uint32_t SERVICE_ACTIVE_FILTER = 1;

// True for the states a service passes through on its way to another.
constexpr bool isPendingState(std::uint32_t state) {
    return state == SERVICE_START_PENDING_STATE || state == SERVICE_STOP_PENDING_STATE ||
           state == SERVICE_CONTINUE_PENDING_STATE || state == SERVICE_PAUSE_PENDING_STATE;
}

// An open manager or service handle; CloseServiceHandle when it goes.
class ServiceHandle {
public:
    virtual ~ServiceHandle() = default;
};
using ServiceHandlePtr = std::unique_ptr<ServiceHandle>;

// One entry of EnumDependentServicesA: the service's name and its dwCurrentState.
struct DependentService {
    std::string name;
    std::uint32_t state = 0;
};

class Services {
public:
    virtual ~Services() = default;
    // OpenSCManagerA(NULL, "ServicesActive", access); `manager` stays null on failure.
    virtual long openManager(std::uint32_t access, ServiceHandlePtr& manager) = 0;
    // OpenServiceA; `service` stays null on failure.
    virtual long openService(ServiceHandle& manager, const std::string& name, std::uint32_t access,
                             ServiceHandlePtr& service) = 0;
    // QueryServiceStatus: `state` is dwCurrentState.
    virtual long queryStatus(ServiceHandle& service, std::uint32_t& state) = 0;
    // StartServiceA with no arguments.
    virtual long start(ServiceHandle& service) = 0;
    // ControlService; `state` receives dwCurrentState of the status it returns, which Windows
    // fills in for some refusals too.
    virtual long control(ServiceHandle& service, std::uint32_t code, std::uint32_t& state) = 0;
    // EnumDependentServicesA: the services that need this one, direct and indirect, whose state
    // passes `stateFilter`, in reverse order of start (a service before those it depends on).
    virtual long enumDependents(ServiceHandle& service, std::uint32_t stateFilter,
                                std::vector<DependentService>& dependents) = 0;
};

}  // namespace platform
