#pragma once
// Failing any platform operation of the simulated machine on purpose. The logic reaches the
// machine through the decorators below, which ask the fault plan before every call and
// either hand the call on or answer it as Windows answers a failed call: the error code for
// calls that return one, else the failure value (false, null, "", 0, -1). Only the calls the
// logic makes pass through here; what one part of the machine does with another (the spooler
// copying driver files, say) is the machine's own business and never fails.
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace sim {

class FaultPlan {
public:
    // The n-th operation of the run (counting from 1, all names together) fails with `error`.
    void failCall(std::size_t n, long error);
    // The n-th call of the operation `name` (such as "Spooler.addPrinter") fails with `error`.
    void failCall(std::string_view name, std::size_t n, long error);

    // Asked by every operation: 0, or the error it fails with. Every call is recorded.
    long check(std::string_view name);

    // The names of the operations made so far, in order.
    std::vector<std::string> operations() const;
    struct Injected {
        std::size_t call = 0;  // its position in operations(), from 1
        std::string name;
        long error = 0;
    };
    std::vector<Injected> injected() const;

private:
    struct Rule {
        std::string name;  // empty: any operation
        std::size_t n = 0;
        long error = 0;
    };

    mutable std::mutex mutex_;
    std::vector<Rule> rules_;
    std::vector<std::string> operations_;
    std::map<std::string, std::size_t, std::less<>> callsByName_;
    std::vector<Injected> injected_;
};

// The platform bundle whose every operation consults `plan` before reaching `inner`.
class FaultyPlatform {
public:
    FaultyPlatform(const platform::Platform& inner, FaultPlan& plan);
    ~FaultyPlatform();
    FaultyPlatform(const FaultyPlatform&) = delete;
    FaultyPlatform& operator=(const FaultyPlatform&) = delete;

    platform::Platform& platform();

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace sim
