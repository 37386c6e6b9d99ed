#pragma once
// The service control manager (advapi32) as the spooler control uses it.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

constexpr std::uint32_t SERVICE_STOPPED_STATE = 1;
constexpr std::uint32_t SERVICE_START_PENDING_STATE = 2;
constexpr std::uint32_t SERVICE_STOP_PENDING_STATE = 3;
constexpr std::uint32_t SERVICE_RUNNING_STATE = 4;
constexpr std::uint32_t SERVICE_CONTROL_STOP_CODE = 1;
constexpr std::uint32_t SC_MANAGER_ALL_ACCESS_RIGHTS = 0xF003F;
constexpr std::uint32_t SERVICE_ALL_ACCESS_RIGHTS = 0xF01FF;

// An open manager or service handle; CloseServiceHandle when it goes.
class ServiceHandle {
public:
    virtual ~ServiceHandle() = default;
};
using ServiceHandlePtr = std::unique_ptr<ServiceHandle>;

class Services {
public:
    virtual ~Services() = default;
    // OpenSCManagerA(NULL, "ServicesActive", access); null on failure.
    virtual ServiceHandlePtr openManager(std::uint32_t access) = 0;
    // OpenServiceA; null on failure.
    virtual ServiceHandlePtr openService(ServiceHandle& manager, const std::string& name, std::uint32_t access) = 0;
    // QueryServiceStatus: false on failure, else `state` is dwCurrentState.
    virtual bool queryStatus(ServiceHandle& service, std::uint32_t& state) = 0;
    // StartServiceA with no arguments.
    virtual bool start(ServiceHandle& service) = 0;
    // ControlService; `state` receives dwCurrentState of the status it returns.
    virtual bool control(ServiceHandle& service, std::uint32_t code, std::uint32_t& state) = 0;
};

}  // namespace platform
