#pragma once
// Everything the logic may reach of Windows, handed to it as one bundle.
#include "platform/ArchiveLibrary.h"
#include "platform/Files.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/Spooler.h"
#include "platform/SystemInfo.h"
#include "platform/Threads.h"
#include "platform/Ui.h"

namespace platform {

struct Platform {
    Registry& registry;
    Spooler& spooler;
    Threads& threads;
    Ui& ui;
    FileSystem& files;
    ProfileReader& profiles;
    Services& services;
    SystemInfo& system;
    ArchiveLibraryLoader& archives;
};

}  // namespace platform
