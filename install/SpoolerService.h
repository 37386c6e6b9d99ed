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

    // Blocks until the service runs, or until a wait gave up, Windows refused a stop or start,
    // or the state could not be read; each of those is shown in a message box owned by `owner`
    // (which may be null). A service caught starting or stopping is let settle first. A restart
    // stops the running services that depend on this one first and starts them again after.
    static void control(platform::Platform& platform, platform::DialogWindow* owner, const std::string& serviceName,
                        int mode);
};
