// The installer's start-up on the demo package, on a fresh simulated machine per run: from the
// creation of the main window until the start-up thread has filled the model drop-down and put
// the prompt in it. The product carries no timing code: the clock is read from outside, by
// the window thread before it creates the window, by the simulated machine's hooks, and by
// thin wrappers around the platform's threads and profile reader.
//
//   startup_bench [RUNS] [PACKAGE]
//
// Defaults: 9 timed runs after one warm-up run; the demo package built with the program.
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/InstallerApp.h"
#include "app/MainDialog.h"
#include "platform/sim/SimMachine.h"
#include "tests/bench/BenchSupport.h"

namespace {

using bench::Clock;

// When the start-up reached each mark. The phases are the spans between marks; each mark is
// the first call of its kind, made on the start-up thread.
struct Marks {
    Clock::time_point windowCreated;
    std::optional<Clock::time_point> portsEnumerated;
    std::optional<Clock::time_point> unpackStarted;
    std::optional<Clock::time_point> catalogueRead;
    Clock::time_point finished;
    double cpuAtWindow = 0;
    double cpuAtFinish = 0;
};

// Starts threads through the machine's own, noting when the first of them (the start-up
// thread: the main window starts no other on its own) has returned.
class TimedThreads : public platform::Threads {
public:
    TimedThreads(platform::Threads& inner, Marks& marks) : inner_(inner), marks_(marks) {}

    platform::ThreadHandle start(std::function<void()> body) override {
        return inner_.start([this, body = std::move(body)] {
            body();
            const auto now = Clock::now();
            const double cpu = bench::processCpuSeconds();
            {
                std::lock_guard lock(mutex_);
                if (done_) return;
                marks_.finished = now;
                marks_.cpuAtFinish = cpu;
                done_ = true;
            }
            changed_.notify_all();
        });
    }

    bool waitForFirst(std::chrono::seconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return done_; });
    }

private:
    platform::Threads& inner_;
    Marks& marks_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = false;
};

// Reads through the machine's reader, noting the first read: the catalogue is the first
// profile file the start-up reads, and it is read only once the package is unpacked.
class TimedProfiles : public platform::ProfileReader {
public:
    TimedProfiles(platform::ProfileReader& inner, Marks& marks) : inner_(inner), marks_(marks) {}

    std::uint32_t sectionNames(const std::string& file, std::uint32_t bufferSize, std::string& buffer) override {
        if (!marks_.catalogueRead) marks_.catalogueRead = Clock::now();
        return inner_.sectionNames(file, bufferSize, buffer);
    }
    std::uint32_t getString(const std::string& section, const std::string& key, const std::string& defaultValue,
                            std::uint32_t bufferSize, std::string& value, const std::string& file) override {
        return inner_.getString(section, key, defaultValue, bufferSize, value, file);
    }

private:
    platform::ProfileReader& inner_;
    Marks& marks_;
};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "start-up bench: %s\n", what);
    std::exit(1);
}

// One start-up; `modelCount` receives the number of display names in the drop-down.
Marks startOnce(const std::string& package, std::size_t& modelCount) {
    sim::SimMachine machine;
    // The machine the installer tests start from: the package in the current folder, a
    // default printer, one serial port.
    machine.files.setCurrentDirectory("C:\\Demo");
    machine.files.writeFile("C:\\Demo\\DriverData.Drv", package);
    machine.registry.setString("HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", "Device",
                               "Old Printer,winspool,LPT1:");
    machine.registry.setString("HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports", "COM1:",
                               "9600,n,8,1");

    Marks marks;
    machine.spooler.onEnumPorts([&] {
        if (!marks.portsEnumerated) marks.portsEnumerated = Clock::now();
    });
    machine.archives.onSevenZip([&] {
        if (!marks.unpackStarted) marks.unpackStarted = Clock::now();
    });
    TimedThreads threads(machine.threads, marks);
    TimedProfiles profiles(machine.profiles, marks);
    platform::Platform platform{machine.registry, machine.spooler, threads,        machine.ui,     machine.files,
                                profiles,         machine.services, machine.system, machine.archives};

    const unsigned updateDataMessage = InstallerApp(platform).updateDataMessage();
    std::thread windowThread([&] {
        MainDialog dialog(platform, updateDataMessage);
        marks.cpuAtWindow = bench::processCpuSeconds();
        marks.windowCreated = Clock::now();
        dialog.doModal();
    });
    const bool finished = threads.waitForFirst(std::chrono::seconds(30));

    std::vector<std::string> items;
    machine.ui.asUser([&](sim::SimDialog& window) { items = window.control(IDC_MODEL_COMBO).items; });
    machine.ui.asUser([](sim::SimDialog& window) { window.userCloseBox(); });
    windowThread.join();
    // The wrappers above go before the machine: its threads must not outlive them.
    machine.threads.joinAll();

    if (!finished) fail("the start-up thread did not finish within 30 s");
    if (items.size() < 2) fail("the model drop-down holds no catalogue");
    if (!marks.portsEnumerated || !marks.unpackStarted || !marks.catalogueRead) {
        fail("the start-up skipped the port inventory, the unpacking or the catalogue");
    }
    modelCount = items.size() - 1;  // the prompt is the first item
    return marks;
}

double ms(Clock::time_point from, Clock::time_point to) { return 1e3 * bench::secondsSince(from, to); }

}  // namespace

int main(int argc, char** argv) {
    const int runs = bench::positiveArgument(argc, argv, 1, 9);
    const std::string packagePath = argc > 2 ? argv[2] : DEMO_PACKAGE_ARCHIVE;
    std::ifstream in(packagePath, std::ios::binary);
    const std::string package(std::istreambuf_iterator<char>(in), {});
    if (!in.good() && !in.eof()) fail("cannot read the package");
    if (package.empty()) fail("the package is empty or missing");

    std::printf("Installer start-up on the simulated machine: from the creation of the main window until\n"
                "the start-up thread has filled the model drop-down and shown the prompt. Package %s\n"
                "(%zu bytes), a fresh machine per run, 1 warm-up run and %d timed runs, load average %s.\n"
                "The simulated machine's own work counts too: its window messages between threads, and\n"
                "drive C: kept in a host folder (unpacking writes real files there).\n",
                packagePath.c_str(), package.size(), runs, bench::loadAverage().c_str());

    std::size_t models = 0;
    startOnce(package, models);

    std::vector<double> totals;
    std::vector<double> cpus;
    std::vector<double> toPorts;
    std::vector<double> toUnpack;
    std::vector<double> unpack;
    std::vector<double> rest;
    for (int i = 0; i < runs; ++i) {
        const Marks m = startOnce(package, models);
        totals.push_back(ms(m.windowCreated, m.finished));
        cpus.push_back(1e3 * (m.cpuAtFinish - m.cpuAtWindow));
        toPorts.push_back(ms(m.windowCreated, *m.portsEnumerated));
        toUnpack.push_back(ms(*m.portsEnumerated, *m.unpackStarted));
        unpack.push_back(ms(*m.unpackStarted, *m.catalogueRead));
        rest.push_back(ms(*m.catalogueRead, m.finished));
        std::printf("  run %d: %.2f ms\n", i + 1, totals.back());
    }

    std::printf("start-up to the prompt (%zu models in the drop-down): median %.2f ms, min %.2f ms, max %.2f ms;\n"
                "  process CPU (all threads) median %.2f ms\n",
                models, bench::median(totals), *std::min_element(totals.begin(), totals.end()),
                *std::max_element(totals.begin(), totals.end()), bench::median(cpus));
    std::printf("phase medians (they need not add up to the median total):\n"
                "  %8.2f ms  window created -> port enumeration (dialog set-up, start-up thread, spooler check,\n"
                "              serial ports from the registry)\n"
                "  %8.2f ms  port enumeration -> unpacking starts (port list, status text, archive library load)\n"
                "  %8.2f ms  unpacking (SevenZip call, library unload) -> first catalogue read\n"
                "  %8.2f ms  catalogue read, drop-down filled, system detection, prompt\n",
                bench::median(toPorts), bench::median(toUnpack), bench::median(unpack), bench::median(rest));
    std::printf("load average after: %s\n", bench::loadAverage().c_str());
    return 0;
}
