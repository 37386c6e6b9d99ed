#pragma once
// The spooler of the simulated machine: its ports, in the order the spooler keeps them.
#include <functional>
#include <mutex>
#include <vector>

#include "platform/Spooler.h"

namespace sim {

class SimSpooler : public platform::Spooler {
public:
    long enumPorts(std::vector<platform::PortInfo2>& ports) override;

    void addPort(const std::string& name, const std::string& description = "Local Port",
                 const std::string& monitor = "Local Port");
    void removePort(const std::string& name);
    void clearPorts();
    // Every enumeration fails with this error (0: none).
    void failEnumPorts(long error);
    // Runs at the start of every enumeration, outside the spooler's lock: a test can hold a
    // worker there.
    void onEnumPorts(std::function<void()> hook);

private:
    std::mutex mutex_;
    std::vector<platform::PortInfo2> ports_;
    long enumPortsError_ = 0;
    std::function<void()> enumPortsHook_;
};

}  // namespace sim
