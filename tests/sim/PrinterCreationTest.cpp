// What the spooler is asked while a printer is created: the privilege, the older printer
// purged before it is deleted, the "RAW" defaults, the driver's copy flags; and a kind
// without ports that does not spoil the next press.
#include <gtest/gtest.h>

#include "tests/sim/InstallTestSupport.h"

namespace {

const std::string kReceipt = "热敏小票打印机 R58-A";
const std::string kLabel = "热敏标签打印机 L108-A";

// The operations from the first call of `first` on, as many as `count`.
std::vector<std::string> operationsFrom(const sim::SimMachine& machine, const std::string& first, std::size_t count) {
    const auto all = machine.faults.operations();
    const auto start = std::find(all.begin(), all.end(), first);
    const auto end = static_cast<std::size_t>(all.end() - start) < count ? all.end() : start + static_cast<long>(count);
    return {start, end};
}

TEST(PrinterCreation, AnOlderPrinterWithStuckJobsIsPurgedDeletedAndReplaced) {
    InstallFixture f([](sim::SimMachine& m) { m.installDefaultPorts(); });
    f.machine.spooler.addExistingPrinter(kReceipt, "LPT1:", "Some Other Driver");
    // Jobs for a printer that is switched off: without the purge the deletion would only
    // mark the printer, and its name would stay taken.
    f.machine.spooler.addJobs(kReceipt, 2);
    f.install(kReceipt, PORT_KIND_PARALLEL);

    EXPECT_TRUE(f.boxTexts().empty());
    const auto printers = f.machine.spooler.printers();
    ASSERT_EQ(printers.size(), 1u);
    EXPECT_EQ(printers[0].driver, "Thermal Receipt G1-01");
    EXPECT_EQ(printers[0].jobs, 0);
    EXPECT_TRUE(f.statusShown("打印机" + kReceipt + "已经存在,正在重新添加..."));
    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");

    // The privilege first, then the older printer opened, purged and deleted, then the new one.
    EXPECT_EQ(operationsFrom(f.machine, "SystemInfo.enableLoadDriverPrivilege", 5),
              (std::vector<std::string>{"SystemInfo.enableLoadDriverPrivilege", "Spooler.openPrinter",
                                        "Spooler.setPrinterCommand", "Spooler.deletePrinter", "Spooler.addPrinter"}));
    EXPECT_EQ(f.machine.spooler.openPrinterHandles(), 0);
}

TEST(PrinterCreation, ThePrivilegeComesBeforeTheCreationAlsoWithoutAnOlderPrinter) {
    InstallFixture f([](sim::SimMachine& m) { m.installDefaultPorts(); });
    f.install(kLabel, PORT_KIND_PARALLEL);
    EXPECT_EQ(operationsFrom(f.machine, "SystemInfo.enableLoadDriverPrivilege", 3),
              (std::vector<std::string>{"SystemInfo.enableLoadDriverPrivilege", "Spooler.openPrinter",
                                        "Spooler.addPrinter"}));
    EXPECT_EQ(f.machine.system.privilegeRequests(), 1);
}

TEST(PrinterCreation, OpensWithRawDefaultsAndCreatesRawPrintersFromDriversCopiedWhole) {
    for (const auto& [display, driver] : {std::pair{kReceipt, "Thermal Receipt G1-01"},
                                          std::pair{kLabel, "Thermal Label L-01"}}) {
        SCOPED_TRACE(display);
        InstallFixture f([](sim::SimMachine& m) { m.installDefaultPorts(); });
        f.install(display, PORT_KIND_PARALLEL);
        const auto opens = f.machine.spooler.printerOpens();
        ASSERT_EQ(opens.size(), 1u);
        EXPECT_EQ(opens[0].name, display);
        EXPECT_EQ(opens[0].datatype, "RAW");
        EXPECT_EQ(opens[0].desiredAccess, platform::PRINTER_ALL_ACCESS_RIGHTS);

        ASSERT_EQ(f.machine.spooler.printers().size(), 1u);
        EXPECT_EQ(f.machine.spooler.printers()[0].datatype, "RAW");
        EXPECT_EQ(f.machine.spooler.printers()[0].printProcessor, "WinPrint");
        EXPECT_EQ(f.machine.spooler.driverFileCopyFlags("Windows x64", driver), 4u);  // APD_COPY_ALL_FILES
    }
}

// A kind without a port clears the flag the printer creation reads; a later press on a kind
// that has one must not fall back as if it had none.
TEST(PortAvailability, ARetryOnAKindWithPortsUsesThem) {
    InstallFixture f([](sim::SimMachine& m) {
        m.spooler.addPort("COM1:");
        m.spooler.addPort("FILE:");
        m.registry.setString("HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\Serial0", "COM1");
    });
    // No USB port and no parallel port to fall back to.
    f.install(kReceipt, PORT_KIND_USB);
    EXPECT_EQ(f.boxTexts(), std::vector<std::string>{"PC机无可用串行端口,请选择其他端口重新安装"});
    EXPECT_EQ(f.control(IDC_INSTALL).text, "重新安装");
    EXPECT_TRUE(f.machine.spooler.printers().empty());

    f.run->onWindow([](MainDialog&, sim::SimDialog& window) {
        window.userSelectListRow(IDC_CONNECTION_LIST, PORT_KIND_SERIAL);
        window.userClick(IDC_INSTALL);
    });
    EXPECT_EQ(f.boxTexts().size(), 1u);
    ASSERT_EQ(f.machine.spooler.printers().size(), 1u);
    EXPECT_EQ(f.machine.spooler.printers()[0].port, "COM1:");
    EXPECT_FALSE(f.statusShown("PC机无可用串行端口,当前端口是"));
    EXPECT_EQ(f.control(IDC_STATUS).text, "程序已为您选择COM1:,若需修改完成后手动配置");
    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
}

}  // namespace
