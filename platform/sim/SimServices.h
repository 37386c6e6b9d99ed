#pragma once
// The service control manager of the simulated machine. A service moves through the pending
// states over a number of status queries, so that waits can be tested without real time, or
// over a span of real time as well, so that they can be measured against the clock; a start
// can be made to fail and a status query to fail.
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "platform/Services.h"

namespace sim {

class SimServices : public platform::Services {
public:
    struct Service {
        std::uint32_t state = platform::SERVICE_STOPPED_STATE;
        // Status queries answered "pending" before a start or stop completes.
        int startPendingQueries = 0;
        int stopPendingQueries = 0;
        // Real time a start or stop stays pending, counted from the call, once the queries
        // above have been answered.
        std::chrono::milliseconds startPendingTime{0};
        std::chrono::milliseconds stopPendingTime{0};
        // StartServiceA fails with this error and the service stays stopped (0: it starts).
        long startError = 0;
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
    platform::ServiceHandlePtr openManager(std::uint32_t access) override;
    platform::ServiceHandlePtr openService(platform::ServiceHandle& manager, const std::string& name,
                                           std::uint32_t access) override;
    bool queryStatus(platform::ServiceHandle& service, std::uint32_t& state) override;
    bool start(platform::ServiceHandle& service) override;
    bool control(platform::ServiceHandle& service, std::uint32_t code, std::uint32_t& state) override;

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

    mutable std::mutex mutex_;
    std::map<std::string, Service> services_;
    std::map<std::string, std::function<void()>> startedHooks_;
    int openHandles_ = 0;
    bool failOpenManager_ = false;
};

}  // namespace sim
