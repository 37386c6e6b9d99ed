#pragma once
// The service control manager through advapi32.
#include "platform/Services.h"

namespace win32 {

class Win32Services final : public platform::Services {
public:
    long openManager(std::uint32_t access, platform::ServiceHandlePtr& manager) override;
    long openService(platform::ServiceHandle& manager, const std::string& name, std::uint32_t access,
                     platform::ServiceHandlePtr& service) override;
    long queryStatus(platform::ServiceHandle& service, std::uint32_t& state) override;
    long start(platform::ServiceHandle& service) override;
    long control(platform::ServiceHandle& service, std::uint32_t code, std::uint32_t& state) override;
    long enumDependents(platform::ServiceHandle& service, std::uint32_t stateFilter,
                        std::vector<platform::DependentService>& dependents) override;
};

}  // namespace win32
