#pragma once
// The local print spooler (winspool) as the logic uses it.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The fields of PORT_INFO_2.
struct PortInfo2 {
    std::string portName;
    std::string monitorName;
    std::string description;
    std::uint32_t portType = 0;
};

class Spooler {
public:
    virtual ~Spooler() = default;

    // EnumPortsA on the local server at level 2: one call to learn the size in bytes, a
    // second into a buffer of exactly that size. Returns 0 or the error of the failing call;
    // on failure `ports` is empty.
    virtual long enumPorts(std::vector<PortInfo2>& ports) = 0;
};

}  // namespace platform
