#pragma once
// A 64-bit driver "D" whose three files are written as `bytes` into the spooler's driver
// folder, ready for AddPrinterDriverEx: for tests of the spooler and the files it holds.
#include <string>

#include "platform/Spooler.h"
#include "platform/sim/SimMachine.h"

inline const std::string kStandInDriverFolder = "C:\\Windows\\system32\\spool\\drivers\\x64\\";

inline platform::DriverInfo3 standInDriver(sim::SimMachine& machine, const std::string& bytes) {
    for (const char* name : {"d.dll", "d.gpd", "u.dll"}) machine.files.writeFile(kStandInDriverFolder + name, bytes);
    platform::DriverInfo3 driver;
    driver.version = 3;
    driver.name = "D";
    driver.environment = "Windows x64";
    driver.driverPath = kStandInDriverFolder + "d.dll";
    driver.dataFile = kStandInDriverFolder + "d.gpd";
    driver.configFile = kStandInDriverFolder + "u.dll";
    return driver;
}
