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

#include <iconv.h>

#include <cerrno>

namespace sim {

namespace {

std::string upperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

}  // namespace

platform::LocalTime SimSystemInfo::localTime() {
    std::lock_guard lock(mutex_);
    platform::LocalTime now = clockStart_;
    // The virtual clock moves the time of day on; a run never spans midnight.
    const std::uint64_t ms = now.milliseconds + (sleptMs_.load() - clockStartSleptMs_);
    std::uint64_t seconds = static_cast<std::uint64_t>(now.hour) * 3600 + now.minute * 60 + now.second + ms / 1000;
    seconds %= 24 * 3600;
    now.milliseconds = static_cast<int>(ms % 1000);
    now.hour = static_cast<int>(seconds / 3600);
    now.minute = static_cast<int>(seconds / 60 % 60);
    now.second = static_cast<int>(seconds % 60);
    return now;
}

void SimSystemInfo::setLocalTime(const platform::LocalTime& time) {
    std::lock_guard lock(mutex_);
    clockStart_ = time;
    clockStartSleptMs_ = sleptMs_.load();
}

std::string SimSystemInfo::environmentVariable(const std::string& name) {
    std::lock_guard lock(mutex_);
    const auto it = environment_.find(upperAscii(name));
    return it != environment_.end() ? it->second : std::string();
}

void SimSystemInfo::setEnvironmentVariable(const std::string& name, const std::string& value) {
    std::lock_guard lock(mutex_);
    if (value.empty()) {
        environment_.erase(upperAscii(name));
    } else {
        environment_[upperAscii(name)] = value;
    }
}

std::string SimSystemInfo::ansiToUtf8(const std::string& text) {
    // The simulated machine runs in code page 936, as the target systems do.
    iconv_t cd = iconv_open("UTF-8", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1)) return text;
    std::string out;
    std::string in = text;
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    while (inLeft > 0) {
        char buffer[256];
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out += "\xEF\xBF\xBD";
            ++inPtr;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace sim
