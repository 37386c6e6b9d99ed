#include "platform/win32/Win32Services.h"

#include <windows.h>

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

platform::ServiceHandlePtr own(SC_HANDLE handle) {
    if (handle == nullptr) return nullptr;
    return std::make_unique<Win32ServiceHandle>(handle);
}

// A handle some other implementation made is no service handle; the calls then fail the way
// advapi32 fails on a bad handle.
SC_HANDLE serviceHandle(platform::ServiceHandle& handle) {
    auto* ours = dynamic_cast<Win32ServiceHandle*>(&handle);
    if (ours == nullptr) SetLastError(ERROR_INVALID_HANDLE);
    return ours != nullptr ? ours->get() : nullptr;
}

}  // namespace

platform::ServiceHandlePtr Win32Services::openManager(std::uint32_t access) {
    return own(OpenSCManagerA(nullptr, SERVICES_ACTIVE_DATABASEA, access));
}

platform::ServiceHandlePtr Win32Services::openService(platform::ServiceHandle& manager, const std::string& name,
                                                      std::uint32_t access) {
    const SC_HANDLE handle = serviceHandle(manager);
    if (handle == nullptr) return nullptr;
    return own(OpenServiceA(handle, name.c_str(), access));
}

bool Win32Services::queryStatus(platform::ServiceHandle& service, std::uint32_t& state) {
    const SC_HANDLE handle = serviceHandle(service);
    if (handle == nullptr) return false;
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(handle, &status)) return false;
    state = status.dwCurrentState;
    return true;
}

bool Win32Services::start(platform::ServiceHandle& service) {
    const SC_HANDLE handle = serviceHandle(service);
    return handle != nullptr && StartServiceA(handle, 0, nullptr);
}

bool Win32Services::control(platform::ServiceHandle& service, std::uint32_t code, std::uint32_t& state) {
    const SC_HANDLE handle = serviceHandle(service);
    if (handle == nullptr) return false;
    SERVICE_STATUS status{};
    const BOOL succeeded = ControlService(handle, code, &status);
    // The status is filled in even for some refusals (ERROR_SERVICE_CANNOT_ACCEPT_CTRL), and
    // the caller reads the state either way.
    state = status.dwCurrentState;
    return succeeded != FALSE;
}

}  // namespace win32
