// After the printer is created: moving a USB printer through the USB ports until one reports
// it on line, and settling a serial printer on the machine's serial port.
#include <gtest/gtest.h>

#include "tests/sim/InstallTestSupport.h"

namespace {

const std::string kReceipt = "热敏小票打印机 R58-A";
const std::string kUsbBox =
    "自动选择USB端口失败，请检查打印机USB端口是否连接！\r\n\r\n点击重试：重新检测并选择可用USB端口\r\n"
    "点击取消：忽略，安装完成后手动配置打印机端口";

std::function<void(sim::SimMachine&)> usbPorts(std::vector<std::string> ports, std::string powered) {
    return [=](sim::SimMachine& m) {
        m.installDefaultPorts();
        for (const auto& port : ports) {
            m.spooler.addPort(port, "Virtual printer port for USB", "USB Monitor");
            m.spooler.attachDevice(port, port == powered);
        }
    };
}

TEST(UsbPortSelection, TheFirstPortThatAnswersKeepsThePrinter) {
    InstallFixture one(usbPorts({"USB001"}, "USB001"));
    one.install(kReceipt, PORT_KIND_USB);
    EXPECT_EQ(one.machine.spooler.printers().at(0).port, "USB001");
    EXPECT_TRUE(one.statusShown("正在尝试 USB001 ...."));
    const auto positions = one.control(IDC_PROGRESS).positionHistory;
    EXPECT_EQ(positions, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 100}));
    EXPECT_TRUE(one.boxTexts().empty());
    EXPECT_EQ(one.control(IDC_STATUS).text, "安装已完成");
    EXPECT_EQ(one.control(IDC_INSTALL).text, "完成");
    EXPECT_EQ(one.onlineFlag(kReceipt), 1);

    InstallFixture second(usbPorts({"USB001", "USB002"}, "USB002"));
    second.install(kReceipt, PORT_KIND_USB);
    EXPECT_EQ(second.machine.spooler.printers().at(0).port, "USB002");
    EXPECT_EQ(second.machine.services.service("Spooler").stops, 2);
    EXPECT_TRUE(second.boxTexts().empty());
}

TEST(UsbPortSelection, NoPortAnsweringAsksRetryOrCancel) {
    InstallFixture f(usbPorts({"USB001", "USB002"}, ""));
    // Retry once (nothing changes), then Cancel.
    f.install(kReceipt, PORT_KIND_USB, {win::IDRETRY, win::IDCANCEL});
    const auto boxes = f.machine.ui.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, kUsbBox);
    EXPECT_EQ(boxes[0].caption, "自动选择USB端口失败");
    EXPECT_EQ(boxes[0].type, win::MB_RETRYCANCEL);
    EXPECT_EQ(boxes[0].ownerTemplate, IDD_MAIN_DIALOG);
    // Two candidates, tried twice.
    EXPECT_EQ(f.machine.services.service("Spooler").stops, 4);
    EXPECT_EQ(f.machine.spooler.printers().at(0).port, "USB002");
    EXPECT_EQ(f.onlineFlag(kReceipt), 0);
    const auto positions = f.control(IDC_PROGRESS).positionHistory;
    EXPECT_EQ(positions[positions.size() - 2], 80);
    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
}

std::vector<int> selectedKinds(const sim::SimControl& list) {
    std::vector<int> rows;
    for (std::size_t i = 0; i < list.rows.size(); ++i) {
        if (list.rows[i].state & win::LVIS_SELECTED) rows.push_back(static_cast<int>(i));
    }
    return rows;
}

TEST(UsbPortSelection, RetryFindsAPrinterPluggedInWhileTheBoxIsUp) {
    // No USB port at first: the printer is created on LPT1: and the box comes at once.
    InstallFixture f([](sim::SimMachine& m) { m.installDefaultPorts(); });
    bool pluggedIn = false;
    f.machine.ui.answerRemainingMessageBoxesBy([&](const std::string& text, unsigned) {
        if (text != kUsbBox || pluggedIn) return win::IDCANCEL;
        pluggedIn = true;
        f.machine.spooler.addPort("USB001", "Virtual printer port for USB", "USB Monitor");
        f.machine.spooler.attachDevice("USB001", true);
        return win::IDRETRY;
    });
    f.install(kReceipt, PORT_KIND_USB);
    EXPECT_EQ(f.boxTexts(), std::vector<std::string>{kUsbBox});
    ASSERT_EQ(f.machine.spooler.printers().size(), 1u);
    EXPECT_EQ(f.machine.spooler.printers()[0].port, "USB001");
    EXPECT_EQ(f.onlineFlag(kReceipt), 1);
    EXPECT_TRUE(f.statusShown("正在尝试 USB001 ...."));
    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
    // The machine now suggests USB as it suggested serial before; the row is the user's.
    EXPECT_EQ(selectedKinds(f.control(IDC_CONNECTION_LIST)), std::vector<int>{PORT_KIND_USB});
}

TEST(UsbPortSelection, WithNoUsbPortEachRetryLooksAgainAndCancelEndsIt) {
    InstallFixture f([](sim::SimMachine& m) { m.installDefaultPorts(); });
    int enumerations = 0;
    f.machine.spooler.onEnumPorts([&] { ++enumerations; });
    f.install(kReceipt, PORT_KIND_USB, {win::IDRETRY, win::IDRETRY, win::IDCANCEL});
    EXPECT_EQ(f.boxTexts(), (std::vector<std::string>{kUsbBox, kUsbBox, kUsbBox}));
    // The look of the printer creation, then one per Retry.
    EXPECT_EQ(enumerations, 3);
    EXPECT_EQ(f.machine.spooler.printers().at(0).port, "LPT1:");
    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
    EXPECT_EQ(selectedKinds(f.control(IDC_CONNECTION_LIST)), std::vector<int>{PORT_KIND_USB});
}

TEST(UsbPortSelection, WindowsSevenBindsEveryPortWithoutRestarts) {
    InstallFixture f([](sim::SimMachine& m) {
        usbPorts({"USB001", "USB002", "USB003"}, "USB001")(m);
        m.system.setVersion(2, 6, 1);
    });
    f.install(kReceipt, PORT_KIND_USB);
    EXPECT_EQ(f.machine.services.service("Spooler").stops, 0);
    EXPECT_TRUE(f.boxTexts().empty());
    // The records say USB003; the spooler takes them at its next start.
    EXPECT_EQ(f.registryText(kPrintersKey + kReceipt, "Port"), "USB003");
}

TEST(UsbPortSelection, AMissingOnLineValueIsReportedPerCandidate) {
    InstallFixture f(usbPorts({"USB001", "USB002"}, ""));
    // This spooler drops the flag when it starts, so there is nothing to read back.
    f.machine.services.onStarted("Spooler", [&] {
        f.machine.spooler.restart();
        platform::RegKey key;
        auto& registry = f.machine.registry;
        if (registry.openKey(registry.rootKey(platform::RegRoot::LocalMachine), kOnlineKey.substr(5) + kReceipt,
                             win::KEY_ALL_ACCESS, key) == 0) {
            registry.deleteValue(key, "PrinterOnLine");
        }
    });
    f.install(kReceipt, PORT_KIND_USB, {win::IDOK, win::IDOK, win::IDCANCEL});
    EXPECT_EQ(f.boxTexts(), (std::vector<std::string>{"读取注册表失败", "读取注册表失败", kUsbBox}));
    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
}

TEST(SerialPortSelection, TwoSerialPortsKeepTheFirstWithoutRestarts) {
    InstallFixture f([](sim::SimMachine& m) {
        m.installDefaultPorts();
        m.spooler.addPort("COM2:");
        m.registry.setString("HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\Serial1", "COM2");
    });
    f.machine.registry.setString(kPortsKey, "COM1:", "untouched");
    f.install(kReceipt, PORT_KIND_SERIAL);
    EXPECT_EQ(f.machine.spooler.printers().at(0).port, "COM1:");
    EXPECT_EQ(f.machine.services.service("Spooler").stops, 0);
    EXPECT_EQ(f.registryText(kPortsKey, "COM1:"), "untouched");
    EXPECT_EQ(f.control(IDC_STATUS).text, "程序已为您选择COM1:,若需修改完成后手动配置");
    EXPECT_EQ(f.control(IDC_PROGRESS).position, 100);
    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
}

TEST(SerialPortSelection, OtherPrintersOnSerialPortsAreBoundAgainAndOthersLeftAlone) {
    InstallFixture f([](sim::SimMachine& m) {
        m.installDefaultPorts();
        m.spooler.addPort("COM2:");
    });
    f.machine.spooler.addExistingPrinter("Kitchen", "COM2:", "Some Driver");
    f.machine.spooler.addExistingPrinter("Office", "LPT1:", "Some Driver");
    f.machine.registry.setDword(kOnlineKey + "Kitchen", "PrinterOnLine", 1);
    f.install(kReceipt, PORT_KIND_SERIAL);
    EXPECT_EQ(f.registryText(kPrintersKey + "Kitchen", "Port"), "COM2:");
    EXPECT_EQ(f.onlineFlag("Kitchen"), 0);
    EXPECT_EQ(f.onlineFlag("Office"), -1);
    EXPECT_EQ(f.registryText(kPrintersKey + "Office", "Port"), "LPT1:");
}

// A connection to a printer of another server is listed with the server's port, here COM1:.
// That port is not this machine's and this spooler keeps no records for the connection, so it
// is left alone: no binding, no on-line key in this machine's hardware profile.
TEST(SerialPortSelection, APrinterConnectionOnASerialPortIsLeftAlone) {
    InstallFixture f([](sim::SimMachine& m) { m.installDefaultPorts(); });
    const std::string connection = "\\\\SHOP\\Kitchen";
    f.machine.spooler.addPrinterConnection(connection, "COM1:");
    const auto registryBefore = f.machine.registry.snapshot();
    f.install(kReceipt, PORT_KIND_SERIAL);
    EXPECT_TRUE(f.boxTexts().empty());
    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
    EXPECT_EQ(f.onlineFlag(connection), -1);
    // Nothing was written for the connection (the snapshot's paths are in lower case).
    for (const auto& [path, data] : f.machine.registry.snapshot()) {
        if (registryBefore.count(path) == 0) {
            EXPECT_EQ(path.find("shop"), std::string::npos) << path;
        }
    }
    std::vector<platform::PrinterEntry> listed;
    ASSERT_EQ(f.machine.spooler.enumPrinters(platform::PRINTER_ENUM_LOCAL_FLAG | platform::PRINTER_ENUM_CONNECTIONS_FLAG,
                                             listed),
              0);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[1].printerName, connection);
    EXPECT_EQ(listed[1].portName, "COM1:");
}

TEST(SerialPortSelection, ARenamedReceiptPrinterIsStillTheOneBound) {
    InstallFixture f([](sim::SimMachine& m) { m.installDefaultPorts(); });
    f.run->onWindow([&](MainDialog&, sim::SimDialog& window) {
        const auto& items = window.control(IDC_MODEL_COMBO).items;
        window.userSelectCombo(IDC_MODEL_COMBO,
                               static_cast<int>(std::find(items.begin(), items.end(), kReceipt) - items.begin()));
        window.userType(IDC_PRINTER_NAME, "前台小票机");
        window.userSelectListRow(IDC_CONNECTION_LIST, PORT_KIND_SERIAL);
        window.userClick(IDC_INSTALL);
    });
    ASSERT_EQ(f.machine.spooler.printers().size(), 1u);
    EXPECT_EQ(f.machine.spooler.printers()[0].name, "前台小票机");
    EXPECT_EQ(f.onlineFlag("前台小票机"), 0);
    EXPECT_EQ(f.onlineFlag(kReceipt), -1);
}

}  // namespace
