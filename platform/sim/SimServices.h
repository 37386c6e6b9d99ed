#pragma once
// The service control manager of the simulated machine. A service moves through the pending
// states over a number of status queries, so that waits can be tested without real time, or
// over a span of real time as well, so that they can be measured against the clock; a start
// or a stop can be made to fail and a status query to fail. Services may depend on others,
// and the manager enforces that as Windows does: a service whose dependents run cannot be
// stopped (1051), one that is starting or stopping takes no control (1061), and starting a
// service starts the services it depends on first.
#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Services.h"

namespace sim {

class SimServices : public platform::Services {
public:
    struct Service {
        std::uint32_t state = platform::SERVICE_STOPPED_STATE;
        // The services this one needs running (names as the manager knows them).
        std::vector<std::string> dependsOn;
        // Status queries answered "pending" before a start or stop completes.
        int startPendingQueries = 0;
        int stopPendingQueries = 0;
        // Real time a start or stop stays pending, counted from the call, once the queries
        // above have been answered.
        std::chrono::milliseconds startPendingTime{0};
        std::chrono::milliseconds stopPendingTime{0};
        // StartServiceA fails with this error and the service stays stopped (0: it starts).
        long startError = 0;
        // ControlService(SERVICE_CONTROL_STOP) on a running service fails with this error.
        long stopError = 0;
        // Every QueryServiceStatus fails (after `queriesBeforeFailure` good ones).
        bool queryFails = false;
        int queriesBeforeFailure = 0;
        // What happened, for tests.
        int starts = 0;
        int stops = 0;
        int queries = 0;
        int pendingLeft = 0;
        std::chrono::steady_clock::time_point pendingUntil{};
    };

    SimServices();
    long openManager(std::uint32_t access, platform::ServiceHandlePtr& manager) override;
    long openService(platform::ServiceHandle& manager, const std::string& name, std::uint32_t access,
                     platform::ServiceHandlePtr& service) override;
    long queryStatus(platform::ServiceHandle& service, std::uint32_t& state) override;
    long start(platform::ServiceHandle& service) override;
    long control(platform::ServiceHandle& service, std::uint32_t code, std::uint32_t& state) override;
    long enumDependents(platform::ServiceHandle& service, std::uint32_t stateFilter,
                        std::vector<platform::DependentService>& dependents) override;

    // Changes a service under the lock.
    void configure(const std::string& name, const std::function<void(Service&)>& change);
    Service service(const std::string& name) const;
    // Called (outside the lock) each time a service reaches the running state after a start.
    void onStarted(const std::string& name, std::function<void()> hook);
    // Open handles of any kind, for leak checks.
    int openHandles() const;
    void failOpenManager(bool fail);

private:
    class Handle;
    void advance(Service& service);
    // Starts a stopped service (lock held); its dependencies are brought up first, as the
    // manager waits for them before it starts a dependent. Services that reached the running
    // state are added to `started`.
    long startLocked(const std::string& key, std::vector<std::string>& started, int depth);
    void runStartedHooks(const std::vector<std::string>& started);
    // The keys of the services that need `key`, in reverse order of start.
    std::vector<std::string> dependentsOf(const std::string& key) const;

    mutable std::mutex mutex_;
    std::map<std::string, Service> services_;  // by lower-case name
    std::map<std::string, std::string> names_;  // the names as configured
    std::map<std::string, std::function<void()>> startedHooks_;
    int openHandles_ = 0;
    bool failOpenManager_ = false;
};

}  // namespace sim
