// The simulated spooler where Wine cannot stand in for Windows: print jobs that hold a printer
// being deleted, printer connections, monitors on a 32-bit machine, and module files.
#include <gtest/gtest.h>

#include "install/SpoolerService.h"
#include "platform/WinConstants.h"
#include "platform/sim/SimMachine.h"

namespace {

class SimSpoolerTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine.installDefaultPorts();
        const std::string folder = "C:\\Windows\\system32\\spool\\drivers\\x64\\";
        for (const char* name : {"d.dll", "d.gpd", "u.dll"}) machine.files.writeFile(folder + name, "stand-in");
        platform::DriverInfo3 driver;
        driver.version = 3;
        driver.name = "D";
        driver.environment = "Windows x64";
        driver.driverPath = folder + "d.dll";
        driver.dataFile = folder + "d.gpd";
        driver.configFile = folder + "u.dll";
        ASSERT_EQ(spooler().addPrinterDriverEx(driver, platform::APD_COPY_ALL_FILES_FLAG), 0);
    }
    platform::Spooler& spooler() { return machine.platform().spooler; }
    long add(const std::string& name) {
        platform::PrinterHandlePtr created;
        return spooler().addPrinter({name, "LPT1:", "D", "WinPrint", "RAW"}, created);
    }
    platform::PrinterHandlePtr open(const std::string& name) {
        platform::PrinterHandlePtr handle;
        EXPECT_EQ(spooler().openPrinter(name, platform::PRINTER_ALL_ACCESS_RIGHTS, handle), 0) << name;
        return handle;
    }
    void restart() { SpoolerService::control(machine.platform(), nullptr, "Spooler", SpoolerService::MODE_RESTART); }

    sim::SimMachine machine;
};

TEST_F(SimSpoolerTest, APrinterWithJobsIsDeletedWhenTheyEnd) {
    ASSERT_EQ(add("Kitchen"), 0);
    machine.spooler.addJobs("Kitchen", 2);
    auto handle = open("Kitchen");
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(spooler().deletePrinter(*handle), 0);
    // Marked, not gone: listed, openable, its name and records taken; a restart keeps it so.
    EXPECT_TRUE(machine.spooler.pendingDeletion("Kitchen"));
    EXPECT_EQ(add("kitchen"), 1802);
    restart();
    EXPECT_TRUE(machine.spooler.pendingDeletion("Kitchen"));
    EXPECT_EQ(machine.spooler.jobs("Kitchen"), 2);
    platform::RegValue port;
    EXPECT_TRUE(machine.registry.value("HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Kitchen", "Port", port));
    std::vector<platform::PrinterEntry> listed;
    ASSERT_EQ(spooler().enumPrinters(platform::PRINTER_ENUM_LOCAL_FLAG, listed), 0);
    ASSERT_EQ(listed.size(), 1u);

    machine.spooler.finishJobs("Kitchen");
    EXPECT_TRUE(machine.spooler.printers().empty());
    EXPECT_FALSE(machine.registry.value("HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Kitchen", "Port", port));
    EXPECT_EQ(add("Kitchen"), 0);
}

TEST_F(SimSpoolerTest, APurgeEndsEveryJobAndSoAPendingDeletion) {
    ASSERT_EQ(add("Kitchen"), 0);
    machine.spooler.addJobs("Kitchen", 2);
    auto handle = open("Kitchen");
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(spooler().setPrinterCommand(*handle, platform::PRINTER_CONTROL_PURGE_COMMAND), 0);
    EXPECT_EQ(machine.spooler.jobs("Kitchen"), 0);
    ASSERT_EQ(spooler().deletePrinter(*handle), 0);
    EXPECT_TRUE(machine.spooler.printers().empty());

    // Purged after the deletion: the marked printer goes with its jobs.
    ASSERT_EQ(add("Office"), 0);
    machine.spooler.addJobs("Office", 1);
    auto office = open("Office");
    ASSERT_NE(office, nullptr);
    ASSERT_EQ(spooler().deletePrinter(*office), 0);
    ASSERT_EQ(machine.spooler.printers().size(), 1u);
    ASSERT_EQ(spooler().setPrinterCommand(*office, platform::PRINTER_CONTROL_PURGE_COMMAND), 0);
    EXPECT_TRUE(machine.spooler.printers().empty());
}

TEST_F(SimSpoolerTest, EveryCallOnAHandleFromBeforeARestartFails) {
    ASSERT_EQ(add("Kitchen"), 0);
    auto before = open("Kitchen");
    ASSERT_NE(before, nullptr);
    auto closedInTime = open("Kitchen");
    ASSERT_NE(closedInTime, nullptr);
    closedInTime.reset();
    restart();
    EXPECT_EQ(spooler().setPrinterCommand(*before, platform::PRINTER_CONTROL_PURGE_COMMAND), 6);
    EXPECT_EQ(spooler().deletePrinter(*before), 6);
    EXPECT_EQ(machine.spooler.printers().size(), 1u);
    before.reset();
    // Two calls and the close; the handle closed before the restart does not count.
    EXPECT_EQ(machine.spooler.staleHandleCalls(), 3);
    EXPECT_EQ(machine.spooler.openPrinterHandles(), 0);
    auto after = open("Kitchen");
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(spooler().deletePrinter(*after), 0);
}

TEST_F(SimSpoolerTest, ConnectionsAreListedOnlyWhenAskedForAndAfterTheLocalPrinters) {
    ASSERT_EQ(add("Kitchen"), 0);
    machine.spooler.addPrinterConnection("\\\\SHOP\\Bar", "COM2:");
    std::vector<platform::PrinterEntry> listed;
    ASSERT_EQ(spooler().enumPrinters(platform::PRINTER_ENUM_LOCAL_FLAG, listed), 0);
    ASSERT_EQ(listed.size(), 1u);
    ASSERT_EQ(spooler().enumPrinters(platform::PRINTER_ENUM_CONNECTIONS_FLAG, listed), 0);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].printerName, "\\\\SHOP\\Bar");
    ASSERT_EQ(spooler().enumPrinters(platform::PRINTER_ENUM_LOCAL_FLAG | platform::PRINTER_ENUM_CONNECTIONS_FLAG, listed),
              0);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].printerName, "Kitchen");
    EXPECT_EQ(listed[1].portName, "COM2:");
    // Kept per user, where Windows keeps them.
    platform::RegValue server;
    EXPECT_TRUE(machine.registry.value("HKCU\\Printers\\Connections\\,,SHOP,Bar", "Server", server));
    EXPECT_EQ(platform::regSzText(server.data), "\\\\SHOP");
}

// The contract test covers the 64-bit machine; a 32-bit one takes only 32-bit monitors, and
// a DLL named without a folder is found where the spooler's LoadLibrary finds it.
TEST_F(SimSpoolerTest, AThirtyTwoBitSpoolerLoadsThirtyTwoBitMonitorsFromItsSystemFolder) {
    machine.system.setWow64(false);
    restart();
    machine.files.writeFile("C:\\Windows\\system32\\mon32.dll", sim::peDllImage(sim::PeMachine::I386));
    machine.files.writeFile("C:\\Windows\\system32\\mon64.dll", sim::peDllImage(sim::PeMachine::Amd64));
    EXPECT_EQ(spooler().addMonitor({"M", "Windows NT x86", "mon64.dll"}), 193);
    EXPECT_EQ(spooler().addMonitor({"M", "Windows x64", "mon64.dll"}), 193);
    EXPECT_EQ(spooler().addMonitor({"M", "Windows NT x86", "elsewhere.dll"}), 126);
    EXPECT_EQ(spooler().addMonitor({"M", "Windows NT x86", "mon32.dll"}), 0);
    // Loaded, so held.
    EXPECT_EQ(machine.platform().files.deleteFile("C:\\Windows\\system32\\mon32.dll"), win::ERROR_SHARING_VIOLATION);
}

TEST(SimPeImage, OnlyAModuleHeaderNamesAMachine) {
    EXPECT_EQ(sim::peMachine(sim::peDllImage(sim::PeMachine::I386, "body")), 0x014C);
    EXPECT_EQ(sim::peMachine(sim::peDllImage(sim::PeMachine::Amd64)), 0x8664);
    EXPECT_FALSE(sim::peMachine("MZ monitor"));
    EXPECT_FALSE(sim::peMachine(""));
    // A header offset past the end, and a signature that is not "PE\0\0".
    std::string image = sim::peDllImage(sim::PeMachine::I386);
    EXPECT_FALSE(sim::peMachine(image.substr(0, image.size() - 1)));
    image[0x41] = 'X';
    EXPECT_FALSE(sim::peMachine(image));
    std::string far = sim::peDllImage(sim::PeMachine::I386);
    far[0x3C] = '\xF0';
    far[0x3F] = '\x7F';
    EXPECT_FALSE(sim::peMachine(far));
}

}  // namespace
