#pragma once
// The version, architecture and clock of the simulated machine. Sleeping advances a virtual
// clock and returns at once, so that bounded waits can be measured without waiting, unless
// the machine is told to sleep for real, as benchmarks that measure a wait need.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "platform/SystemInfo.h"

namespace sim {

class SimSystemInfo : public platform::SystemInfo {
public:
    bool getVersionEx(std::uint32_t structSize, platform::OsVersion& version) override;
    bool hasIsWow64Process() override { return hasIsWow64_; }
    void isWow64Process(std::int32_t& wow64) override { wow64 = wow64_ ? 1 : 0; }
    void sleep(std::uint32_t milliseconds) override {
        sleptMs_ += milliseconds;
        if (sleepsForReal_) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    std::string systemDirectory(std::uint32_t bufferSize) override { return fit("C:\\Windows\\system32", bufferSize); }
    std::string windowsDirectory(std::uint32_t bufferSize) override { return fit("C:\\Windows", bufferSize); }
    bool enableLoadDriverPrivilege() override {
        ++privilegeRequests_;
        return true;
    }

    platform::LocalTime localTime() override;
    std::string environmentVariable(const std::string& name) override;
    std::string ansiToUtf8(const std::string& text) override;

    // Variables the process sees; TEMP is C:\\Temp unless a test says otherwise. An empty
    // value removes the variable.
    void setEnvironmentVariable(const std::string& name, const std::string& value);
    // The local time GetLocalTime reports; the virtual clock's sleeps move it on.
    void setLocalTime(const platform::LocalTime& time);

    // Windows 10, 64-bit, unless a test says otherwise.
    void setVersion(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor);
    // GetVersionExA refuses the extended structure (as before Windows NT 4 SP6), or both.
    void failVersionEx(bool extended, bool plain);
    void setWow64(bool wow64) { wow64_ = wow64; }
    void removeIsWow64Process() { hasIsWow64_ = false; }
    // Sleep also passes the time on the host clock (the virtual clock still advances).
    void sleepForReal(bool real) { sleepsForReal_ = real; }
    std::uint64_t sleptMs() const { return sleptMs_; }
    // 64-bit Windows: the process runs under WOW64.
    bool is64Bit() const { return wow64_; }
    int privilegeRequests() const { return privilegeRequests_; }
    // Runs at the start of every version query, on the calling thread (a test holds the
    // start-up there, after the model list is filled).
    void onVersionQuery(std::function<void()> hook);

private:
    std::mutex mutex_;
    std::function<void()> versionHook_;
    platform::OsVersion version_{2, 10, 0};
    std::map<std::string, std::string> environment_{{"TEMP", "C:\\Temp"}};
    platform::LocalTime clockStart_{2026, 1, 5, 8, 30, 0, 0};
    std::uint64_t clockStartSleptMs_ = 0;
    bool failExtended_ = false;
    bool failPlain_ = false;
    std::atomic<bool> wow64_{true};
    std::atomic<bool> hasIsWow64_{true};
    std::atomic<bool> sleepsForReal_{false};
    std::atomic<std::uint64_t> sleptMs_{0};
    std::atomic<int> privilegeRequests_{0};

    static std::string fit(const std::string& path, std::uint32_t bufferSize) {
        return path.size() + 1 <= bufferSize ? path : std::string();
    }
};

}  // namespace sim
