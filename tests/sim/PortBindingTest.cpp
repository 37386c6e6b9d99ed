// Moving a printer onto another port through the spooler's registry records: every record
// the binding writes, what a failed write shows, and the new serial printer's own binding.
#include <gtest/gtest.h>

#include "tests/sim/InstallTestSupport.h"

namespace {

const std::string kReceipt = "热敏小票打印机 R58-A";
const std::string kSoftwarePrinters = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\";
const std::string kFirstSetPrinters = "HKLM\\SYSTEM\\ControlSet001\\Control\\Print\\Printers\\";
const std::string kSecondSetPrinters = "HKLM\\SYSTEM\\ControlSet002\\Control\\Print\\Printers\\";
const std::string kWriteFailed = "错误：无法设置有关的注册表信息";

// The five places a binding writes, read back.
struct BindingRecords {
    std::string softwarePort;
    std::string dsSpoolerPort;
    std::string firstSetPort;
    std::string currentSetPort;
    int online;
    bool operator==(const BindingRecords&) const = default;
};

void PrintTo(const BindingRecords& r, std::ostream* out) {
    *out << "{" << r.softwarePort << ", " << r.dsSpoolerPort << ", " << r.firstSetPort << ", " << r.currentSetPort
         << ", online " << r.online << "}";
}

// A printer "Kitchen" on LPT1: of a machine that booted its second control set:
// CurrentControlSet is ControlSet002, where the spooler keeps its records, and ControlSet001
// still holds those of the set booted before.
class PortBinding : public ::testing::Test {
protected:
    PortBinding()
        : f([](sim::SimMachine& m) {
              m.installDefaultPorts();
              m.spooler.addPort("COM2:");
              m.registry.selectCurrentControlSet(2);
          }) {
        f.machine.spooler.addExistingPrinter("Kitchen", "LPT1:", "Some Driver");
        f.machine.registry.setString(kFirstSetPrinters + "Kitchen", "Port", "LPT1:");
        f.machine.registry.setDword(kOnlineKey + "Kitchen", "PrinterOnLine", 1);
    }

    void bind(const std::string& printer, const std::string& port) {
        f.run->onWindow([&](MainDialog& dialog, sim::SimDialog&) { dialog.bindPrinterPort(printer, port); });
    }
    // The n-th write of the next binding fails (from 1, in the order the binding writes).
    void failWrite(std::size_t n) {
        const auto done = f.machine.faults.operations();
        const auto before = static_cast<std::size_t>(std::count(done.begin(), done.end(), "Registry.setValue"));
        f.machine.faults.failCall("Registry.setValue", before + n, win::ERROR_ACCESS_DENIED);
    }
    BindingRecords records(const std::string& printer) {
        return {f.registryText(kSoftwarePrinters + printer, "Port"),
                f.registryText(kSoftwarePrinters + printer + "\\DsSpooler", "portName"),
                f.registryText(kFirstSetPrinters + printer, "Port"), f.registryText(kPrintersKey + printer, "Port"),
                f.onlineFlag(printer)};
    }

    InstallFixture f;
};

TEST_F(PortBinding, WritesEveryRecordAndTheSpoolerTakesThePortAtItsNextStart) {
    bind("Kitchen", "COM2:");
    EXPECT_EQ(records("Kitchen"), (BindingRecords{"COM2:", "COM2:", "COM2:", "COM2:", 0}));
    EXPECT_TRUE(f.boxTexts().empty());
    // The current set is the one the spooler reads.
    EXPECT_EQ(f.registryText(kSecondSetPrinters + "Kitchen", "Port"), "COM2:");

    // Text values carry their terminating NUL, the on-line flag is a 4-byte DWORD.
    platform::RegValue value;
    ASSERT_TRUE(f.machine.registry.value(kSoftwarePrinters + "Kitchen\\DsSpooler", "portName", value));
    EXPECT_EQ(value.type, win::REG_SZ);
    EXPECT_EQ(value.data, std::string("COM2:") + '\0');
    ASSERT_TRUE(f.machine.registry.value(kOnlineKey + "Kitchen", "PrinterOnLine", value));
    EXPECT_EQ(value.type, win::REG_DWORD);
    EXPECT_EQ(value.data, std::string(4, '\0'));

    EXPECT_EQ(f.machine.spooler.printers().at(0).port, "LPT1:");
    f.machine.spooler.restart();
    EXPECT_EQ(f.machine.spooler.printers().at(0).port, "COM2:");
}

TEST_F(PortBinding, EachFailedWriteIsReportedOnceAndTheOthersStillHappen) {
    failWrite(2);
    failWrite(5);
    bind("Kitchen", "COM2:");
    EXPECT_EQ(f.boxTexts(), (std::vector<std::string>{kWriteFailed, kWriteFailed}));
    for (const auto& box : f.machine.ui.messageBoxes()) {
        EXPECT_EQ(box.caption, "DriverInstaller");
        EXPECT_EQ(box.type, win::MB_OK);
    }
    EXPECT_EQ(records("Kitchen"), (BindingRecords{"COM2:", "LPT1:", "COM2:", "COM2:", 1}));

    // All five refused: five boxes, nothing undone, nothing written.
    for (std::size_t n = 1; n <= 5; ++n) failWrite(n);
    bind("Kitchen", "LPT1:");
    EXPECT_EQ(f.boxTexts().size(), 7u);
    EXPECT_EQ(records("Kitchen"), (BindingRecords{"COM2:", "LPT1:", "COM2:", "COM2:", 1}));
}

TEST_F(PortBinding, ARecordThePrinterDoesNotHaveIsPassedOverInSilence) {
    f.machine.registry.removeKey(kSoftwarePrinters + "Kitchen\\DsSpooler");
    f.machine.registry.removeKey(kFirstSetPrinters + "Kitchen");
    bind("Kitchen", "COM2:");
    EXPECT_TRUE(f.boxTexts().empty());
    EXPECT_FALSE(f.machine.registry.hasKey(kSoftwarePrinters + "Kitchen\\DsSpooler"));
    EXPECT_FALSE(f.machine.registry.hasKey(kFirstSetPrinters + "Kitchen"));
    EXPECT_EQ(records("Kitchen"), (BindingRecords{"COM2:", "<none>", "<none>", "COM2:", 0}));

    // The on-line flag's key is made when it is missing.
    f.machine.registry.removeKey(kOnlineKey + "Kitchen");
    bind("Kitchen", "COM1:");
    EXPECT_EQ(f.onlineFlag("Kitchen"), 0);
}

// With one serial port the new printer is bound to it before the other serial printers are
// bound again; without a snapshot of the printers that first binding is the only one.
TEST(SerialPortBinding, TheNewPrinterIsBoundEvenWithoutASnapshotOfThePrinters) {
    InstallFixture f([](sim::SimMachine& m) {
        m.installDefaultPorts();
        m.registry.selectCurrentControlSet(2);
        m.faults.failCall("Spooler.enumPrinters", 1, 1722);
    });
    f.install(kReceipt, PORT_KIND_SERIAL);
    EXPECT_EQ(f.registryText(kSoftwarePrinters + kReceipt, "Port"), "COM1:");
    EXPECT_EQ(f.registryText(kPrintersKey + kReceipt, "Port"), "COM1:");
    // Created while the second set was current, it had no record in the first until bound.
    EXPECT_EQ(f.registryText(kFirstSetPrinters + kReceipt, "Port"), "<none>");
    EXPECT_EQ(f.onlineFlag(kReceipt), 0);
    EXPECT_EQ(f.registryText(kPortsKey, "COM1:"), "9600,n,8,1");
    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
}

}  // namespace
