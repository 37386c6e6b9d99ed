#pragma once
// A simulated Windows machine: the registry, spooler, services, drive C:, user interface and
// the rest that the logic runs against natively.
#include "platform/Platform.h"
#include "platform/sim/FaultInjection.h"
#include "platform/sim/SimArchiveLibrary.h"
#include "platform/sim/SimFileSystem.h"
#include "platform/sim/SimPeImage.h"
#include "platform/sim/SimProfileReader.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimServices.h"
#include "platform/sim/SimSpooler.h"
#include "platform/sim/SimSystemInfo.h"
#include "platform/sim/SimThreads.h"
#include "platform/sim/SimUi.h"

namespace sim {

class SimMachine {
public:
    SimMachine()
        : profiles(files),
          archives(files),
          faultyPlatform_({registry, spooler, threads, ui, files, profiles, services, system, archives}, faults) {
        // The folders every Windows has; SysWOW64 is there on 64-bit Windows.
        files.makeDirectory("C:\\Windows\\system32");
        files.makeDirectory("C:\\Windows\\SysWOW64");
        spooler.attach(files, registry, services, system);
        services.onStarted("Spooler", [this] { spooler.restart(); });
    }
    SimMachine(const SimMachine&) = delete;
    SimMachine& operator=(const SimMachine&) = delete;

    // What the logic runs on: every call passes the fault plan on its way to the machine.
    platform::Platform& platform() { return faultyPlatform_.platform(); }

    // The ports and serial device map of a fresh desktop: COM1, LPT1 and the print-to-file port.
    void installDefaultPorts();

    SimUi ui;
    SimRegistry registry;
    SimSpooler spooler;
    SimFileSystem files;
    SimProfileReader profiles;
    SimServices services;
    SimSystemInfo system;
    SimArchiveLibraryLoader archives;
    // Operations to fail, and the record of those the logic made.
    FaultPlan faults;

private:
    FaultyPlatform faultyPlatform_;

public:
    // Declared last so that its threads are joined before anything they use goes away.
    SimThreads threads;
};

}  // namespace sim
