#include <cstdio>

#include "app/MainDialog.h"

namespace {

constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;

const char* versionClassName(int versionClass) {
    switch (versionClass) {
        case 1: return "Microsoft Windows 95";
        case 2: return "Microsoft Windows 98";
        case 3: return "Microsoft Windows Me";
        case 4: return "Microsoft Windows NT";
        case 5: return "Microsoft Windows 2000";
        case 6: return "Microsoft Windows XP";
        case 7: return "Microsoft Windows 2003";
        case 8: return "Microsoft Windows Vista";
        case 9: return "Microsoft Windows 7";
        case 10: return "Microsoft Windows 8";
        case 11: return "Microsoft Windows 8.1";
        case 12: return "Microsoft Windows 10";
        default: return "";
    }
}

}  // namespace

int getWindowsVersionClass(platform::SystemInfo& system) {
    platform::OsVersion version;
    // Systems older than NT 4 SP6 refuse the extended structure but accept the plain one.
    if (!system.getVersionEx(156, version) && !system.getVersionEx(148, version)) return -1;
    const std::uint32_t major = version.majorVersion;
    const std::uint32_t minor = version.minorVersion;
    if (version.platformId == VER_PLATFORM_WIN32_WINDOWS) {
        if (major == 4 && minor == 0) return 1;
        if (major == 4 && minor == 10) return 2;
        if (major == 4 && minor == 90) return 3;
        return -1;
    }
    if (version.platformId != VER_PLATFORM_WIN32_NT) return 5;
    if (major <= 4) return 4;
    if (major == 5) return minor <= 2 ? static_cast<int>(5 + minor) : -1;
    if (major == 6) return minor <= 3 ? static_cast<int>(8 + minor) : -1;
    if (major == 10) return 12;
    return -1;
}

void MainDialog::detectSystem() {
    const char* bits = "32位";
    if (platform_.system.hasIsWow64Process()) platform_.system.isWow64Process(isWow64);
    if (isWow64 != 0) bits = "64位";
    const std::string osName = versionClassName(getWindowsVersionClass(platform_.system));
    statusText = std::string("当前系统为") + osName + " " + bits;
    sendUpdateData();
}
