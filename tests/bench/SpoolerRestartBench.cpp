// CPU time the installer spends while it restarts a print spooler that takes real time to stop
// and to start: the wait must sleep between polls, not spin.
//
//   spooler_restart_bench [RUNS] [STOP_MS] [START_MS]
//
// Defaults: 7 runs, a stop and a start of 1000 ms each.
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "install/SpoolerService.h"
#include "platform/sim/SimMachine.h"
#include "tests/bench/BenchSupport.h"

namespace {

struct Run {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    int statusQueries = 0;
    std::uint64_t sleptMs = 0;
};

Run restartOnce(int stopMs, int startMs) {
    sim::SimMachine machine;
    machine.system.sleepForReal(true);
    machine.services.configure("Spooler", [&](sim::SimServices::Service& s) {
        s.state = platform::SERVICE_RUNNING_STATE;
        s.stopPendingTime = std::chrono::milliseconds(stopMs);
        s.startPendingTime = std::chrono::milliseconds(startMs);
    });

    const auto wallBegin = bench::Clock::now();
    const double cpuBegin = bench::processCpuSeconds();
    SpoolerService::control(machine.platform(), nullptr, "Spooler", SpoolerService::MODE_RESTART);
    const double cpuEnd = bench::processCpuSeconds();
    const auto wallEnd = bench::Clock::now();

    const sim::SimServices::Service spooler = machine.services.service("Spooler");
    // A restart that gave up or never happened would measure nothing worth reporting.
    if (spooler.state != platform::SERVICE_RUNNING_STATE || spooler.stops != 1 || spooler.starts != 1 ||
        !machine.ui.messageBoxes().empty()) {
        std::fprintf(stderr, "spooler restart did not complete (state %u, %d stops, %d starts, %zu boxes)\n",
                     spooler.state, spooler.stops, spooler.starts, machine.ui.messageBoxes().size());
        std::exit(1);
    }
    return {bench::secondsSince(wallBegin, wallEnd), cpuEnd - cpuBegin, spooler.queries, machine.system.sleptMs()};
}

// Process CPU time of `pauses` bare sleeps of the poll pause: what waking up costs the host
// alone, the floor under any polling wait.
double bareSleepsCpuSeconds(std::uint64_t pauses) {
    const double begin = bench::processCpuSeconds();
    for (std::uint64_t i = 0; i < pauses; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(SpoolerService::POLL_PAUSE_MS));
    }
    return bench::processCpuSeconds() - begin;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = bench::positiveArgument(argc, argv, 1, 7);
    const int stopMs = bench::positiveArgument(argc, argv, 2, 1000);
    const int startMs = bench::positiveArgument(argc, argv, 3, 1000);

    std::printf("Spooler restart: SpoolerService::control(MODE_RESTART) on the simulated machine, whose\n"
                "spooler stays pending %d ms to stop and %d ms to start; Sleep really sleeps.\n"
                "Measured per run: wall time and process CPU time (all threads) of the whole call,\n"
                "the simulated service manager's own bookkeeping included. %d runs, load average %s.\n",
                stopMs, startMs, runs, bench::loadAverage().c_str());

    std::vector<double> walls;
    std::vector<double> cpus;
    std::vector<double> shares;
    std::uint64_t pauses = 0;
    for (int i = 0; i < runs; ++i) {
        const Run run = restartOnce(stopMs, startMs);
        walls.push_back(run.wallSeconds);
        cpus.push_back(run.cpuSeconds);
        shares.push_back(100.0 * run.cpuSeconds / run.wallSeconds);
        pauses = run.sleptMs / SpoolerService::POLL_PAUSE_MS;
        std::printf("  run %d: wall %.3f s, CPU %.3f ms, %d status queries, %llu ms of pauses\n", i + 1,
                    run.wallSeconds, run.cpuSeconds * 1e3, run.statusQueries,
                    static_cast<unsigned long long>(run.sleptMs));
    }
    const double share = bench::median(shares);
    std::printf("median wall %.3f s, median CPU %.3f ms, CPU/wall %.3f %% (target < 2 %%): %s\n", bench::median(walls),
                bench::median(cpus) * 1e3, share, share < 2.0 ? "met" : "NOT MET");
    std::printf("for comparison, %llu bare sleeps of %u ms (no installer, no simulated machine): CPU %.3f ms\n",
                static_cast<unsigned long long>(pauses), SpoolerService::POLL_PAUSE_MS,
                bareSleepsCpuSeconds(pauses) * 1e3);
    std::printf("load average after: %s\n", bench::loadAverage().c_str());
    return 0;
}
