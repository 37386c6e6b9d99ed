#pragma once
// A command-line run: the installer's flows without the window, answered by rule, logged.
#include <string>

#include "app/CommandLine.h"
#include "platform/Platform.h"

// Runs `command` (parsed from `commandLineText`) on `platform`; the exit code (ExitCodes.h).
int runCommandLine(platform::Platform& platform, const CommandLine& command, const std::string& commandLineText);
