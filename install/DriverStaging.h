#pragma once
// Pieces both driver installers use.
#include <string>

#include "platform/Platform.h"

class MainDialog;

namespace DriverStaging {

constexpr std::uint32_t DIRECTORY_BUFFER_SIZE = 255;

// "Windows x64" on 64-bit Windows, else "Windows NT x86".
std::string environmentFor(bool wow64);
// Copies a file (overwriting) and shows its destination as the status; 0 or the copy's error.
long stage(MainDialog& dialog, const std::string& source, const std::string& destination);
// The driver version the spooler expects: 2 on Windows NT 4.0 and earlier, else 3.
std::uint32_t driverVersion(platform::SystemInfo& system);
// The failure box of the driver step; Retry leaves the dialog ready for another press,
// Cancel ends the installer.
void reportDriverFailure(MainDialog& dialog, long error, const std::string& caption);

}  // namespace DriverStaging
