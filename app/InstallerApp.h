#pragma once
#include "platform/Platform.h"

// The one application object: registers "MyUpdateData" and runs the main dialog modally.
class InstallerApp {
public:
    explicit InstallerApp(platform::Platform& platform);

    // Runs the main dialog to its end. Returns false: the process ends after the dialog.
    bool initInstance();

    // The identifier of the registered window message "MyUpdateData".
    unsigned updateDataMessage() const { return updateDataMessage_; }

private:
    platform::Platform& platform_;
    unsigned updateDataMessage_;
};
