#include "platform/sim/SimServices.h"

#include "platform/sim/SimText.h"

namespace sim {

class SimServices::Handle : public platform::ServiceHandle {
public:
    Handle(SimServices& owner, std::string name) : owner_(owner), name_(std::move(name)) {
        std::lock_guard lock(owner_.mutex_);
        ++owner_.openHandles_;
    }
    ~Handle() override {
        std::lock_guard lock(owner_.mutex_);
        --owner_.openHandles_;
    }
    const std::string& name() const { return name_; }  // empty for the manager

private:
    SimServices& owner_;
    std::string name_;
};

SimServices::SimServices() { services_["spooler"].state = platform::SERVICE_RUNNING_STATE; }

platform::ServiceHandlePtr SimServices::openManager(std::uint32_t) {
    {
        std::lock_guard lock(mutex_);
        if (failOpenManager_) return nullptr;
    }
    return std::make_unique<Handle>(*this, std::string());
}

platform::ServiceHandlePtr SimServices::openService(platform::ServiceHandle& manager, const std::string& name,
                                                    std::uint32_t) {
    if (!static_cast<Handle&>(manager).name().empty()) return nullptr;
    const std::string key = asciiLower(name);
    {
        std::lock_guard lock(mutex_);
        if (services_.find(key) == services_.end()) return nullptr;
    }
    return std::make_unique<Handle>(*this, key);
}

void SimServices::advance(Service& service) {
    if (service.pendingLeft > 0) {
        --service.pendingLeft;
        return;
    }
    if (std::chrono::steady_clock::now() < service.pendingUntil) return;
    if (service.state == platform::SERVICE_START_PENDING_STATE) service.state = platform::SERVICE_RUNNING_STATE;
    if (service.state == platform::SERVICE_STOP_PENDING_STATE) service.state = platform::SERVICE_STOPPED_STATE;
}

bool SimServices::queryStatus(platform::ServiceHandle& handle, std::uint32_t& state) {
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        auto it = services_.find(static_cast<Handle&>(handle).name());
        if (it == services_.end()) return false;
        Service& service = it->second;
        ++service.queries;
        if (service.queryFails && service.queries > service.queriesBeforeFailure) return false;
        const std::uint32_t before = service.state;
        advance(service);
        state = service.state;
        if (before == platform::SERVICE_START_PENDING_STATE && state == platform::SERVICE_RUNNING_STATE) {
            auto found = startedHooks_.find(it->first);
            if (found != startedHooks_.end()) hook = found->second;
        }
    }
    if (hook) hook();
    return true;
}

bool SimServices::start(platform::ServiceHandle& handle) {
    std::lock_guard lock(mutex_);
    auto it = services_.find(static_cast<Handle&>(handle).name());
    if (it == services_.end()) return false;
    Service& service = it->second;
    if (service.state != platform::SERVICE_STOPPED_STATE) return false;  // ERROR_SERVICE_ALREADY_RUNNING
    ++service.starts;
    if (service.startError != 0) return false;
    service.state = platform::SERVICE_START_PENDING_STATE;
    service.pendingLeft = service.startPendingQueries;
    service.pendingUntil = std::chrono::steady_clock::now() + service.startPendingTime;
    return true;
}

bool SimServices::control(platform::ServiceHandle& handle, std::uint32_t code, std::uint32_t& state) {
    std::lock_guard lock(mutex_);
    auto it = services_.find(static_cast<Handle&>(handle).name());
    if (it == services_.end() || code != platform::SERVICE_CONTROL_STOP_CODE) return false;
    Service& service = it->second;
    if (service.state == platform::SERVICE_STOPPED_STATE) return false;  // ERROR_SERVICE_NOT_ACTIVE
    ++service.stops;
    service.state = platform::SERVICE_STOP_PENDING_STATE;
    service.pendingLeft = service.stopPendingQueries;
    service.pendingUntil = std::chrono::steady_clock::now() + service.stopPendingTime;
    state = service.state;
    return true;
}

void SimServices::configure(const std::string& name, const std::function<void(Service&)>& change) {
    std::lock_guard lock(mutex_);
    change(services_[asciiLower(name)]);
}

SimServices::Service SimServices::service(const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto it = services_.find(asciiLower(name));
    return it == services_.end() ? Service{} : it->second;
}

void SimServices::onStarted(const std::string& name, std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    startedHooks_[asciiLower(name)] = std::move(hook);
}

int SimServices::openHandles() const {
    std::lock_guard lock(mutex_);
    return openHandles_;
}

void SimServices::failOpenManager(bool fail) {
    std::lock_guard lock(mutex_);
    failOpenManager_ = fail;
}

}  // namespace sim
