// Command-line runs on the simulated machine: the installer's own flows with no window,
// answered by rule, with the exit code and the log a deployment tool reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

#include "app/CommandLineRun.h"
#include "app/ExitCodes.h"
#include "platform/WinConstants.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/SimPeImage.h"
#include "resources/resource.h"

namespace {

const std::string kReceipt = "热敏小票打印机 R58-A";  // row 0
const std::string kLabel = "热敏标签打印机 L108-A";   // row 33
const std::string kLog = "C:\\Logs\\run.log";

class QuietRun {
public:
    QuietRun() {
        machine.installDefaultPorts();
        machine.files.setCurrentDirectory("C:\\Demo");
        std::ifstream in(DEMO_PACKAGE_ARCHIVE, std::ios::binary);
        machine.files.writeFile("C:\\Demo\\DriverData.Drv",
                                std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
        // Keys every Windows has.
        machine.registry.setString("HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", "Device",
                                   "Old Printer,winspool,LPT1:");
        machine.registry.setString("HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports", "COM1:",
                                   "9600,n,8,1");
        machine.files.makeDirectory("C:\\Logs");
        machine.files.makeDirectory("C:\\Temp");
        // The demo's monitor DLLs are stand-ins the spooler would refuse: once the package is
        // unpacked (the system is detected next), real-looking ones take their place.
        machine.system.onVersionQuery([this] {
            if (machine.files.exists("C:\\Barcode\\x64") && !machine.files.exists("C:\\Barcode\\x64\\ok")) {
                machine.files.writeFile("C:\\Barcode\\x64\\tvkMon64.dll", sim::peDllImage(sim::PeMachine::Amd64, "m"));
                machine.files.writeFile("C:\\Barcode\\x86\\tvkMonNT.dll", sim::peDllImage(sim::PeMachine::I386, "m"));
                machine.files.writeFile("C:\\Barcode\\x64\\ok", "");
            }
        });
    }

    int run(const std::string& line) {
        return runCommandLine(machine.platform(), parseCommandLine(splitCommandLine(line)), line);
    }
    // The log as UTF-8 text.
    std::string log(const std::string& path = kLog) { return machine.files.readFile(path).value_or(""); }
    std::string printerPort(const std::string& name) {
        for (const auto& p : machine.spooler.printers()) {
            if (p.name == name) return p.port;
        }
        return "<none>";
    }

    sim::SimMachine machine;
};

// A UTF-8 literal as the bytes the log holds (the sources' other literals are code page 936).
std::string utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

bool holds(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(QuietInstall, AReceiptModelOnTheSerialKindInstallsWithoutAWindowAndLogsTheRun) {
    QuietRun q;
    const std::string line = "/quiet /model \"" + kReceipt + "\" /port COM /log " + kLog;
    EXPECT_EQ(q.run(line), EXIT_OK);

    EXPECT_EQ(q.printerPort(kReceipt), "COM1:");
    EXPECT_TRUE(q.machine.spooler.hasDriver("Windows x64", "Thermal Receipt G1-01"));
    platform::RegValue device;
    ASSERT_TRUE(q.machine.registry.value("HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", "Device",
                                         device));
    EXPECT_EQ(platform::regSzText(device.data), kReceipt + ",winspool,COM1:");
    // No window and no box: nothing reached the machine's user interface.
    EXPECT_TRUE(q.machine.ui.dialogs().empty());
    EXPECT_TRUE(q.machine.ui.messageBoxes().empty());
    // The unpacked package is cleaned up as after the window.
    EXPECT_FALSE(q.machine.files.exists("C:\\DriverName.cfg"));
    EXPECT_FALSE(q.machine.files.exists("C:\\Ticket"));

    const std::string log = q.log();
    // UTF-8, one timestamped line per event, in order.
    EXPECT_TRUE(holds(log, "2026-01-05 08:30:00.000 command line: /quiet /model \"" + utf8(u8"热敏小票打印机 R58-A")));
    EXPECT_TRUE(holds(log, std::string("status: ") + utf8(u8"程序已为您选择COM1:,若需修改完成后手动配置\r\n"))) << log;
    EXPECT_TRUE(holds(log, std::string("printer \"") + utf8(u8"热敏小票打印机 R58-A") + "\" on port COM1:"));
    // A status is logged when it changes, not each time the dialog's data is exchanged.
    const std::string last = std::string("status: ") + utf8(u8"程序已为您选择COM1:");
    EXPECT_EQ(log.find(last, log.find(last) + 1), std::string::npos) << log;
    EXPECT_LT(log.find("command line:"), log.find("status:"));
    EXPECT_LT(log.find("status:"), log.find("exit code 0"));
    EXPECT_EQ(log.substr(log.size() - 2), "\r\n");
}

TEST(CommandLineInstall, WithoutQuietTheWindowShowsTheProgressAndClosesAtTheEnd) {
    QuietRun q;
    q.machine.spooler.addPort("LPT2:");
    EXPECT_EQ(q.run("/model \"" + kReceipt + "\" /port LPT2: /log " + kLog), EXIT_OK) << q.log();
    EXPECT_EQ(q.printerPort(kReceipt), "LPT2:");
    // The main window alone was shown; the port dialog and any box were answered unseen.
    const auto dialogs = q.machine.ui.dialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0]->dialogTemplate().id, IDD_MAIN_DIALOG);
    EXPECT_TRUE(dialogs[0]->destroyed());
    EXPECT_EQ(dialogs[0]->control(IDC_PROGRESS).position, 100);
    EXPECT_EQ(dialogs[0]->control(IDC_INSTALL).text, "完成");
    EXPECT_TRUE(q.machine.ui.messageBoxes().empty());
    EXPECT_TRUE(holds(q.log(), "parallel port dialog: LPT2: -> OK"));
}

TEST(QuietInstall, NamedPortsAndTheNoDefaultAndNameSwitches) {
    QuietRun q;
    q.machine.spooler.addPort("LPT2:");
    const std::string line = "/quiet /model \"" + kReceipt + "\" /port LPT2: /nodefault /name \"Till 7\" /log " + kLog;
    EXPECT_EQ(q.run(line), EXIT_OK);
    // The parallel dialog was answered with the named port, and the log says so.
    EXPECT_EQ(q.printerPort("Till 7"), "LPT2:");
    EXPECT_TRUE(holds(q.log(), "parallel port dialog: LPT2: -> OK"));
    platform::RegValue device;
    ASSERT_TRUE(q.machine.registry.value("HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", "Device",
                                         device));
    EXPECT_EQ(platform::regSzText(device.data), "Old Printer,winspool,LPT1:");

    // A named serial port is taken, not the first one.
    QuietRun serial;
    serial.machine.spooler.addPort("COM2:");
    serial.machine.registry.setString("HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\Serial1", "COM2");
    EXPECT_EQ(serial.run("/quiet /model \"" + kReceipt + "\" /port COM2: /log " + kLog), EXIT_OK) << serial.log();
    EXPECT_EQ(serial.printerPort(kReceipt), "COM2:");

    // Port names compare without case, as the spooler compares them; the machine's spelling
    // is the one the printer gets.
    QuietRun lower;
    lower.machine.spooler.addPort("LPT2:");
    EXPECT_EQ(lower.run("/quiet /model \"" + kReceipt + "\" /port lpt2: /log " + kLog), EXIT_OK) << lower.log();
    EXPECT_EQ(lower.printerPort(kReceipt), "LPT2:");
    QuietRun host;
    host.machine.spooler.addPort("ip_10.0.0.5", "Standard TCP/IP Port", "Standard TCP/IP Port");
    EXPECT_EQ(host.run("/quiet /model \"" + kReceipt + "\" /port TCPIP /host 10.0.0.5 /log " + kLog), EXIT_OK)
        << host.log();
    EXPECT_EQ(host.printerPort(kReceipt), "ip_10.0.0.5");
    EXPECT_TRUE(holds(host.log(), "reusing the TCP/IP port ip_10.0.0.5"));

    QuietRun first;
    first.machine.spooler.addPort("LPT2:");
    EXPECT_EQ(first.run("/quiet /model \"" + kReceipt + "\" /port lpt /log " + kLog), EXIT_OK);
    EXPECT_EQ(first.printerPort(kReceipt), "LPT1:");
}

TEST(QuietInstall, ALabelModelRegistersTheMonitorUnderTheNameGiven) {
    QuietRun q;
    EXPECT_EQ(q.run("/quiet /model \"" + kLabel + "\" /port COM /log " + kLog), EXIT_OK) << q.log();
    EXPECT_TRUE(q.machine.spooler.hasMonitor("Advanced Language Monitor"));
    EXPECT_EQ(q.printerPort(kLabel), "COM1:");

    QuietRun named;
    EXPECT_EQ(named.run("/quiet /model \"" + kLabel + "\" /port COM /name \"Labels 1\" /log " + kLog), EXIT_OK);
    EXPECT_EQ(named.printerPort("Labels 1"), "COM1:");
    EXPECT_EQ(named.printerPort(kLabel), "<none>");
}

TEST(QuietInstall, WhatCannotBeInstalledExitsWithItsCodeAndInstallsNothing) {
    struct Case {
        std::string args;
        int code;
        std::string logged;
    };
    const std::vector<Case> cases{
        {"/model \"No Such Model\" /port COM", EXIT_UNKNOWN_MODEL, "the package lists no model \"No Such Model\""},
        {"/model \"" + kReceipt + "\" /port USB", EXIT_NO_PORT, "no port of the kind USB"},
        {"/model \"" + kReceipt + "\" /port COM7:", EXIT_NO_PORT, "no port COM7:"},
    };
    for (const auto& c : cases) {
        QuietRun q;
        EXPECT_EQ(q.run("/quiet " + c.args + " /log " + kLog), c.code) << c.args;
        EXPECT_TRUE(q.machine.spooler.printers().empty()) << c.args;
        EXPECT_FALSE(q.machine.spooler.hasDriver("Windows x64", "Thermal Receipt G1-01")) << c.args;
        EXPECT_TRUE(holds(q.log(), c.logged)) << q.log();
        EXPECT_TRUE(holds(q.log(), "exit code " + std::to_string(c.code))) << c.args;
        EXPECT_FALSE(q.machine.files.exists("C:\\DriverName.cfg")) << c.args;
    }

    QuietRun noPackage;
    noPackage.machine.files.deleteFile("C:\\Demo\\DriverData.Drv");
    EXPECT_EQ(noPackage.run("/quiet /model \"" + kReceipt + "\" /port COM /log " + kLog), EXIT_PACKAGE_MISSING);
}

// /host: the standard TCP/IP port for that address is made, or the one there is taken, and the
// printer goes on it even where another TCP/IP port comes first.
TEST(QuietInstall, HostMakesOrReusesThePortOfItsAddressAndInstallsOnThatPortOnly) {
    const std::string line = "/quiet /model \"" + kReceipt + "\" /port TCPIP /host 10.0.0.5 /log " + kLog;
    QuietRun made;
    made.machine.spooler.addPort("IP_10.0.0.1", "Standard TCP/IP Port", "Standard TCP/IP Port");
    EXPECT_EQ(made.run(line), EXIT_OK) << made.log();
    EXPECT_EQ(made.printerPort(kReceipt), "IP_10.0.0.5");
    const auto settings = made.machine.spooler.tcpipPortSettings("IP_10.0.0.5");
    ASSERT_TRUE(settings.has_value());
    EXPECT_EQ(settings->host, "10.0.0.5");
    EXPECT_EQ(settings->portNumber, 9100u);
    EXPECT_TRUE(holds(made.log(), "created the TCP/IP port IP_10.0.0.5 for 10.0.0.5, port number 9100")) << made.log();
    EXPECT_TRUE(holds(made.log(), "TCP/IP port dialog: IP_10.0.0.5 -> OK")) << made.log();
    // No wizard of the monitor was opened: nobody is there to answer it.
    EXPECT_TRUE(made.machine.spooler.monitorDialogs().empty());

    QuietRun numbered;
    EXPECT_EQ(numbered.run("/quiet /model \"" + kLabel + "\" /port TCPIP /host 10.0.0.5 /portnumber 9101 /log " + kLog),
              EXIT_OK)
        << numbered.log();
    EXPECT_EQ(numbered.printerPort(kLabel), "IP_10.0.0.5");
    EXPECT_EQ(numbered.machine.spooler.tcpipPortSettings("IP_10.0.0.5")->portNumber, 9101u);

    // There already: taken as it is, no second port, no attempt to make one.
    QuietRun reused;
    reused.machine.spooler.addPort("IP_10.0.0.1", "Standard TCP/IP Port", "Standard TCP/IP Port");
    reused.machine.spooler.addPort("IP_10.0.0.5", "Standard TCP/IP Port", "Standard TCP/IP Port");
    EXPECT_EQ(reused.run(line), EXIT_OK) << reused.log();
    EXPECT_EQ(reused.printerPort(kReceipt), "IP_10.0.0.5");
    std::vector<platform::PortInfo2> ports;
    ASSERT_EQ(reused.machine.platform().spooler.enumPorts(ports), 0);
    EXPECT_EQ(std::count_if(ports.begin(), ports.end(), [](const auto& p) { return p.portName == "IP_10.0.0.5"; }), 1);
    EXPECT_TRUE(holds(reused.log(), "reusing the TCP/IP port IP_10.0.0.5")) << reused.log();
    EXPECT_FALSE(holds(reused.log(), "XcvDataW")) << reused.log();
}

TEST(QuietInstall, AHostPortThatCannotBeHadInstallsNothing) {
    const std::string line = "/quiet /model \"" + kReceipt + "\" /port TCPIP /host 10.0.0.5 /log " + kLog;
    struct Case {
        std::string what;
        std::function<void(sim::SimMachine&)> arrange;
        std::string logged;
    };
    const std::vector<Case> cases{
        {"the monitor refuses", [](sim::SimMachine& m) { m.spooler.failNext("XcvDataW", 5); },
         "the TCP/IP port IP_10.0.0.5 could not be created: error 5"},
        {"no TCP/IP monitor", [](sim::SimMachine& m) { m.spooler.setTcpipMonitor(false); },
         "XcvDataW(AddPort IP_10.0.0.5, 10.0.0.5:9100) failed with error 1801"},
        // A port of that name that is no standard TCP/IP port: the TCP/IP kind cannot take it.
        {"a local port of that name", [](sim::SimMachine& m) { m.spooler.addPort("IP_10.0.0.5"); },
         "the port IP_10.0.0.5 is not a standard TCP/IP port"},
    };
    for (const auto& c : cases) {
        QuietRun q;
        c.arrange(q.machine);
        EXPECT_EQ(q.run(line), EXIT_NO_PORT) << c.what << "\n" << q.log();
        EXPECT_TRUE(holds(q.log(), c.logged)) << c.what << "\n" << q.log();
        EXPECT_TRUE(q.machine.spooler.printers().empty()) << c.what;
        EXPECT_FALSE(q.machine.spooler.hasDriver("Windows x64", "Thermal Receipt G1-01")) << c.what;
        EXPECT_FALSE(q.machine.files.exists("C:\\DriverName.cfg")) << c.what;
    }
}

TEST(QuietInstall, BoxesAreAnsweredByRuleAndDecideTheExitCode) {
    // The driver-failure box: Cancel, no retry.
    QuietRun driver;
    driver.machine.spooler.failNext("AddPrinterDriverExA", 5);
    EXPECT_EQ(driver.run("/quiet /model \"" + kReceipt + "\" /port COM /log " + kLog), EXIT_DRIVER_REFUSED);
    EXPECT_TRUE(driver.machine.spooler.printers().empty());
    EXPECT_TRUE(holds(driver.log(), std::string("message box \"Error\": ") + utf8(u8"添加驱动失败 5") + " | "));
    EXPECT_TRUE(holds(driver.log(), "-> Cancel"));
    // The failed call itself, with its error number.
    EXPECT_TRUE(holds(driver.log(), "AddPrinterDriverExA(Thermal Receipt G1-01) failed with error 5"));
    EXPECT_TRUE(driver.machine.ui.messageBoxes().empty());

    QuietRun printer;
    printer.machine.spooler.failNext("AddPrinterA", 5);
    EXPECT_EQ(printer.run("/quiet /model \"" + kReceipt + "\" /port COM /log " + kLog), EXIT_PRINTER_NOT_CREATED);

    // The USB box: one Retry after detecting again, then Cancel; the printer stays on the
    // last candidate.
    QuietRun usb;
    usb.machine.spooler.addPort("USB001");
    EXPECT_EQ(usb.run("/quiet /model \"" + kReceipt + "\" /port USB /log " + kLog), EXIT_USB_UNCONFIRMED);
    EXPECT_EQ(usb.printerPort(kReceipt), "USB001");
    const std::string log = usb.log();
    const auto retry = log.find("-> Retry");
    ASSERT_NE(retry, std::string::npos) << log;
    EXPECT_NE(log.find("-> Cancel", retry), std::string::npos);
    EXPECT_EQ(log.find("-> Retry", retry + 1), std::string::npos);

    QuietRun spooler;
    spooler.machine.services.configure("Spooler", [](sim::SimServices::Service& s) {
        s.state = platform::SERVICE_STOPPED_STATE;
        s.startError = 1058;
    });
    EXPECT_EQ(spooler.run("/quiet /model \"" + kReceipt + "\" /port COM /log " + kLog), EXIT_SPOOLER_NOT_RUNNING);
    EXPECT_TRUE(holds(spooler.log(), "StartServiceA failed with error 1058")) << spooler.log();
    EXPECT_TRUE(spooler.machine.spooler.printers().empty());
}

TEST(QuietInstall, ANamedUsbPortIsTheOnlyOneTried) {
    // A printer answering on another USB port must not pull the installation there.
    QuietRun q;
    for (const char* port : {"USB001", "USB002", "USB003"}) q.machine.spooler.addPort(port);
    q.machine.spooler.attachDevice("USB001", true);
    EXPECT_EQ(q.run("/quiet /model \"" + kReceipt + "\" /port USB002 /log " + kLog), EXIT_USB_UNCONFIRMED) << q.log();
    EXPECT_EQ(q.printerPort(kReceipt), "USB002");
    const std::string log = q.log();
    EXPECT_TRUE(holds(log, utf8(u8"正在尝试 USB002"))) << log;
    EXPECT_FALSE(holds(log, utf8(u8"正在尝试 USB001")));
    EXPECT_FALSE(holds(log, utf8(u8"正在尝试 USB003")));

    QuietRun answering;
    for (const char* port : {"USB001", "USB002", "USB003"}) answering.machine.spooler.addPort(port);
    answering.machine.spooler.attachDevice("USB002", true);
    EXPECT_EQ(answering.run("/quiet /model \"" + kReceipt + "\" /port USB002 /log " + kLog), EXIT_OK) << answering.log();
    EXPECT_EQ(answering.printerPort(kReceipt), "USB002");

    // The named port gone when the ports are detected again after Retry: no other is tried.
    QuietRun unplugged;
    for (const char* port : {"USB002", "USB003"}) unplugged.machine.spooler.addPort(port);
    unplugged.machine.spooler.attachDevice("USB003", true);
    unplugged.machine.system.onVersionQuery([&unplugged] {
        if (!unplugged.machine.spooler.printers().empty()) unplugged.machine.spooler.removePort("USB002");
    });
    EXPECT_EQ(unplugged.run("/quiet /model \"" + kReceipt + "\" /port USB002 /log " + kLog), EXIT_USB_UNCONFIRMED)
        << unplugged.log();
    EXPECT_TRUE(holds(unplugged.log(), "-> Retry"));
    EXPECT_FALSE(holds(unplugged.log(), utf8(u8"正在尝试 USB003"))) << unplugged.log();
}

TEST(QuietInstall, FailedRegistryCallsAreLoggedWithTheirErrorNumbers) {
    // The serial line settings' key refuses quietly in the window (no box): only the log can
    // tell the caller that the port kept its old settings.
    QuietRun q;
    q.machine.registry.failKey("HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports", 5);
    EXPECT_EQ(q.run("/quiet /model \"" + kReceipt + "\" /port COM /log " + kLog), EXIT_OK);
    EXPECT_TRUE(holds(q.log(), "RegOpenKeyExA(SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports) failed with error 5"))
        << q.log();

    // The last record the installation writes: the box is answered and the failure logged.
    QuietRun write;
    std::size_t sets = 0;
    {
        QuietRun probe;
        ASSERT_EQ(probe.run("/quiet /model \"" + kReceipt + "\" /port COM /log " + kLog), EXIT_OK);
        for (const auto& op : probe.machine.faults.operations()) sets += op == "Registry.setValue" ? 1 : 0;
    }
    ASSERT_GT(sets, 0u);
    write.machine.faults.failCall("Registry.setValue", sets, 5);
    EXPECT_NE(write.run("/quiet /model \"" + kReceipt + "\" /port COM /log " + kLog), EXIT_OK);
    EXPECT_TRUE(holds(write.log(), "RegSetValueExA(PrinterOnLine) failed with error 5")) << write.log();
    // Values that are not there and the end of an enumeration are answers, not failures.
    EXPECT_FALSE(holds(write.log(), "failed with error 2\r\n"));
    EXPECT_FALSE(holds(write.log(), "failed with error 259"));
}

TEST(CommandLineList, PrintsTheModelsAndPortsToTheConsoleAndTheLog) {
    QuietRun q;
    q.machine.spooler.addPort("USB001");
    EXPECT_EQ(q.run("/list /log " + kLog), EXIT_OK);
    const std::string out = q.machine.ui.consoleOutput();
    EXPECT_TRUE(holds(out, "model " + kReceipt + "\r\n")) << out;
    EXPECT_TRUE(holds(out, "model " + kLabel + "\r\n"));
    EXPECT_TRUE(holds(out, "COM COM1:\r\n"));
    EXPECT_TRUE(holds(out, "USB USB001\r\n"));
    EXPECT_TRUE(holds(out, "LPT LPT1:\r\n"));
    // The prompt of the drop-down is no model.
    EXPECT_FALSE(holds(out, "请选择打印机型号"));
    EXPECT_TRUE(holds(q.log(), "model " + utf8(u8"热敏标签打印机 L108-A")));
    EXPECT_TRUE(q.machine.ui.dialogs().empty());
    EXPECT_FALSE(q.machine.files.exists("C:\\DriverName.cfg"));

    QuietRun noConsole;
    noConsole.machine.ui.setConsole(false);
    EXPECT_EQ(noConsole.run("/list /log " + kLog), EXIT_OK);
    EXPECT_TRUE(holds(noConsole.log(), "no console"));
}

TEST(CommandLineRemove, DeletesThePrinterOrSaysItIsNotThere) {
    QuietRun q;
    q.machine.spooler.addExistingPrinter("Till 3", "LPT1:", "Some Driver");
    q.machine.spooler.addJobs("Till 3", 2);
    EXPECT_EQ(q.run("/quiet /remove \"till 3\" /log " + kLog), EXIT_OK);
    EXPECT_TRUE(q.machine.spooler.printers().empty());
    EXPECT_TRUE(holds(q.log(), "printer \"till 3\" deleted"));
    // Without /driver the driver is not asked about.
    EXPECT_FALSE(holds(q.log(), "driver \"Some Driver\""));
    const auto ops = q.machine.faults.operations();
    EXPECT_EQ(std::find(ops.begin(), ops.end(), "Spooler.deletePrinterDriver"), ops.end());

    EXPECT_EQ(q.run("/quiet /remove \"Till 3\" /log " + kLog), EXIT_PRINTER_NOT_FOUND);
    EXPECT_TRUE(holds(q.log(), "no printer \"Till 3\""));
    EXPECT_TRUE(holds(q.log(), "exit code 8"));
}

const std::string kReceiptDriver = "Thermal Receipt G1-01";
const std::string kLabelDriver = "Thermal Label L-01";
const std::string kMonitor = "Advanced Language Monitor";

// The label model registers the language monitor, and its driver names it; the receipt
// driver names none.
TEST(CommandLineRemove, WithDriverTheDriverGoesWithItsLastPrinterAndTheMonitorWithTheLabelDriver) {
    QuietRun q;
    ASSERT_EQ(q.run("/quiet /model \"" + kLabel + "\" /port COM /log " + kLog), EXIT_OK) << q.log();
    ASSERT_EQ(q.run("/quiet /model \"" + kLabel + "\" /port LPT /name \"Labels 2\" /log " + kLog), EXIT_OK);
    ASSERT_EQ(q.run("/quiet /model \"" + kReceipt + "\" /port COM /log " + kLog), EXIT_OK);
    ASSERT_TRUE(q.machine.spooler.hasMonitor(kMonitor));

    // Another printer still uses the label driver: only the printer goes. The name is the
    // spooler's, whatever its case.
    EXPECT_EQ(q.run("/quiet /remove \"labels 2\" /driver /log " + kLog), EXIT_OK) << q.log();
    EXPECT_EQ(q.printerPort("Labels 2"), "<none>");
    EXPECT_TRUE(q.machine.spooler.hasDriver("Windows x64", kLabelDriver));
    EXPECT_TRUE(q.machine.spooler.hasMonitor(kMonitor));
    std::string log = q.log();
    EXPECT_TRUE(holds(log, "printer \"labels 2\" deleted"));
    EXPECT_TRUE(holds(log, "driver \"" + kLabelDriver + "\" kept: the printer \"" + utf8(u8"热敏标签打印机 L108-A") +
                               "\" uses it"))
        << log;
    EXPECT_TRUE(holds(log, "monitor \"" + kMonitor + "\" kept: the driver \"" + kLabelDriver + "\" names it"));

    // The receipt driver was the last printer's; the label driver still names the monitor.
    EXPECT_EQ(q.run("/quiet /remove \"" + kReceipt + "\" /driver /log " + kLog), EXIT_OK) << q.log();
    EXPECT_FALSE(q.machine.spooler.hasDriver("Windows x64", kReceiptDriver));
    EXPECT_TRUE(q.machine.spooler.hasMonitor(kMonitor));
    log = q.log();
    EXPECT_TRUE(holds(log, "driver \"" + kReceiptDriver + "\" deleted")) << log;
    EXPECT_FALSE(holds(log, "monitor \"" + kMonitor + "\" deleted"));

    // The last label printer: its driver goes, and the monitor no driver names any more.
    EXPECT_EQ(q.run("/quiet /remove \"" + kLabel + "\" /driver /log " + kLog), EXIT_OK) << q.log();
    EXPECT_TRUE(q.machine.spooler.printers().empty());
    EXPECT_FALSE(q.machine.spooler.hasDriver("Windows x64", kLabelDriver));
    EXPECT_FALSE(q.machine.spooler.hasMonitor(kMonitor));
    log = q.log();
    EXPECT_TRUE(holds(log, "driver \"" + kLabelDriver + "\" deleted")) << log;
    EXPECT_TRUE(holds(log, "monitor \"" + kMonitor + "\" deleted"));
    EXPECT_TRUE(holds(log, "exit code 0"));
}

// A refused deletion leaves the printer deleted and says what stayed, with the spooler's
// error number.
TEST(CommandLineRemove, ARefusedDriverOrMonitorDeletionExitsWithTheRefusalAndLogsWhatStayed) {
    QuietRun driver;
    ASSERT_EQ(driver.run("/quiet /model \"" + kLabel + "\" /port COM /log " + kLog), EXIT_OK);
    driver.machine.faults.failCall("Spooler.deletePrinterDriver", 1, win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(driver.run("/quiet /remove \"" + kLabel + "\" /driver /log " + kLog), EXIT_DRIVER_REFUSED);
    EXPECT_TRUE(driver.machine.spooler.printers().empty());
    EXPECT_TRUE(driver.machine.spooler.hasDriver("Windows x64", kLabelDriver));
    EXPECT_TRUE(driver.machine.spooler.hasMonitor(kMonitor));
    std::string log = driver.log();
    EXPECT_TRUE(holds(log, "printer \"" + utf8(u8"热敏标签打印机 L108-A") + "\" deleted")) << log;
    EXPECT_TRUE(holds(log, "DeletePrinterDriverA(" + kLabelDriver + ") failed with error 5"));
    EXPECT_TRUE(holds(log, "driver \"" + kLabelDriver + "\" kept: the spooler refused its deletion (error 5)"));
    EXPECT_TRUE(holds(log, "monitor \"" + kMonitor + "\" kept: the driver \"" + kLabelDriver + "\" names it"));
    EXPECT_TRUE(holds(log, "exit code 5"));

    QuietRun monitor;
    ASSERT_EQ(monitor.run("/quiet /model \"" + kLabel + "\" /port COM /log " + kLog), EXIT_OK);
    monitor.machine.spooler.holdMonitor(kMonitor, true);
    EXPECT_EQ(monitor.run("/quiet /remove \"" + kLabel + "\" /driver /log " + kLog), EXIT_DRIVER_REFUSED);
    EXPECT_FALSE(monitor.machine.spooler.hasDriver("Windows x64", kLabelDriver));
    EXPECT_TRUE(monitor.machine.spooler.hasMonitor(kMonitor));
    log = monitor.log();
    EXPECT_TRUE(holds(log, "driver \"" + kLabelDriver + "\" deleted")) << log;
    EXPECT_TRUE(holds(log, "DeleteMonitorA(" + kMonitor + ") failed with error 3008"));
    EXPECT_TRUE(holds(log, "monitor \"" + kMonitor + "\" kept: the spooler refused its deletion (error 3008)"));

    // The driver cannot be learned: nothing is removed, rather than a printer whose driver
    // could then no longer be found.
    QuietRun unknown;
    ASSERT_EQ(unknown.run("/quiet /model \"" + kReceipt + "\" /port COM /log " + kLog), EXIT_OK);
    const auto ops = unknown.machine.faults.operations();
    unknown.machine.faults.failCall("Spooler.enumPrinters",
                                    static_cast<std::size_t>(std::count(ops.begin(), ops.end(), "Spooler.enumPrinters")) + 1,
                                    1722);
    EXPECT_EQ(unknown.run("/quiet /remove \"" + kReceipt + "\" /driver /log " + kLog), EXIT_INSTALL_FAILED);
    EXPECT_EQ(unknown.printerPort(kReceipt), "COM1:");
    EXPECT_TRUE(holds(unknown.log(), "nothing was removed")) << unknown.log();
}

TEST(CommandLineUsage, QuietGoesToTheLogAndTheWindowShowsABox) {
    QuietRun quiet;
    EXPECT_EQ(quiet.run("/quiet /bogus"), EXIT_BAD_COMMAND_LINE);
    // Without /log the log is DriverInstaller.log in %TEMP%.
    const std::string log = quiet.log("C:\\Temp\\DriverInstaller.log");
    EXPECT_TRUE(holds(log, "unknown switch /bogus")) << log;
    EXPECT_TRUE(holds(log, "DriverInstaller.exe /list"));
    EXPECT_TRUE(quiet.machine.ui.messageBoxes().empty());

    QuietRun shown;
    EXPECT_EQ(shown.run("/?"), EXIT_BAD_COMMAND_LINE);
    const auto boxes = shown.machine.ui.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "DriverInstaller");
    EXPECT_TRUE(holds(boxes[0].text, "DriverInstaller.exe /quiet /remove"));
    EXPECT_FALSE(holds(boxes[0].text, "cannot be understood"));
}

}  // namespace
