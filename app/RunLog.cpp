#include "app/RunLog.h"


namespace {

std::string defaultLogPath(platform::SystemInfo& system) {
    std::string folder = system.environmentVariable("TEMP");
    if (folder.empty()) folder = system.windowsDirectory(260) + "\\Temp";
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder + "DriverInstaller.log";
}

std::string padded(int value, std::size_t width) {
    std::string digits = std::to_string(value);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return digits;
}

std::string oneLine(const std::string& text) {
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            line += " | ";
        } else {
            line += c;
        }
    }
    return line;
}

}  // namespace

RunLog::RunLog(platform::FileSystem& files, platform::SystemInfo& system, const std::string& path)
    : files_(files), system_(system), path_(path.empty() ? defaultLogPath(system) : path) {}

void RunLog::write(const std::string& text) {
    const platform::LocalTime t = system_.localTime();
    const std::string stamp = padded(t.year, 4) + "-" + padded(t.month, 2) + "-" + padded(t.day, 2) + " " +
                              padded(t.hour, 2) + ":" + padded(t.minute, 2) + ":" + padded(t.second, 2) + "." +
                              padded(t.milliseconds, 3) + " ";
    const std::string line = stamp + system_.ansiToUtf8(oneLine(text)) + "\r\n";
    std::lock_guard lock(mutex_);
    const long error = files_.appendFile(path_, line);
    if (error != 0 && writeError_ == 0) writeError_ = error;
}

long RunLog::writeError() const {
    std::lock_guard lock(mutex_);
    return writeError_;
}
