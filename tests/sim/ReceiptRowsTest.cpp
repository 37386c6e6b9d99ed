// The catalogue rows on either side of each group boundary, and the driver files each one
// installs; the architecture's folder as the only source of files.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/sim/InstallTestSupport.h"

namespace {

struct ReceiptRowCase {
    std::string display;  // the demo package's display name for the row
    std::string driver;
    std::string gpdBase;
    std::string resourceDll;
    bool oemPlugin = false;
};

std::string dependentFiles(const ReceiptRowCase& row) {
    std::string list = std::string("\\ttfsub.GPD") + '\0' + "\\unires.DLL" + '\0' + "\\stdnames.GPD" + '\0';
    if (row.oemPlugin) list += std::string("\\TOEMUNI.ini") + '\0' + "\\TOEMUNI.dll" + '\0';
    return list + row.resourceDll + ".DLL" + '\0' + '\0';
}

// Installs the row as a parallel printer (the only LPT port, no follow-up) and checks the
// driver the spooler registered for it.
void expectReceiptRow(const ReceiptRowCase& row) {
    SCOPED_TRACE(row.display);
    InstallFixture f([](sim::SimMachine& m) { m.installDefaultPorts(); });
    f.install(row.display, PORT_KIND_PARALLEL);
    ASSERT_TRUE(f.machine.spooler.hasDriver("Windows x64", row.driver));
    const auto driver = f.machine.spooler.driver("Windows x64", row.driver);
    EXPECT_EQ(driver.dataFile, kDriverDir64 + "\\" + row.gpdBase + ".GPD");
    EXPECT_EQ(driver.dependentFiles, dependentFiles(row));
    EXPECT_TRUE(f.machine.files.exists(kDriverDir64 + "\\3\\" + row.resourceDll + ".DLL"));
    ASSERT_EQ(f.machine.spooler.printers().size(), 1u);
    EXPECT_EQ(f.machine.spooler.printers()[0].driver, row.driver);
    EXPECT_FALSE(f.machine.spooler.hasMonitor("Advanced Language Monitor"));
    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
}

TEST(ReceiptRows, Rows14And15AreTheLastOfGroupOneAndTheFirstOfGroupTwo) {
    expectReceiptRow({"热敏小票打印机 R58-Q", "Thermal Receipt G1-15", "TRG115", "TRG1RES"});
    expectReceiptRow({"热敏小票打印机 R80-A", "Thermal Receipt G2-01", "TRG201", "TRG2RES"});
}

TEST(ReceiptRows, Rows21And22AreTheLastOfGroupTwoAndTheFirstOfGroupThree) {
    expectReceiptRow({"热敏小票打印机 R80-G", "Thermal Receipt G2-07", "TRG207", "TRG2RES"});
    expectReceiptRow({"厨房热敏打印机 K80-A", "Thermal Receipt G3-01", "TRG301", "TRG3RES"});
}

TEST(ReceiptRows, Rows26And27AreTheLastOfGroupThreeAndTheFirstOfGroupFour) {
    expectReceiptRow({"厨房热敏打印机 K80-E", "Thermal Receipt G3-05", "TRG305", "TRG3RES"});
    expectReceiptRow({"票据打印机 T80-A", "Thermal Receipt G4-01", "TRG401", "TRG4RES"});
}

TEST(ReceiptRows, Row32IsTheLastReceiptRowAndRow33TheFirstLabelRow) {
    expectReceiptRow({"票据打印机 T80-F", "Thermal Receipt G4-06", "TRG406", "TRG4RES", true});

    InstallFixture label([](sim::SimMachine& m) { m.installDefaultPorts(); });
    label.install("热敏标签打印机 L108-A", PORT_KIND_PARALLEL);
    const auto driver = label.machine.spooler.driver("Windows x64", "Thermal Label L-01");
    EXPECT_EQ(driver.dataFile, kDriverDir64 + "\\TLBL01.DAT");
    EXPECT_EQ(driver.monitorName, "Advanced Language Monitor");
    EXPECT_TRUE(label.machine.spooler.hasMonitor("Advanced Language Monitor"));
    ASSERT_EQ(label.machine.spooler.printers().size(), 1u);
    EXPECT_EQ(label.machine.spooler.printers()[0].driver, "Thermal Label L-01");
    // Nothing of a receipt driver was staged for it.
    EXPECT_FALSE(label.machine.files.exists(kDriverDir64 + "\\TOEMUNI.dll"));
}

TEST(DriverSources, On64BitWindowsNothingIsReadFromThe32BitFolders) {
    InstallFixture receipt([](sim::SimMachine& m) { m.installDefaultPorts(); });
    std::filesystem::remove_all(receipt.machine.files.hostPath("C:\\Ticket\\x86"));
    ASSERT_FALSE(receipt.machine.files.exists("C:\\Ticket\\x86"));
    receipt.install("热敏小票打印机 R58-A", PORT_KIND_PARALLEL);
    EXPECT_TRUE(receipt.boxTexts().empty());
    EXPECT_TRUE(receipt.machine.spooler.hasDriver("Windows x64", "Thermal Receipt G1-01"));
    EXPECT_EQ(receipt.machine.files.readFile(kDriverDir64 + "\\3\\TRG1RES.DLL"),
              receipt.machine.files.readFile("C:\\Ticket\\x64\\TRG1RES.DLL"));
    EXPECT_EQ(receipt.control(IDC_INSTALL).text, "完成");

    InstallFixture label([](sim::SimMachine& m) { m.installDefaultPorts(); });
    std::filesystem::remove_all(label.machine.files.hostPath("C:\\Barcode\\x86"));
    label.install("热敏标签打印机 L108-A", PORT_KIND_PARALLEL);
    EXPECT_TRUE(label.boxTexts().empty());
    EXPECT_TRUE(label.machine.spooler.hasDriver("Windows x64", "Thermal Label L-01"));
    EXPECT_EQ(label.machine.files.readFile(kDriverDir64 + "\\3\\KTXDRV56.DLL"),
              label.machine.files.readFile("C:\\Barcode\\x64\\KTXDRV56.DLL"));
    EXPECT_EQ(label.control(IDC_INSTALL).text, "完成");
}

}  // namespace
