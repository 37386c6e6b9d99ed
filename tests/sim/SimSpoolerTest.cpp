// The simulated spooler where Wine cannot stand in for Windows: print jobs that hold a printer
// being deleted, monitors on a 32-bit machine, and module files.
#include <gtest/gtest.h>

#include "install/SpoolerService.h"
#include "platform/WinConstants.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/SimPeImage.h"
#include "tests/sim/StandInDriver.h"

namespace {

class SimSpoolerTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine.installDefaultPorts();
        ASSERT_EQ(spooler().addPrinterDriverEx(standInDriver(machine, "stand-in"), platform::APD_COPY_ALL_FILES_FLAG), 0);
    }
    platform::Spooler& spooler() { return machine.platform().spooler; }
    long add(const std::string& name) {
        platform::PrinterHandlePtr created;
        return spooler().addPrinter({name, "LPT1:", "D", "WinPrint", "RAW"}, created);
    }
    platform::PrinterHandlePtr open(const std::string& name) {
        platform::PrinterHandlePtr handle;
        EXPECT_EQ(spooler().openPrinter(name, {"RAW", platform::PRINTER_ALL_ACCESS_RIGHTS}, handle), 0) << name;
        return handle;
    }
    void restart() { SpoolerService::control(machine.platform(), nullptr, "Spooler", SpoolerService::MODE_RESTART); }

    sim::SimMachine machine;
};

// A printer with jobs is only marked by DeletePrinter: it keeps its name, its records and its
// jobs, across a restart too, until the jobs end or a purge ends them.
TEST_F(SimSpoolerTest, APrinterWithJobsIsDeletedWhenTheyEnd) {
    ASSERT_EQ(add("Kitchen"), 0);
    machine.spooler.addJobs("Kitchen", 2);
    auto handle = open("Kitchen");
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(spooler().deletePrinter(*handle), 0);
    EXPECT_TRUE(machine.spooler.pendingDeletion("Kitchen"));
    EXPECT_EQ(add("kitchen"), 1802);
    handle.reset();
    restart();
    EXPECT_EQ(machine.spooler.jobs("Kitchen"), 2);
    const std::string record = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Kitchen";
    platform::RegValue port;
    EXPECT_TRUE(machine.registry.value(record, "Port", port));
    machine.spooler.finishJobs("Kitchen");
    EXPECT_TRUE(machine.spooler.printers().empty());
    EXPECT_FALSE(machine.registry.value(record, "Port", port));

    // Purged after the deletion: the marked printer goes with its jobs.
    ASSERT_EQ(add("Office"), 0);
    machine.spooler.addJobs("Office", 1);
    auto office = open("Office");
    ASSERT_NE(office, nullptr);
    ASSERT_EQ(spooler().deletePrinter(*office), 0);
    ASSERT_EQ(machine.spooler.printers().size(), 1u);
    ASSERT_EQ(spooler().setPrinterCommand(*office, platform::PRINTER_CONTROL_PURGE_COMMAND), 0);
    EXPECT_TRUE(machine.spooler.printers().empty());
    EXPECT_EQ(add("Office"), 0);
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

// Where Wine cannot stand in for Windows' driver deletion: a printer that waits for its jobs
// before it goes still uses its driver; only the list changes, the files stay; and a driver
// that names a monitor does not keep that monitor from being deleted.
TEST_F(SimSpoolerTest, ADriverInUseStaysAndADriverDoesNotHoldItsMonitor) {
    ASSERT_EQ(add("Kitchen"), 0);
    machine.spooler.addJobs("Kitchen", 1);
    auto handle = open("Kitchen");
    ASSERT_EQ(spooler().deletePrinter(*handle), 0);
    ASSERT_TRUE(machine.spooler.pendingDeletion("Kitchen"));
    EXPECT_EQ(spooler().deletePrinterDriver("Windows x64", "d"), 3001);
    machine.spooler.finishJobs("Kitchen");
    EXPECT_EQ(spooler().deletePrinterDriver("Windows NT x86", "D"), 1797);
    EXPECT_EQ(spooler().deletePrinterDriver("Windows x64", "D"), 0);
    EXPECT_TRUE(machine.files.exists("C:\\Windows\\system32\\spool\\drivers\\x64\\3\\d.dll"));
    EXPECT_EQ(add("Kitchen"), 1797);

    machine.files.writeFile("C:\\Windows\\system32\\mon64.dll", sim::peDllImage(sim::PeMachine::Amd64));
    ASSERT_EQ(spooler().addMonitor({"M", "Windows x64", "mon64.dll"}), 0);
    const std::string folder = "C:\\Windows\\system32\\spool\\drivers\\x64\\";
    platform::DriverInfo3 label{3, "L", "windows x64", folder + "d.dll", folder + "d.gpd", folder + "u.dll", "", "", "M",
                                "RAW"};
    ASSERT_EQ(spooler().addPrinterDriverEx(label, platform::APD_COPY_ALL_FILES_FLAG), 0);
    std::vector<platform::DriverInfo3> drivers;
    ASSERT_EQ(spooler().enumPrinterDrivers("Windows x64", drivers), 0);
    ASSERT_EQ(drivers.size(), 1u);
    EXPECT_EQ(drivers[0].environment, "Windows x64");
    EXPECT_EQ(drivers[0].monitorName, "M");
    EXPECT_EQ(spooler().deleteMonitor("Windows x64", "M"), 0);
    EXPECT_TRUE(machine.spooler.hasDriver("Windows x64", "L"));
}

// XcvData "AddPort" of the TCP/IP monitor, which Wine lacks: the port is the monitor's, with the
// description of its ports, and Windows' refusals come back as they would.
TEST_F(SimSpoolerTest, AStandardTcpipPortMadeThroughXcvDataIsTheMonitorsPort) {
    ASSERT_EQ(spooler().addStandardTcpipPort("IP_10.0.0.5", "10.0.0.5", 9100), 0);
    std::vector<platform::PortInfo2> ports;
    ASSERT_EQ(spooler().enumPorts(ports), 0);
    ASSERT_FALSE(ports.empty());
    EXPECT_EQ(ports.back().portName, "IP_10.0.0.5");
    EXPECT_EQ(ports.back().monitorName, "Standard TCP/IP Port");
    EXPECT_EQ(ports.back().description, "Standard TCP/IP Port");
    const auto settings = machine.spooler.tcpipPortSettings("IP_10.0.0.5");
    ASSERT_TRUE(settings.has_value());
    EXPECT_EQ(settings->host, "10.0.0.5");
    EXPECT_EQ(settings->portNumber, 9100u);

    // Port names compare without case; the port keeps what it was made with.
    EXPECT_EQ(spooler().addStandardTcpipPort("ip_10.0.0.5", "10.0.0.6", 9101), win::ERROR_ALREADY_EXISTS);
    EXPECT_EQ(spooler().addStandardTcpipPort("LPT1:", "10.0.0.6", 9100), win::ERROR_ALREADY_EXISTS);
    EXPECT_EQ(machine.spooler.tcpipPortSettings("IP_10.0.0.5")->host, "10.0.0.5");
    // What PORT_DATA_1 cannot hold.
    EXPECT_EQ(spooler().addStandardTcpipPort(std::string(64, 'P'), "10.0.0.7", 9100), win::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(spooler().addStandardTcpipPort(std::string(63, 'P'), std::string(48, 'h'), 9100), 0);
    EXPECT_EQ(spooler().addStandardTcpipPort("IP_h", std::string(49, 'h'), 9100), win::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(spooler().addStandardTcpipPort("IP_h", "", 9100), win::ERROR_INVALID_PARAMETER);

    // A Chinese system describes the monitor's ports in Chinese.
    machine.spooler.setTcpipMonitor(true, "标准 TCP/IP 端口");
    ASSERT_EQ(spooler().addStandardTcpipPort("IP_10.0.0.8", "10.0.0.8", 9100), 0);
    ASSERT_EQ(spooler().enumPorts(ports), 0);
    EXPECT_EQ(ports.back().description, "标准 TCP/IP 端口");

    // Deleted, the port takes its settings with it.
    ASSERT_EQ(spooler().deletePort(0, "IP_10.0.0.5"), 0);
    EXPECT_FALSE(machine.spooler.tcpipPortSettings("IP_10.0.0.5").has_value());

    // No monitor: OpenPrinter finds no ",XcvMonitor Standard TCP/IP Port". No spooler: the
    // error every call gives then.
    machine.spooler.setTcpipMonitor(false);
    EXPECT_EQ(spooler().addStandardTcpipPort("IP_10.0.0.9", "10.0.0.9", 9100), win::ERROR_INVALID_PRINTER_NAME);
    machine.spooler.setTcpipMonitor(true);
    machine.services.configure("Spooler", [](sim::SimServices::Service& s) { s.state = platform::SERVICE_STOPPED_STATE; });
    EXPECT_EQ(spooler().addStandardTcpipPort("IP_10.0.0.9", "10.0.0.9", 9100), 1722);
}

// The spooler reads module files the user's folders hold: a header offset that points past
// the end of the file, or a signature that is not "PE\0\0", names no machine.
TEST(SimPeImage, OnlyAWholeModuleHeaderNamesAMachine) {
    EXPECT_EQ(sim::peMachine(sim::peDllImage(sim::PeMachine::I386, "body")), 0x014C);
    EXPECT_FALSE(sim::peMachine("MZ monitor"));
    std::string image = sim::peDllImage(sim::PeMachine::Amd64);
    EXPECT_FALSE(sim::peMachine(image.substr(0, image.size() - 1)));
    image[0x3F] = '\x7F';
    EXPECT_FALSE(sim::peMachine(image));
    image = sim::peDllImage(sim::PeMachine::Amd64);
    image[0x41] = 'X';
    EXPECT_FALSE(sim::peMachine(image));
}

}  // namespace
