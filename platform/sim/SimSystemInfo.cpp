#include "platform/sim/SimSystemInfo.h"

namespace sim {

bool SimSystemInfo::getVersionEx(std::uint32_t structSize, platform::OsVersion& version) {
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        hook = versionHook_;
    }
    if (hook) hook();
    std::lock_guard lock(mutex_);
    if (structSize == 156 && failExtended_) return false;
    if (structSize == 148 && failPlain_) return false;
    if (structSize != 156 && structSize != 148) return false;  // ERROR_INSUFFICIENT_BUFFER
    version = version_;
    return true;
}

void SimSystemInfo::setVersion(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor) {
    std::lock_guard lock(mutex_);
    version_ = platform::OsVersion{platformId, major, minor};
}

void SimSystemInfo::onVersionQuery(std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    versionHook_ = std::move(hook);
}

void SimSystemInfo::failVersionEx(bool extended, bool plain) {
    std::lock_guard lock(mutex_);
    failExtended_ = extended;
    failPlain_ = plain;
}

}  // namespace sim
