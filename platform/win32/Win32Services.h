#pragma once
// The service control manager through advapi32.
#include "platform/Services.h"

namespace win32 {

class Win32Services final : public platform::Services {
public:
    platform::ServiceHandlePtr openManager(std::uint32_t access) override;
    platform::ServiceHandlePtr openService(platform::ServiceHandle& manager, const std::string& name,
                                           std::uint32_t access) override;
    bool queryStatus(platform::ServiceHandle& service, std::uint32_t& state) override;
    bool start(platform::ServiceHandle& service) override;
    bool control(platform::ServiceHandle& service, std::uint32_t code, std::uint32_t& state) override;
};

}  // namespace win32
