#include "platform/sim/SimServices.h"

#include <set>

#include "platform/WinConstants.h"
#include "platform/sim/SimText.h"

namespace sim {

namespace {

constexpr long ERROR_INVALID_SERVICE_CONTROL = 1052;
// Deeper chains than this are taken for a loop; Windows refuses those when they are made.
constexpr int MAX_DEPENDENCY_DEPTH = 16;

}  // namespace

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

SimServices::SimServices() {
    services_["spooler"].state = platform::SERVICE_RUNNING_STATE;
    names_["spooler"] = "Spooler";
}

long SimServices::openManager(std::uint32_t, platform::ServiceHandlePtr& manager) {
    {
        std::lock_guard lock(mutex_);
        if (failOpenManager_) return win::ERROR_ACCESS_DENIED;
    }
    manager = std::make_unique<Handle>(*this, std::string());
    return win::ERROR_SUCCESS;
}

long SimServices::openService(platform::ServiceHandle& manager, const std::string& name, std::uint32_t,
                              platform::ServiceHandlePtr& service) {
    if (!static_cast<Handle&>(manager).name().empty()) return win::ERROR_INVALID_HANDLE;
    const std::string key = asciiLower(name);
    {
        std::lock_guard lock(mutex_);
        if (services_.find(key) == services_.end()) return win::ERROR_SERVICE_DOES_NOT_EXIST;
    }
    service = std::make_unique<Handle>(*this, key);
    return win::ERROR_SUCCESS;
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

long SimServices::queryStatus(platform::ServiceHandle& handle, std::uint32_t& state) {
    std::vector<std::string> started;
    {
        std::lock_guard lock(mutex_);
        auto it = services_.find(static_cast<Handle&>(handle).name());
        if (it == services_.end()) return win::ERROR_INVALID_HANDLE;
        Service& service = it->second;
        ++service.queries;
        if (service.queryFails && service.queries > service.queriesBeforeFailure) return win::ERROR_ACCESS_DENIED;
        const std::uint32_t before = service.state;
        advance(service);
        state = service.state;
        if (before == platform::SERVICE_START_PENDING_STATE && state == platform::SERVICE_RUNNING_STATE) {
            started.push_back(it->first);
        }
    }
    runStartedHooks(started);
    return win::ERROR_SUCCESS;
}

long SimServices::startLocked(const std::string& key, std::vector<std::string>& started, int depth) {
    auto it = services_.find(key);
    if (it == services_.end()) return win::ERROR_SERVICE_DOES_NOT_EXIST;
    Service& service = it->second;
    if (service.state != platform::SERVICE_STOPPED_STATE) return win::ERROR_SERVICE_ALREADY_RUNNING;
    ++service.starts;
    if (service.startError != 0) return service.startError;
    for (const auto& name : service.dependsOn) {
        const std::string dependency = asciiLower(name);
        auto found = services_.find(dependency);
        if (found == services_.end() || depth >= MAX_DEPENDENCY_DEPTH) return win::ERROR_SERVICE_DEPENDENCY_FAIL;
        Service& needed = found->second;
        if (needed.state == platform::SERVICE_RUNNING_STATE) continue;
        if (needed.state == platform::SERVICE_STOPPED_STATE &&
            startLocked(dependency, started, depth + 1) != win::ERROR_SUCCESS) {
            return win::ERROR_SERVICE_DEPENDENCY_FAIL;
        }
        if (needed.state != platform::SERVICE_START_PENDING_STATE) return win::ERROR_SERVICE_DEPENDENCY_FAIL;
        needed.state = platform::SERVICE_RUNNING_STATE;
        needed.pendingLeft = 0;
        started.push_back(dependency);
    }
    service.state = platform::SERVICE_START_PENDING_STATE;
    service.pendingLeft = service.startPendingQueries;
    service.pendingUntil = std::chrono::steady_clock::now() + service.startPendingTime;
    return win::ERROR_SUCCESS;
}

long SimServices::start(platform::ServiceHandle& handle) {
    std::vector<std::string> started;
    long error = win::ERROR_SUCCESS;
    {
        std::lock_guard lock(mutex_);
        const std::string& key = static_cast<Handle&>(handle).name();
        error = key.empty() ? win::ERROR_INVALID_HANDLE : startLocked(key, started, 0);
    }
    runStartedHooks(started);
    return error;
}

void SimServices::runStartedHooks(const std::vector<std::string>& started) {
    for (const auto& key : started) {
        std::function<void()> hook;
        {
            std::lock_guard lock(mutex_);
            auto found = startedHooks_.find(key);
            if (found != startedHooks_.end()) hook = found->second;
        }
        if (hook) hook();
    }
}

std::vector<std::string> SimServices::dependentsOf(const std::string& key) const {
    // Depth first, each service after everything that needs it: the reverse of an order in
    // which every service starts after those it depends on.
    std::vector<std::string> order;
    std::set<std::string> seen;
    std::function<void(const std::string&, int)> visit = [&](const std::string& needed, int depth) {
        if (depth >= MAX_DEPENDENCY_DEPTH) return;
        for (const auto& [name, service] : services_) {
            const bool needs = std::any_of(service.dependsOn.begin(), service.dependsOn.end(),
                                           [&](const std::string& d) { return asciiLower(d) == needed; });
            if (!needs || !seen.insert(name).second) continue;
            visit(name, depth + 1);
            order.push_back(name);
        }
    };
    visit(key, 0);
    return order;
}

long SimServices::control(platform::ServiceHandle& handle, std::uint32_t code, std::uint32_t& state) {
    std::lock_guard lock(mutex_);
    auto it = services_.find(static_cast<Handle&>(handle).name());
    if (it == services_.end()) return win::ERROR_INVALID_HANDLE;
    Service& service = it->second;
    if (code != platform::SERVICE_CONTROL_STOP_CODE) return ERROR_INVALID_SERVICE_CONTROL;
    // The status comes back with these refusals too.
    state = service.state;
    if (service.state == platform::SERVICE_STOPPED_STATE) return win::ERROR_SERVICE_NOT_ACTIVE;
    for (const auto& dependent : dependentsOf(it->first)) {
        if (services_.at(dependent).state != platform::SERVICE_STOPPED_STATE) {
            return win::ERROR_DEPENDENT_SERVICES_RUNNING;
        }
    }
    if (platform::isPendingState(service.state)) return win::ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
    if (service.stopError != 0) return service.stopError;
    ++service.stops;
    service.state = platform::SERVICE_STOP_PENDING_STATE;
    service.pendingLeft = service.stopPendingQueries;
    service.pendingUntil = std::chrono::steady_clock::now() + service.stopPendingTime;
    state = service.state;
    return win::ERROR_SUCCESS;
}

long SimServices::enumDependents(platform::ServiceHandle& handle, std::uint32_t stateFilter,
                                 std::vector<platform::DependentService>& dependents) {
    std::lock_guard lock(mutex_);
    const std::string& key = static_cast<Handle&>(handle).name();
    if (services_.find(key) == services_.end()) return win::ERROR_INVALID_HANDLE;
    constexpr std::uint32_t ACTIVE = 1;
    constexpr std::uint32_t INACTIVE = 2;
    if (stateFilter == 0 || (stateFilter & ~(ACTIVE | INACTIVE)) != 0) return win::ERROR_INVALID_PARAMETER;
    dependents.clear();
    for (const auto& name : dependentsOf(key)) {
        const std::uint32_t state = services_.at(name).state;
        const bool stopped = state == platform::SERVICE_STOPPED_STATE;
        if ((stopped && (stateFilter & INACTIVE)) || (!stopped && (stateFilter & ACTIVE))) {
            dependents.push_back({names_.at(name), state});
        }
    }
    return win::ERROR_SUCCESS;
}

void SimServices::configure(const std::string& name, const std::function<void(Service&)>& change) {
    std::lock_guard lock(mutex_);
    const std::string key = asciiLower(name);
    names_.emplace(key, name);
    change(services_[key]);
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
