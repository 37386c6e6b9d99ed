#include "platform/win32/Win32Services.h"

#include <windows.h>

#include <vector>

#include "platform/win32/LastError.h"

namespace win32 {
namespace {

// Manager and service handles are released with CloseServiceHandle, not CloseHandle.
class Win32ServiceHandle final : public platform::ServiceHandle {
public:
    explicit Win32ServiceHandle(SC_HANDLE handle) : handle_(handle) {}
    ~Win32ServiceHandle() override { CloseServiceHandle(handle_); }
    Win32ServiceHandle(const Win32ServiceHandle&) = delete;
    Win32ServiceHandle& operator=(const Win32ServiceHandle&) = delete;

    SC_HANDLE get() const { return handle_; }

private:
    SC_HANDLE handle_;
};

long own(SC_HANDLE handle, platform::ServiceHandlePtr& out) {
    const long error = lastErrorUnless(handle != nullptr);
    if (handle != nullptr) out = std::make_unique<Win32ServiceHandle>(handle);
    return error;
}

// A handle some other implementation made is no service handle; the calls then fail the way
// advapi32 fails on a bad handle.
SC_HANDLE serviceHandle(platform::ServiceHandle& handle) {
    auto* ours = dynamic_cast<Win32ServiceHandle*>(&handle);
    return ours != nullptr ? ours->get() : nullptr;
}

}  // namespace

long Win32Services::openManager(std::uint32_t access, platform::ServiceHandlePtr& manager) {
    return own(OpenSCManagerA(nullptr, SERVICES_ACTIVE_DATABASEA, access), manager);
}

long Win32Services::openService(platform::ServiceHandle& manager, const std::string& name, std::uint32_t access,
                                platform::ServiceHandlePtr& service) {
    const SC_HANDLE handle = serviceHandle(manager);
    if (handle == nullptr) return ERROR_INVALID_HANDLE;
    return own(OpenServiceA(handle, name.c_str(), access), service);
}

long Win32Services::queryStatus(platform::ServiceHandle& service, std::uint32_t& state) {
    const SC_HANDLE handle = serviceHandle(service);
    if (handle == nullptr) return ERROR_INVALID_HANDLE;
    SERVICE_STATUS status{};
    const long error = lastErrorUnless(QueryServiceStatus(handle, &status));
    if (error == ERROR_SUCCESS) state = status.dwCurrentState;
    return error;
}

long Win32Services::start(platform::ServiceHandle& service) {
    const SC_HANDLE handle = serviceHandle(service);
    if (handle == nullptr) return ERROR_INVALID_HANDLE;
    return lastErrorUnless(StartServiceA(handle, 0, nullptr));
}

long Win32Services::control(platform::ServiceHandle& service, std::uint32_t code, std::uint32_t& state) {
    const SC_HANDLE handle = serviceHandle(service);
    if (handle == nullptr) return ERROR_INVALID_HANDLE;
    SERVICE_STATUS status{};
    const long error = lastErrorUnless(ControlService(handle, code, &status));
    // The status is filled in even for some refusals (ERROR_SERVICE_CANNOT_ACCEPT_CTRL), and
    // the caller reads the state either way.
    state = status.dwCurrentState;
    return error;
}

long Win32Services::enumDependents(platform::ServiceHandle& service, std::uint32_t stateFilter,
                                   std::vector<platform::DependentService>& dependents) {
    dependents.clear();
    const SC_HANDLE handle = serviceHandle(service);
    if (handle == nullptr) return ERROR_INVALID_HANDLE;
    // The first call asks for the size; a dependent added in between makes the second one
    // ask again.
    std::vector<ENUM_SERVICE_STATUSA> buffer;
    DWORD needed = 0;
    DWORD count = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(ENUM_SERVICE_STATUSA));
        const long error = lastErrorUnless(
            EnumDependentServicesA(handle, stateFilter, buffer.empty() ? nullptr : buffer.data(), bytes, &needed, &count));
        if (error == ERROR_SUCCESS) {
            for (DWORD i = 0; i < count; ++i) {
                dependents.push_back({buffer[i].lpServiceName != nullptr ? buffer[i].lpServiceName : "",
                                      buffer[i].ServiceStatus.dwCurrentState});
            }
            return ERROR_SUCCESS;
        }
        if (error != ERROR_MORE_DATA || needed <= bytes) return error;
        buffer.resize((needed + sizeof(ENUM_SERVICE_STATUSA) - 1) / sizeof(ENUM_SERVICE_STATUSA));
    }
    return ERROR_MORE_DATA;
}

}  // namespace win32
