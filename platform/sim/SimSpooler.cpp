#include "platform/sim/SimSpooler.h"

#include <algorithm>

namespace sim {

long SimSpooler::enumPorts(std::vector<platform::PortInfo2>& ports) {
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        hook = enumPortsHook_;
    }
    if (hook) hook();
    std::lock_guard lock(mutex_);
    ports.clear();
    if (enumPortsError_ != 0) return enumPortsError_;
    ports = ports_;
    return 0;
}

void SimSpooler::addPort(const std::string& name, const std::string& description, const std::string& monitor) {
    std::lock_guard lock(mutex_);
    ports_.push_back(platform::PortInfo2{name, monitor, description, 0});
}

void SimSpooler::removePort(const std::string& name) {
    std::lock_guard lock(mutex_);
    std::erase_if(ports_, [&](const platform::PortInfo2& port) { return port.portName == name; });
}

void SimSpooler::clearPorts() {
    std::lock_guard lock(mutex_);
    ports_.clear();
}

void SimSpooler::failEnumPorts(long error) {
    std::lock_guard lock(mutex_);
    enumPortsError_ = error;
}

void SimSpooler::onEnumPorts(std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    enumPortsHook_ = std::move(hook);
}

}  // namespace sim
