// Whole installations on the simulated machine: what the user sees and what the machine
// keeps (driver files, spooler objects, registry values).
#include <gtest/gtest.h>

#include "tests/sim/InstallTestSupport.h"

namespace {

const std::string kReceipt = "热敏小票打印机 R58-A";     // row 0, group 1
const std::string kLabel = "热敏标签打印机 L108-A";      // row 33
const std::string kDoneStatus = "安装已完成";

void oneSerialPort(sim::SimMachine& m) { m.installDefaultPorts(); }

// The bytes of a literal that holds NULs, without the terminator the compiler adds.
template <std::size_t N>
std::string bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

std::vector<std::string> splitMultiSz(const std::string& list) {
    std::vector<std::string> names;
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t end = list.find('\0', start);
        if (end == start || end == std::string::npos) break;
        names.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

TEST(ReceiptInstall, SerialPrinterEndToEnd) {
    InstallFixture f(oneSerialPort);
    f.install(kReceipt, PORT_KIND_SERIAL);

    const auto driver = f.machine.spooler.driver("Windows x64", "Thermal Receipt G1-01");
    EXPECT_EQ(driver.version, 3u);
    EXPECT_EQ(driver.driverPath, kDriverDir64 + "\\uniDRV.DLL");
    EXPECT_EQ(driver.dataFile, kDriverDir64 + "\\TRG101.GPD");
    EXPECT_EQ(driver.configFile, kDriverDir64 + "\\uniDRVui.DLL");
    EXPECT_EQ(driver.helpFile, kDriverDir64 + "\\uniDRV.HLP");
    EXPECT_EQ(driver.dependentFiles, bytes("\\ttfsub.GPD\0\\unires.DLL\0\\stdnames.GPD\0TRG1RES.DLL\0\0"));
    EXPECT_EQ(driver.monitorName, "");
    EXPECT_EQ(driver.defaultDataType, "RAW");
    // The staged copies are gone but for the OEM plug-in pair.
    EXPECT_FALSE(f.machine.files.exists(kDriverDir64 + "\\uniDRV.DLL"));
    EXPECT_FALSE(f.machine.files.exists(kDriverDir64 + "\\TRG101.GPD"));
    EXPECT_TRUE(f.machine.files.exists(kDriverDir64 + "\\TOEMUNI.dll"));
    EXPECT_TRUE(f.machine.files.exists(kDriverDir64 + "\\TOEMUNI.ini"));

    const auto printers = f.machine.spooler.printers();
    ASSERT_EQ(printers.size(), 1u);
    EXPECT_EQ(printers[0].name, kReceipt);
    EXPECT_EQ(printers[0].port, "COM1:");
    EXPECT_EQ(printers[0].driver, "Thermal Receipt G1-01");
    EXPECT_EQ(printers[0].printProcessor, "WinPrint");
    EXPECT_EQ(f.registryText(kWindowsKey, "Device"), kReceipt + ",winspool,COM1:");
    EXPECT_EQ(f.registryText(kPortsKey, "COM1:"), "9600,n,8,1");
    EXPECT_EQ(f.machine.services.service("Spooler").stops, 2);

    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
    EXPECT_TRUE(f.control(IDC_INSTALL).enabled);
    EXPECT_FALSE(f.control(win::IDCANCEL).enabled);
    EXPECT_EQ(f.control(IDC_PROGRESS).position, 100);
    EXPECT_EQ(f.control(IDC_STATUS).text, "程序已为您选择COM1:,若需修改完成后手动配置");
    EXPECT_TRUE(f.statusShown("设置打印机" + kReceipt + "为默认打印机"));
    EXPECT_TRUE(f.boxTexts().empty());
    EXPECT_EQ(f.machine.spooler.openPrinterHandles(), 0);

    // The next press closes the installer.
    f.press();
    EXPECT_EQ(f.run->join(), win::IDOK);
}

TEST(ReceiptInstall, ResourceDllAndDependentFilesFollowTheRow) {
    struct Case {
        std::string display;
        std::string driverName;
        std::string lastDependents;
    };
    const std::vector<Case> cases{
        // Row 19 chosen by its model name takes the alternative DLL; by another name it does not.
        {"Thermal Receipt G2-05", "Thermal Receipt G2-05", bytes("\\stdnames.GPD\0TRG2RESA.DLL\0\0")},
        {"热敏小票打印机 R80-E", "Thermal Receipt G2-05", bytes("\\stdnames.GPD\0TRG2RES.DLL\0\0")},
        // Rows 30 and 32 list the OEM plug-in pair; row 29 does not.
        {"票据打印机 T80-D", "Thermal Receipt G4-04",
         bytes("\\TOEMUNI.ini\0\\TOEMUNI.dll\0TRG4RES.DLL\0\0")},
        {"T80-F Plus", "Thermal Receipt G4-06", bytes("\\TOEMUNI.ini\0\\TOEMUNI.dll\0TRG4RES.DLL\0\0")},
        {"票据打印机 T80-C", "Thermal Receipt G4-03", bytes("\\stdnames.GPD\0TRG4RES.DLL\0\0")},
        {"厨房热敏打印机 K80-C", "Thermal Receipt G3-03", bytes("\\stdnames.GPD\0TRG3RES.DLL\0\0")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.display);
        InstallFixture f(oneSerialPort);
        f.install(c.display, PORT_KIND_SERIAL);
        const auto driver = f.machine.spooler.driver("Windows x64", c.driverName);
        ASSERT_FALSE(driver.dependentFiles.empty());
        const auto& list = driver.dependentFiles;
        EXPECT_EQ(list.substr(list.size() - c.lastDependents.size()), c.lastDependents);
        // The OEM pair is copied for every row.
        EXPECT_TRUE(f.machine.files.exists(kDriverDir64 + "\\TOEMUNI.dll"));
    }
}

TEST(ReceiptInstall, ArchitectureAndVersionDecideEnvironmentSourcesAndDriverVersion) {
    // 32-bit Windows: only the x86 folder is read (the x64 one is removed to prove it).
    InstallFixture x86([](sim::SimMachine& m) {
        m.installDefaultPorts();
        m.system.setWow64(false);
    });
    x86.machine.files.removeDirectory("C:\\Ticket\\x64");
    for (const auto& name : {"TRG101.GPD"}) x86.machine.files.deleteFile(std::string("C:\\Ticket\\x64\\") + name);
    x86.install(kReceipt, PORT_KIND_SERIAL);
    const auto driver = x86.machine.spooler.driver("Windows NT x86", "Thermal Receipt G1-01");
    EXPECT_EQ(driver.driverPath, kDriverDir32 + "\\uniDRV.DLL");
    EXPECT_FALSE(x86.machine.spooler.hasDriver("Windows x64", "Thermal Receipt G1-01"));
    EXPECT_EQ(x86.machine.spooler.printers().size(), 1u);

    // Windows NT 4.0 takes a version-2 driver.
    InstallFixture nt4([](sim::SimMachine& m) {
        m.installDefaultPorts();
        m.system.setVersion(2, 4, 0);
        m.system.setWow64(false);
    });
    nt4.install(kReceipt, PORT_KIND_SERIAL);
    EXPECT_EQ(nt4.machine.spooler.driver("Windows NT x86", "Thermal Receipt G1-01").version, 2u);
}

TEST(ReceiptInstall, AMissingDriverFileOffersRetryOrEndsTheInstaller) {
    InstallFixture retry(oneSerialPort);
    retry.machine.files.deleteFile("C:\\Ticket\\x64\\UNIRES.DLL");
    retry.install(kReceipt, PORT_KIND_SERIAL, {win::IDRETRY});
    const auto boxes = retry.machine.ui.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "添加驱动失败 2\r\n\r\n点击重试：可重新安装\r\n点击取消：退出安装程序");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].type, win::MB_RETRYCANCEL);
    EXPECT_EQ(retry.control(IDC_INSTALL).text, "重新安装");
    EXPECT_TRUE(retry.control(IDC_INSTALL).enabled);
    EXPECT_EQ(retry.control(IDC_PROGRESS).position, 0);
    EXPECT_TRUE(retry.machine.files.exists(kDriverDir64 + "\\uniDRV.DLL"));
    EXPECT_TRUE(retry.machine.spooler.printers().empty());

    // Put the file back: the next press installs.
    retry.machine.files.writeFile("C:\\Ticket\\x64\\UNIRES.DLL", "stand-in");
    retry.press();
    EXPECT_EQ(retry.control(IDC_INSTALL).text, "完成");
    EXPECT_EQ(retry.machine.spooler.printers().size(), 1u);

    InstallFixture cancel(oneSerialPort);
    cancel.machine.files.deleteFile("C:\\Ticket\\x64\\UNIRES.DLL");
    cancel.install(kReceipt, PORT_KIND_SERIAL, {win::IDCANCEL});
    EXPECT_EQ(cancel.run->join(), win::IDOK);
    // Closing still cleans up.
    EXPECT_FALSE(cancel.machine.files.exists("C:\\Ticket"));
}

TEST(PrinterCreation, ErrorsAreReportedAndLeaveTheDialogReady) {
    struct Case {
        long error;
        std::string text;
        std::string caption;
        std::string button;
    };
    const std::vector<Case> cases{
        {1796, "PC机无可用串行端口,请选择其他端口重新安装", "Prompt", "重新安装"},
        {126, "系统缺少必要文件,请修复系统再安装", "Prompt", "重新安装"},
        {5, "Error AddPrinter 5", "错误提示", "安装"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        InstallFixture f(oneSerialPort);
        f.machine.spooler.failNext("AddPrinterA", c.error);
        f.install(kReceipt, PORT_KIND_SERIAL);
        const auto boxes = f.machine.ui.messageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.text);
        EXPECT_EQ(boxes[0].caption, c.caption);
        EXPECT_EQ(f.control(IDC_INSTALL).text, c.button);
        EXPECT_TRUE(f.control(IDC_INSTALL).enabled);
        EXPECT_EQ(f.control(IDC_PROGRESS).position, 0);
        // The driver stays registered for the next try.
        EXPECT_TRUE(f.machine.spooler.hasDriver("Windows x64", "Thermal Receipt G1-01"));
    }
    // The label installer captions the general error in English.
    InstallFixture label(oneSerialPort);
    label.machine.spooler.failNext("AddPrinterA", 5);
    label.install(kLabel, PORT_KIND_SERIAL);
    ASSERT_EQ(label.machine.ui.messageBoxes().size(), 1u);
    EXPECT_EQ(label.machine.ui.messageBoxes()[0].caption, "Error prompt");
}

TEST(PrinterCreation, ASecondInstallationReplacesTheFirstAndDefaultIsOptional) {
    InstallFixture f(oneSerialPort);
    f.machine.spooler.addPort("USB001");
    f.machine.spooler.attachDevice("USB001", true);
    f.install(kReceipt, PORT_KIND_USB);
    ASSERT_EQ(f.machine.spooler.printers().size(), 1u);
    EXPECT_EQ(f.machine.spooler.printers()[0].port, "USB001");

    // Installed again, as a serial printer and without the default: replaced, not doubled.
    InstallFixture g(oneSerialPort);
    g.machine.spooler.addExistingPrinter(kReceipt, "LPT1:", "Some Other Driver");
    g.uncheckDefault();
    g.install(kReceipt, PORT_KIND_SERIAL);
    const auto printers = g.machine.spooler.printers();
    ASSERT_EQ(printers.size(), 1u);
    EXPECT_EQ(printers[0].port, "COM1:");
    EXPECT_EQ(printers[0].driver, "Thermal Receipt G1-01");
    EXPECT_TRUE(g.statusShown("打印机" + kReceipt + "已经存在,正在重新添加..."));
    EXPECT_EQ(g.registryText(kWindowsKey, "Device"), "Old Printer,winspool,LPT1:");
    EXPECT_TRUE(g.statusShown("设置打印机" + kReceipt + "为默认打印机"));
}

TEST(PrinterCreation, AKindWithoutPortsFallsBackToTheFirstParallelPort) {
    // Serial with no serial port: the printer goes to LPT1: and the serial step still runs.
    InstallFixture serial([](sim::SimMachine& m) {
        m.spooler.addPort("LPT1:");
        m.spooler.addPort("FILE:");
    });
    serial.install(kReceipt, PORT_KIND_SERIAL);
    ASSERT_EQ(serial.machine.spooler.printers().size(), 1u);
    EXPECT_EQ(serial.machine.spooler.printers()[0].port, "LPT1:");
    EXPECT_TRUE(serial.statusShown("PC机无可用串行端口,当前端口是LPT1:"));
    EXPECT_EQ(serial.control(IDC_STATUS).text, "无法识别可用串口。程序已为您选择LPT1:,若需修改完成后手动配置");
    EXPECT_EQ(serial.registryText(kWindowsKey, "Device"), kReceipt + ",winspool,LPT1:");
    EXPECT_EQ(serial.control(IDC_INSTALL).text, "完成");

    // USB with no USB port: created on LPT1:, and the user is asked about the USB port.
    InstallFixture usb([](sim::SimMachine& m) { m.spooler.addPort("LPT1:"); });
    usb.install(kReceipt, PORT_KIND_USB, {win::IDCANCEL});
    ASSERT_EQ(usb.machine.spooler.printers().size(), 1u);
    EXPECT_EQ(usb.machine.spooler.printers()[0].port, "LPT1:");
    ASSERT_EQ(usb.boxTexts().size(), 1u);
    EXPECT_EQ(usb.machine.ui.messageBoxes()[0].caption, "自动选择USB端口失败");
    EXPECT_EQ(usb.control(IDC_INSTALL).text, "完成");

    // No port of the kind and none to fall back to: reported, nothing created.
    InstallFixture none([](sim::SimMachine& m) { m.spooler.addPort("FILE:"); });
    none.install(kReceipt, PORT_KIND_SERIAL);
    EXPECT_TRUE(none.machine.spooler.printers().empty());
    EXPECT_EQ(none.boxTexts(), std::vector<std::string>{"PC机无可用串行端口,请选择其他端口重新安装"});
    EXPECT_EQ(none.control(IDC_INSTALL).text, "重新安装");
}

// The receipt printer is named after a free-text edit, so a name the spooler refuses reaches
// the user as the creation failure; the window stays ready for a better name.
TEST(PrinterCreation, ATypedNameTheSpoolerRefusesIsACreationFailure) {
    InstallFixture f(oneSerialPort);
    f.run->onWindow([&](MainDialog&, sim::SimDialog& window) {
        const auto& items = window.control(IDC_MODEL_COMBO).items;
        window.userSelectCombo(IDC_MODEL_COMBO,
                               static_cast<int>(std::find(items.begin(), items.end(), kReceipt) - items.begin()));
        window.userSelectListRow(IDC_CONNECTION_LIST, PORT_KIND_SERIAL);
    });
    auto installAs = [&](const std::string& name) {
        f.run->onWindow([&](MainDialog&, sim::SimDialog& window) {
            window.userType(IDC_PRINTER_NAME, name);
            window.userClick(IDC_INSTALL);
        });
    };
    for (const std::string& name : {std::string(), std::string("前台,小票机"), std::string("前台\\小票机"),
                                    std::string(221, 'P')}) {
        SCOPED_TRACE(name);
        const std::size_t before = f.machine.ui.messageBoxes().size();
        installAs(name);
        const auto boxes = f.machine.ui.messageBoxes();
        ASSERT_EQ(boxes.size(), before + 1);
        EXPECT_EQ(boxes.back().text, "Error AddPrinter 1801");
        EXPECT_EQ(boxes.back().caption, "错误提示");
        EXPECT_EQ(f.control(IDC_INSTALL).text, "安装");
        EXPECT_TRUE(f.control(IDC_INSTALL).enabled);
        EXPECT_EQ(f.control(IDC_PROGRESS).position, 0);
        EXPECT_TRUE(f.machine.spooler.printers().empty());
        EXPECT_EQ(f.registryText(kWindowsKey, "Device"), "Old Printer,winspool,LPT1:");
    }
    installAs("前台小票机");
    ASSERT_EQ(f.machine.spooler.printers().size(), 1u);
    EXPECT_EQ(f.machine.spooler.printers()[0].name, "前台小票机");
    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
}

// A printer with jobs in its queue is only marked by DeletePrinter and keeps its name until
// the jobs end; the purge before the deletion is what lets it go at once.
TEST(PrinterCreation, AnOlderPrinterWithJobsIsPurgedAndReplaced) {
    InstallFixture f(oneSerialPort);
    f.machine.spooler.addExistingPrinter(kReceipt, "LPT1:", "Some Other Driver");
    f.machine.spooler.addJobs(kReceipt, 3);
    f.install(kReceipt, PORT_KIND_SERIAL);
    auto printers = f.machine.spooler.printers();
    ASSERT_EQ(printers.size(), 1u);
    EXPECT_EQ(printers[0].driver, "Thermal Receipt G1-01");
    EXPECT_EQ(printers[0].port, "COM1:");
    EXPECT_EQ(printers[0].jobs, 0);
    EXPECT_TRUE(f.boxTexts().empty());
    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");

    // When the purge fails the jobs stay, the old printer is marked and still holds the name:
    // the creation fails, and a press after the jobs have ended installs.
    InstallFixture g(oneSerialPort);
    g.machine.spooler.addExistingPrinter(kReceipt, "LPT1:", "Some Other Driver");
    g.machine.spooler.addJobs(kReceipt, 3);
    g.machine.spooler.failNext("SetPrinterA", 5);
    g.install(kReceipt, PORT_KIND_SERIAL);
    EXPECT_EQ(g.boxTexts(), std::vector<std::string>{"Error AddPrinter 1802"});
    EXPECT_TRUE(g.machine.spooler.pendingDeletion(kReceipt));
    EXPECT_EQ(g.machine.spooler.printers().at(0).driver, "Some Other Driver");
    EXPECT_TRUE(g.control(IDC_INSTALL).enabled);
    g.machine.spooler.finishJobs(kReceipt);
    EXPECT_TRUE(g.machine.spooler.printers().empty());
    g.press();
    printers = g.machine.spooler.printers();
    ASSERT_EQ(printers.size(), 1u);
    EXPECT_EQ(printers[0].driver, "Thermal Receipt G1-01");
    EXPECT_EQ(g.control(IDC_INSTALL).text, "完成");
}

// The USB fallback restarts the spooler while the creation's handle is open. A handle from
// before a restart is dead: it is closed before the restart, not used after it.
TEST(PrinterCreation, TheUsbFallbackLetsGoOfTheCreationHandleBeforeItRestarts) {
    InstallFixture usb([](sim::SimMachine& m) { m.spooler.addPort("LPT1:"); });
    usb.install(kReceipt, PORT_KIND_USB, {win::IDCANCEL});
    ASSERT_EQ(usb.machine.spooler.printers().size(), 1u);
    EXPECT_EQ(usb.machine.spooler.staleHandleCalls(), 0);
    EXPECT_EQ(usb.machine.spooler.openPrinterHandles(), 0);
    EXPECT_EQ(usb.control(IDC_INSTALL).text, "完成");
}

TEST(LabelInstall, MonitorAbsentPresentOrStuckAndTheDriverItNames) {
    // Absent: added from SysWOW64 on 64-bit Windows, no restart for it.
    InstallFixture absent(oneSerialPort);
    absent.install(kLabel, PORT_KIND_SERIAL);
    const auto monitor = absent.machine.spooler.monitor("Advanced Language Monitor");
    EXPECT_EQ(monitor.dllName, "C:\\Windows\\SysWOW64\\tvkMon64.dll");
    EXPECT_EQ(monitor.environment, "Windows x64");
    const auto driver = absent.machine.spooler.driver("Windows x64", "Thermal Label L-01");
    EXPECT_EQ(driver.driverPath, kDriverDir64 + "\\KTXDRV56.DLL");
    EXPECT_EQ(driver.configFile, kDriverDir64 + "\\KTXUI56.DLL");
    EXPECT_EQ(driver.dataFile, kDriverDir64 + "\\TLBL01.DAT");
    EXPECT_EQ(driver.helpFile, kDriverDir64 + "\\THERMAL.chm");
    EXPECT_EQ(driver.monitorName, "Advanced Language Monitor");
    const auto dependents = splitMultiSz(driver.dependentFiles);
    ASSERT_EQ(dependents.size(), 29u);
    EXPECT_EQ(dependents.front(), "\\KTXENG56.DLL");
    EXPECT_EQ(dependents[27], "\\TLBL01.BA0");
    EXPECT_EQ(dependents[28], "TLBL01.PP0");
    EXPECT_TRUE(absent.machine.files.exists("C:\\Windows\\SysWOW64\\tvkMon64.dll"));
    EXPECT_FALSE(absent.machine.files.exists(kDriverDir64 + "\\KTXDRV56.DLL"));
    EXPECT_EQ(absent.machine.spooler.printers().at(0).name, kLabel);
    // Serial: two restarts in the port step, none for the monitor.
    EXPECT_EQ(absent.machine.services.service("Spooler").stops, 2);

    // Present and deletable: deleted, the spooler restarted, added again.
    InstallFixture present(oneSerialPort);
    present.machine.files.writeFile("C:\\Windows\\system32\\old.dll", sim::peDllImage(sim::PeMachine::Amd64));
    present.machine.spooler.addMonitor({"Advanced Language Monitor", "Windows x64", "C:\\Windows\\system32\\old.dll"});
    present.install(kLabel, PORT_KIND_SERIAL);
    EXPECT_EQ(present.machine.spooler.monitor("Advanced Language Monitor").dllName,
              "C:\\Windows\\SysWOW64\\tvkMon64.dll");
    EXPECT_EQ(present.machine.services.service("Spooler").stops, 3);

    // Present and in use: 3006 is accepted, the old registration stays, no restart for it.
    InstallFixture held(oneSerialPort);
    held.machine.files.writeFile("C:\\Windows\\system32\\old.dll", sim::peDllImage(sim::PeMachine::Amd64));
    held.machine.spooler.addMonitor({"Advanced Language Monitor", "Windows x64", "C:\\Windows\\system32\\old.dll"});
    held.machine.spooler.holdMonitor("Advanced Language Monitor", true);
    held.install(kLabel, PORT_KIND_SERIAL);
    EXPECT_EQ(held.machine.services.service("Spooler").stops, 2);
    EXPECT_EQ(held.control(IDC_INSTALL).text, "完成");
}

TEST(LabelInstall, AMonitorThatCannotBeAddedEndsTheInstallerBeforeStaging) {
    InstallFixture f(oneSerialPort);
    f.machine.files.writeFile("C:\\Barcode\\x64\\tvkMon64.dll", "not a module");
    f.install(kLabel, PORT_KIND_SERIAL);
    ASSERT_EQ(f.machine.ui.messageBoxes().size(), 1u);
    EXPECT_EQ(f.machine.ui.messageBoxes()[0].text, "添加监视器出错\r\n");
    EXPECT_EQ(f.machine.ui.messageBoxes()[0].caption, "DriverInstaller");
    EXPECT_EQ(f.run->join(), win::IDOK);
    EXPECT_FALSE(f.machine.files.exists(kDriverDir64 + "\\KTXDRV56.DLL"));
}

TEST(LabelInstall, AnUpgradeRegistersTheNewMonitorDllTheSpoolerHeld) {
    const std::string dll = "C:\\Windows\\SysWOW64\\tvkMon64.dll";
    const std::string oldMonitor = sim::peDllImage(sim::PeMachine::Amd64, "old monitor");
    // An earlier installation's monitor, loaded by the running spooler.
    auto earlier = [&](bool inUse) {
        return [=](sim::SimMachine& m) {
            m.installDefaultPorts();
            m.files.writeFile(dll, oldMonitor);
            m.spooler.addMonitor({"Advanced Language Monitor", "Windows x64", dll});
            m.spooler.holdMonitor("Advanced Language Monitor", inUse);
        };
    };
    InstallFixture upgrade(earlier(false));
    upgrade.install(kLabel, PORT_KIND_SERIAL);
    EXPECT_TRUE(upgrade.boxTexts().empty());
    EXPECT_EQ(upgrade.machine.files.readFile(dll), kMonitorDll64);
    EXPECT_EQ(upgrade.machine.spooler.monitor("Advanced Language Monitor").dllName, dll);
    EXPECT_EQ(upgrade.control(IDC_INSTALL).text, "完成");

    // A monitor in use cannot be deleted, so the spooler never lets go of the old DLL.
    InstallFixture held(earlier(true));
    held.install(kLabel, PORT_KIND_SERIAL);
    const auto boxes = held.machine.ui.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "添加监视器出错\r\n");
    EXPECT_EQ(boxes[0].caption, "DriverInstaller");
    EXPECT_EQ(boxes[0].type, win::MB_OK);
    EXPECT_EQ(held.run->join(), win::IDOK);
    EXPECT_EQ(held.machine.files.readFile(dll), oldMonitor);
    EXPECT_FALSE(held.machine.spooler.hasDriver("Windows x64", "Thermal Label L-01"));
}

TEST(LabelInstall, TheLabelPrinterIsNamedAfterTheDropDownNotTheEdit) {
    InstallFixture f(oneSerialPort);
    f.run->onWindow([&](MainDialog&, sim::SimDialog& window) {
        const auto& items = window.control(IDC_MODEL_COMBO).items;
        window.userSelectCombo(IDC_MODEL_COMBO,
                               static_cast<int>(std::find(items.begin(), items.end(), kLabel) - items.begin()));
    });
    f.typePrinterName("前台标签机");
    f.run->onWindow([](MainDialog&, sim::SimDialog& window) {
        window.userSelectListRow(IDC_CONNECTION_LIST, PORT_KIND_SERIAL);
        window.userClick(IDC_INSTALL);
    });
    ASSERT_EQ(f.machine.spooler.printers().size(), 1u);
    EXPECT_EQ(f.machine.spooler.printers()[0].name, kLabel);
}

}  // namespace

namespace {

TEST(PrinterCreation, ParallelAndTcpipKindsTakeTheirPortOrStopWhenThereIsNone) {
    // A parallel printer goes to the LPT port and needs no port follow-up.
    InstallFixture lpt([](sim::SimMachine& m) { m.installDefaultPorts(); });
    lpt.install("热敏小票打印机 R58-A", PORT_KIND_PARALLEL);
    ASSERT_EQ(lpt.machine.spooler.printers().size(), 1u);
    EXPECT_EQ(lpt.machine.spooler.printers()[0].port, "LPT1:");
    EXPECT_EQ(lpt.machine.services.service("Spooler").stops, 0);
    EXPECT_EQ(lpt.control(IDC_INSTALL).text, "完成");

    // No TCP/IP port to choose: the installation stops before anything is staged, and the
    // button is usable again.
    InstallFixture tcp([](sim::SimMachine& m) { m.installDefaultPorts(); });
    tcp.install("热敏小票打印机 R58-A", PORT_KIND_TCPIP);
    EXPECT_TRUE(tcp.machine.spooler.printers().empty());
    EXPECT_FALSE(tcp.machine.files.exists(kDriverDir64 + "\\uniDRV.DLL"));
    EXPECT_TRUE(tcp.control(IDC_INSTALL).enabled);
    EXPECT_EQ(tcp.control(IDC_INSTALL).text, "安装");
}

}  // namespace

namespace {

// The spooler crashed, or a restart failed, after start-up: the press must not fail on it,
// whichever spooler call comes first for the kind (the port dialogs for LPT and TCP/IP).
TEST(InstallStart, ASpoolerThatStoppedAfterStartUpIsStartedAtThePress) {
    struct Case {
        std::string model;
        int kind;
        std::string port;
    };
    const std::vector<Case> cases{
        {kReceipt, PORT_KIND_SERIAL, "COM1:"},
        {kLabel, PORT_KIND_SERIAL, "COM1:"},
        {kReceipt, PORT_KIND_PARALLEL, "LPT3:"},
        {kLabel, PORT_KIND_TCPIP, "IP_10.0.0.3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model + " on " + c.port);
        InstallFixture f([](sim::SimMachine& m) {
            m.installDefaultPorts();
            m.spooler.addPort("LPT2:");
            m.spooler.addPort("LPT3:");
            m.spooler.addPort("IP_10.0.0.2", sim::SimSpooler::kTcpipMonitor, sim::SimSpooler::kTcpipMonitor);
            m.spooler.addPort("IP_10.0.0.3", sim::SimSpooler::kTcpipMonitor, sim::SimSpooler::kTcpipMonitor);
            for (int dialog : {IDD_LPT_PORT_DIALOG, IDD_TCPIP_PORT_DIALOG}) {
                m.ui.scriptDialog(dialog, [](sim::SimDialog& d) {
                    const int rows = static_cast<int>(d.control(IDC_PORT_LIST).rows.size());
                    if (rows > 0) d.userSelectListRow(IDC_PORT_LIST, rows - 1);
                    d.userClick(rows > 0 ? IDC_PORT_OK : IDC_PORT_CANCEL);
                });
            }
        });
        f.machine.services.configure("Spooler", [](sim::SimServices::Service& s) {
            s.state = platform::SERVICE_STOPPED_STATE;
        });
        f.install(c.model, c.kind);
        EXPECT_TRUE(f.boxTexts().empty());
        EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
        const auto printers = f.machine.spooler.printers();
        EXPECT_EQ(printers.size(), 1u);
        EXPECT_EQ(printers.empty() ? "<none>" : printers[0].port, c.port);
    }
}

}  // namespace
