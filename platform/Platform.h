#pragma once
// Everything the logic may reach of Windows, handed to it as one bundle.
#include "platform/Registry.h"
#include "platform/Spooler.h"
#include "platform/Threads.h"
#include "platform/Ui.h"

namespace platform {

struct Platform {
    Registry& registry;
    Spooler& spooler;
    Threads& threads;
    Ui& ui;
};

}  // namespace platform
