#pragma once
// The log of a command-line run: UTF-8 text, one line per event, each with the local time.
// A log that cannot be written does not stop the run; the first failure is kept.
#include <mutex>
#include <string>

#include "platform/Files.h"
#include "platform/SystemInfo.h"

class RunLog {
public:
    // `path` empty: DriverInstaller.log in the folder %TEMP% names.
    RunLog(platform::FileSystem& files, platform::SystemInfo& system, const std::string& path);

    // One event. The text is ANSI (code page of the system); line breaks in it are kept on
    // the one line as " | ", so that every line of the file is one event.
    void write(const std::string& text);

    const std::string& path() const { return path_; }
    // 0, or the error of the first write that failed.
    long writeError() const;

private:
    platform::FileSystem& files_;
    platform::SystemInfo& system_;
    std::string path_;
    mutable std::mutex mutex_;
    long writeError_ = 0;
};
