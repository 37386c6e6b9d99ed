#pragma once
// What the benchmarks share: clocks, medians and the run count from the command line.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// CPU time of every thread of the process, so that work the code under measurement hands to
// another thread is counted too.
inline double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

inline double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The argument at `index` as a positive count, or `fallback` when it is absent; exits on
// anything else, so that a typo does not silently run the default.
inline int positiveArgument(int argc, char** argv, int index, int fallback) {
    if (index >= argc) return fallback;
    char* end = nullptr;
    const long value = std::strtol(argv[index], &end, 10);
    if (end == argv[index] || *end != '\0' || value < 1 || value > 100000) {
        std::fprintf(stderr, "%s: not a positive count: %s\n", argv[0], argv[index]);
        std::exit(2);
    }
    return static_cast<int>(value);
}

// The host's load averages over 1, 5 and 15 minutes, as /proc/loadavg gives them; "?" if
// unreadable. Other jobs on the host stretch wall times, so the numbers need it beside them.
inline std::string loadAverage() {
    std::FILE* file = std::fopen("/proc/loadavg", "r");
    if (file == nullptr) return "?";
    char text[64] = {};
    const bool read = std::fgets(text, sizeof text, file) != nullptr;
    std::fclose(file);
    if (!read) return "?";
    std::string all(text);
    std::size_t end = 0;
    for (int field = 0; field < 3 && end != std::string::npos; ++field) end = all.find(' ', end + 1);
    return all.substr(0, end);
}

}  // namespace bench
