// Starting and restarting the spooler through the service control manager, with bounded
// waits that pause between polls.
#include <gtest/gtest.h>

#include <chrono>

#include "install/SpoolerService.h"
#include "platform/WinConstants.h"
#include "platform/sim/SimMachine.h"

namespace {

using Service = sim::SimServices::Service;

struct Outcome {
    Service spooler;
    std::vector<sim::MessageBoxRecord> boxes;
    std::uint64_t sleptMs = 0;
};

Outcome runControl(const std::function<void(Service&)>& setUp, int mode) {
    sim::SimMachine machine;
    machine.services.configure("Spooler", setUp);
    SpoolerService::control(machine.platform(), nullptr, "Spooler", mode);
    EXPECT_EQ(machine.services.openHandles(), 0);
    return {machine.services.service("spooler"), machine.ui.messageBoxes(), machine.system.sleptMs()};
}

TEST(SpoolerService, EnsureRunningLeavesARunningSpoolerAlone) {
    const Outcome o = runControl([](Service& s) { s.state = platform::SERVICE_RUNNING_STATE; },
                                 SpoolerService::MODE_ENSURE_RUNNING);
    EXPECT_EQ(o.spooler.starts + o.spooler.stops, 0);
    EXPECT_EQ(o.spooler.queries, 1);
    EXPECT_EQ(o.sleptMs, 0u);
    EXPECT_TRUE(o.boxes.empty());
}

TEST(SpoolerService, EnsureRunningStartsAStoppedSpoolerAndWaitsWithPauses) {
    const Outcome o = runControl(
        [](Service& s) {
            s.state = platform::SERVICE_STOPPED_STATE;
            s.startPendingQueries = 5;
        },
        SpoolerService::MODE_ENSURE_RUNNING);
    EXPECT_EQ(o.spooler.state, platform::SERVICE_RUNNING_STATE);
    EXPECT_EQ(o.spooler.starts, 1);
    EXPECT_EQ(o.spooler.stops, 0);
    // Five pending answers, each followed by a pause, before the one that says running.
    EXPECT_EQ(o.sleptMs, 5u * SpoolerService::POLL_PAUSE_MS);
    EXPECT_TRUE(o.boxes.empty());
}

TEST(SpoolerService, RestartStopsARunningSpoolerThenStartsIt) {
    const Outcome o = runControl(
        [](Service& s) {
            s.state = platform::SERVICE_RUNNING_STATE;
            s.stopPendingQueries = 2;
            s.startPendingQueries = 3;
        },
        SpoolerService::MODE_RESTART);
    EXPECT_EQ(o.spooler.state, platform::SERVICE_RUNNING_STATE);
    EXPECT_EQ(o.spooler.stops, 1);
    EXPECT_EQ(o.spooler.starts, 1);
    EXPECT_TRUE(o.boxes.empty());
}

TEST(SpoolerService, ARestartWaitsOutAStopAndAStartThatTakeRealTime) {
    using namespace std::chrono_literals;
    sim::SimMachine machine;
    machine.system.sleepForReal(true);
    machine.services.configure("Spooler", [](Service& s) {
        s.state = platform::SERVICE_RUNNING_STATE;
        s.stopPendingTime = 150ms;
        s.startPendingTime = 150ms;
    });
    const auto begin = std::chrono::steady_clock::now();
    SpoolerService::control(machine.platform(), nullptr, "Spooler", SpoolerService::MODE_RESTART);
    const auto elapsed = std::chrono::steady_clock::now() - begin;
    const Service spooler = machine.services.service("Spooler");
    EXPECT_EQ(spooler.state, platform::SERVICE_RUNNING_STATE);
    EXPECT_EQ(spooler.stops, 1);
    EXPECT_EQ(spooler.starts, 1);
    EXPECT_TRUE(machine.ui.messageBoxes().empty());
    EXPECT_GE(elapsed, 300ms);
    // Every pause the installer asked for was spent on the clock.
    EXPECT_LE(std::chrono::milliseconds(machine.system.sleptMs()), elapsed);
}

TEST(SpoolerService, RestartOfAStoppedSpoolerOnlyStartsIt) {
    const Outcome o = runControl([](Service& s) { s.state = platform::SERVICE_STOPPED_STATE; },
                                 SpoolerService::MODE_RESTART);
    EXPECT_EQ(o.spooler.state, platform::SERVICE_RUNNING_STATE);
    EXPECT_EQ(o.spooler.stops, 0);
    EXPECT_EQ(o.spooler.starts, 1);
}

TEST(SpoolerService, AStartThatFailsIsReportedWithoutWaitingOut) {
    const Outcome o = runControl(
        [](Service& s) {
            s.state = platform::SERVICE_STOPPED_STATE;
            s.startError = 1058;  // ERROR_SERVICE_DISABLED
        },
        SpoolerService::MODE_ENSURE_RUNNING);
    EXPECT_EQ(o.spooler.state, platform::SERVICE_STOPPED_STATE);
    ASSERT_EQ(o.boxes.size(), 1u);
    EXPECT_EQ(o.boxes[0].text, "服务 Spooler 未能启动");
    EXPECT_EQ(o.sleptMs, 0u);
}

TEST(SpoolerService, AServiceThatNeverRunsIsGivenUpAfterTheLimit) {
    for (int mode : {SpoolerService::MODE_ENSURE_RUNNING, SpoolerService::MODE_RESTART}) {
        SCOPED_TRACE(mode);
        const Outcome o = runControl(
            [](Service& s) {
                s.state = platform::SERVICE_STOPPED_STATE;
                s.startPendingQueries = 1000000;
            },
            mode);
        EXPECT_EQ(o.spooler.state, platform::SERVICE_START_PENDING_STATE);
        EXPECT_EQ(o.sleptMs, SpoolerService::WAIT_LIMIT_MS);
        ASSERT_EQ(o.boxes.size(), 1u);
        EXPECT_EQ(o.boxes[0].text, "服务 Spooler 未能启动");
    }
    const Outcome stuck = runControl(
        [](Service& s) {
            s.state = platform::SERVICE_RUNNING_STATE;
            s.stopPendingQueries = 1000000;
        },
        SpoolerService::MODE_RESTART);
    EXPECT_EQ(stuck.spooler.starts, 0);
    ASSERT_EQ(stuck.boxes.size(), 1u);
    EXPECT_EQ(stuck.boxes[0].text, "服务 Spooler 未能停止");
}

TEST(SpoolerService, AnUnreadableStatusIsReportedAndNothingIsDone) {
    for (int mode : {SpoolerService::MODE_ENSURE_RUNNING, SpoolerService::MODE_RESTART}) {
        const Outcome o = runControl(
            [](Service& s) {
                s.state = platform::SERVICE_RUNNING_STATE;
                s.queryFails = true;
            },
            mode);
        EXPECT_EQ(o.spooler.starts + o.spooler.stops, 0);
        ASSERT_EQ(o.boxes.size(), 1u);
        EXPECT_EQ(o.boxes[0].text, "无法确定服务状态");
        EXPECT_EQ(o.boxes[0].caption, "DriverInstaller");
        EXPECT_EQ(o.boxes[0].type, win::MB_OK | win::MB_ICONINFORMATION);
    }
}

TEST(SpoolerService, NoManagerMeansNothingHappens) {
    sim::SimMachine machine;
    machine.services.failOpenManager(true);
    machine.services.configure("Spooler", [](Service& s) { s.state = platform::SERVICE_STOPPED_STATE; });
    SpoolerService::control(machine.platform(), nullptr, "Spooler", SpoolerService::MODE_RESTART);
    EXPECT_EQ(machine.services.service("Spooler").starts, 0);
    EXPECT_TRUE(machine.ui.messageBoxes().empty());
}

}  // namespace

namespace {

std::vector<std::string> texts(const std::vector<sim::MessageBoxRecord>& boxes) {
    std::vector<std::string> out;
    for (const auto& box : boxes) out.push_back(box.text);
    return out;
}

TEST(SpoolerService, APendingServiceIsWaitedOutBeforeItIsStartedOrRestarted) {
    struct Case {
        const char* what;
        std::uint32_t pending;
        int mode;
        int starts;
        int stops;
    };
    const std::vector<Case> cases{
        {"starting, ensure-running", platform::SERVICE_START_PENDING_STATE, SpoolerService::MODE_ENSURE_RUNNING, 0, 0},
        {"stopping, ensure-running", platform::SERVICE_STOP_PENDING_STATE, SpoolerService::MODE_ENSURE_RUNNING, 1, 0},
        // A stop sent while it starts would be refused (1061).
        {"starting, restart", platform::SERVICE_START_PENDING_STATE, SpoolerService::MODE_RESTART, 1, 1},
        {"stopping, restart", platform::SERVICE_STOP_PENDING_STATE, SpoolerService::MODE_RESTART, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome o = runControl(
            [&](Service& s) {
                s.state = c.pending;
                s.pendingLeft = 3;
            },
            c.mode);
        EXPECT_EQ(o.spooler.state, platform::SERVICE_RUNNING_STATE);
        EXPECT_EQ(o.spooler.starts, c.starts);
        EXPECT_EQ(o.spooler.stops, c.stops);
        // Three pending answers, the first read among them: two pauses.
        EXPECT_EQ(o.sleptMs, 2u * SpoolerService::POLL_PAUSE_MS);
        EXPECT_TRUE(o.boxes.empty());
    }
    // A pending state that never ends is given up after the limit, and said so.
    for (const auto& [pending, text] : {std::pair{platform::SERVICE_START_PENDING_STATE, "服务 Spooler 未能启动"},
                                        std::pair{platform::SERVICE_STOP_PENDING_STATE, "服务 Spooler 未能停止"}}) {
        const Outcome o = runControl(
            [&](Service& s) {
                s.state = pending;
                s.pendingLeft = 1000000;
            },
            SpoolerService::MODE_ENSURE_RUNNING);
        EXPECT_EQ(texts(o.boxes), std::vector<std::string>{text});
    }
}

// Spooler <- Fax <- FaxScan (running), Spooler <- Idle (stopped).
void faxServices(sim::SimMachine& machine) {
    machine.services.configure("Fax", [](Service& s) {
        s.state = platform::SERVICE_RUNNING_STATE;
        s.dependsOn = {"Spooler"};
        s.stopPendingQueries = 2;
        s.startPendingQueries = 2;
    });
    machine.services.configure("FaxScan", [](Service& s) {
        s.state = platform::SERVICE_RUNNING_STATE;
        s.dependsOn = {"Fax"};
    });
    machine.services.configure("Idle", [](Service& s) { s.dependsOn = {"spooler"}; });
}

TEST(SpoolerService, ARestartTakesDownRunningDependentsFirstAndBringsThemBack) {
    sim::SimMachine machine;
    faxServices(machine);
    SpoolerService::control(machine.platform(), nullptr, "Spooler", SpoolerService::MODE_RESTART);
    EXPECT_TRUE(machine.ui.messageBoxes().empty());
    for (const char* name : {"Spooler", "Fax", "FaxScan"}) {
        SCOPED_TRACE(name);
        const Service s = machine.services.service(name);
        EXPECT_EQ(s.state, platform::SERVICE_RUNNING_STATE);
        EXPECT_EQ(s.stops, 1);
        EXPECT_EQ(s.starts, 1);
    }
    // What was not running is not started.
    EXPECT_EQ(machine.services.service("Idle").state, platform::SERVICE_STOPPED_STATE);
    EXPECT_EQ(machine.services.service("Idle").starts, 0);
    EXPECT_EQ(machine.services.openHandles(), 0);

    // A dependent that does not come back is reported; the spooler runs all the same.
    sim::SimMachine broken;
    faxServices(broken);
    broken.services.configure("FaxScan", [](Service& s) { s.startError = 1058; });
    SpoolerService::control(broken.platform(), nullptr, "Spooler", SpoolerService::MODE_RESTART);
    EXPECT_EQ(texts(broken.ui.messageBoxes()), std::vector<std::string>{"服务 FaxScan 未能启动"});
    EXPECT_EQ(broken.services.service("Spooler").state, platform::SERVICE_RUNNING_STATE);
}

TEST(SpoolerService, AStopWindowsRefusesEndsTheRestartAtOnce) {
    // The spooler itself refuses.
    const Outcome own = runControl(
        [](Service& s) {
            s.state = platform::SERVICE_RUNNING_STATE;
            s.stopError = win::ERROR_ACCESS_DENIED;
        },
        SpoolerService::MODE_RESTART);
    EXPECT_EQ(texts(own.boxes), std::vector<std::string>{"服务 Spooler 未能停止"});
    EXPECT_EQ(own.sleptMs, 0u);
    EXPECT_EQ(own.spooler.starts, 0);

    // A dependent refuses: the one already stopped is started again, the spooler left running.
    sim::SimMachine machine;
    faxServices(machine);
    machine.services.configure("Zeta", [](Service& s) {
        s.state = platform::SERVICE_RUNNING_STATE;
        s.dependsOn = {"Spooler"};
        s.stopError = win::ERROR_ACCESS_DENIED;
    });
    SpoolerService::control(machine.platform(), nullptr, "Spooler", SpoolerService::MODE_RESTART);
    EXPECT_EQ(texts(machine.ui.messageBoxes()), std::vector<std::string>{"服务 Zeta 未能停止"});
    const Service spooler = machine.services.service("Spooler");
    EXPECT_EQ(spooler.stops, 0);
    EXPECT_EQ(spooler.state, platform::SERVICE_RUNNING_STATE);
    for (const char* name : {"Fax", "FaxScan"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(machine.services.service(name).state, platform::SERVICE_RUNNING_STATE);
        EXPECT_EQ(machine.services.service(name).starts, 1);
    }
    EXPECT_EQ(machine.services.openHandles(), 0);
}

// The simulated manager refuses what Windows refuses, with Windows' numbers.
TEST(SimulatedServices, DependenciesAndPendingStatesAreEnforced) {
    sim::SimMachine machine;
    faxServices(machine);
    platform::Services& services = machine.services;
    platform::ServiceHandlePtr manager, spooler, fax;
    ASSERT_EQ(services.openManager(platform::SC_MANAGER_ALL_ACCESS_RIGHTS, manager), 0);
    ASSERT_EQ(services.openService(*manager, "Spooler", platform::SERVICE_ALL_ACCESS_RIGHTS, spooler), 0);
    ASSERT_EQ(services.openService(*manager, "Fax", platform::SERVICE_ALL_ACCESS_RIGHTS, fax), 0);
    std::vector<platform::DependentService> dependents;
    ASSERT_EQ(services.enumDependents(*spooler, platform::SERVICE_ACTIVE_FILTER, dependents), 0);
    ASSERT_EQ(dependents.size(), 2u);  // Idle is stopped
    EXPECT_EQ(dependents[0].name, "FaxScan");  // reverse start order: the indirect one first
    std::uint32_t state = 0;
    const auto stop = [&](platform::ServiceHandlePtr& s) {
        return services.control(*s, platform::SERVICE_CONTROL_STOP_CODE, state);
    };
    EXPECT_EQ(stop(spooler), win::ERROR_DEPENDENT_SERVICES_RUNNING);
    EXPECT_EQ(stop(fax), win::ERROR_DEPENDENT_SERVICES_RUNNING);
    machine.services.configure("FaxScan", [](Service& s) { s.state = platform::SERVICE_STOPPED_STATE; });
    EXPECT_EQ(stop(fax), 0);
    EXPECT_EQ(stop(fax), win::ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
    EXPECT_EQ(services.start(*spooler), win::ERROR_SERVICE_ALREADY_RUNNING);
}

}  // namespace
