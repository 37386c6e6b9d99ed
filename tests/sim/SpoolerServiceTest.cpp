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
