#pragma once
// Making sure a service runs, or restarting it, through the service control manager.
#include <cstdint>
#include <string>

#include "platform/Platform.h"

class SpoolerService {
public:
    // Start the service only if it is stopped.
    static constexpr int MODE_ENSURE_RUNNING = 16;
    // Start it if stopped, else stop it and start it again.
    static constexpr int MODE_RESTART = 0;

    // Each wait polls with this pause and gives up after this long.
    static constexpr std::uint32_t POLL_PAUSE_MS = 100;
    static constexpr std::uint32_t WAIT_LIMIT_MS = 60000;

    // Blocks until the service runs, or until a wait gave up or the state could not be read;
    // both of those are shown in a message box owned by `owner` (which may be null).
    static void control(platform::Platform& platform, platform::DialogWindow* owner, const std::string& serviceName,
                        int mode);
};
