// Sorting the spooler's ports and the serial device map into lists, and the connection kind
// the machine's ports suggest.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/WinConstants.h"
#include "tests/sim/InstallerHarness.h"

namespace {

const char* const kSerialComm = "HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM";

struct Refreshed {
    PortInventory inventory;
    int selectedRow = -1;
    int selectedCount = 0;
};

// Starts the installer on `machine`, refreshes once more after start-up (so that changes a
// test makes in between are seen), and reports the lists and the preselected row.
Refreshed refreshOn(sim::SimMachine& machine, const std::function<void()>& beforeRefresh = {}) {
    InstallerRun run(machine);
    EXPECT_TRUE(run.waitForStartup());
    if (beforeRefresh) beforeRefresh();
    Refreshed result;
    run.onWindow([&](MainDialog& dialog, sim::SimDialog& window) {
        dialog.refreshPortInventory();
        result.inventory = dialog.inventory;
        const auto& rows = window.control(IDC_CONNECTION_LIST).rows;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].state & win::LVIS_SELECTED) {
                result.selectedRow = static_cast<int>(i);
                ++result.selectedCount;
            }
        }
    });
    return result;
}

using List = StringList;

TEST(PortInventory, SortsSpoolerPortsByKindAndPrefersUsb) {
    sim::SimMachine machine;
    machine.spooler.addPort("COM1:");
    machine.spooler.addPort("LPT1:");
    machine.spooler.addPort("FILE:");
    machine.spooler.addPort("USB001", "Virtual printer port for USB", "USB Monitor");
    const Refreshed r = refreshOn(machine);
    EXPECT_EQ(r.inventory.allPorts, (List{"COM1:", "LPT1:", "FILE:", "USB001"}));
    EXPECT_EQ(r.inventory.usbPorts, List{"USB001"});
    EXPECT_EQ(r.inventory.lptPorts, List{"LPT1:"});
    EXPECT_TRUE(r.inventory.tcpipPorts.empty());
    EXPECT_EQ(r.selectedRow, PORT_KIND_USB);
    EXPECT_EQ(r.selectedCount, 1);
}

TEST(PortInventory, PreselectionFollowsTheFirstKindFound) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> ports;  // name, description
        int row;
    };
    const std::vector<Case> cases{
        {"serial before parallel", {{"COM1:", "Local Port"}, {"LPT1:", "Local Port"}, {"FILE:", "Local Port"}},
         PORT_KIND_SERIAL},
        {"parallel before file", {{"FILE:", "Local Port"}, {"LPT2:", "Local Port"}}, PORT_KIND_PARALLEL},
        {"file alone offers TCP/IP",
         {{"FILE:", "Local Port"}, {"IP_10.0.0.5", "Standard TCP/IP Port"}, {"IP_10.0.0.6", "Standard TCP/IP Port"}},
         PORT_KIND_TCPIP},
        {"nothing offers USB", {}, PORT_KIND_USB},
        // Prefixes are case-sensitive: usb001 is no USB port, so the LPT port decides.
        {"lower-case usb is not USB", {{"usb001", "Local Port"}, {"LPT1:", "Local Port"}}, PORT_KIND_PARALLEL},
        // A TCP/IP port named LPT... still counts as LPT.
        {"LPT-named TCP/IP port counts as LPT", {{"LPT9", "标准 TCP/IP 端口"}}, PORT_KIND_PARALLEL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimMachine machine;
        for (const auto& [name, description] : c.ports) machine.spooler.addPort(name, description);
        EXPECT_EQ(refreshOn(machine).selectedRow, c.row);
    }
}

TEST(PortInventory, TcpipDescriptionsAndTheFirstRuleThatApplies) {
    sim::SimMachine machine;
    machine.spooler.addPort("IP_192.168.1.9", "Standard TCP/IP Port");
    machine.spooler.addPort("LPT9", "标准 TCP/IP 端口");
    machine.spooler.addPort("USB007", "Standard TCP/IP Port");
    machine.spooler.addPort("IP_lower", "standard tcp/ip port");
    machine.spooler.addPort("LPT1:");
    const Refreshed r = refreshOn(machine);
    EXPECT_EQ(r.inventory.tcpipPorts, (List{"IP_192.168.1.9", "LPT9"}));
    EXPECT_EQ(r.inventory.usbPorts, List{"USB007"});
    EXPECT_EQ(r.inventory.lptPorts, List{"LPT1:"});
    EXPECT_EQ(r.inventory.allPorts.size(), 5u);
}

TEST(PortInventory, TakesOnlyTheFirst256SpoolerEntries) {
    sim::SimMachine machine;
    for (int i = 0; i < 256; ++i) machine.spooler.addPort("FILE" + std::to_string(i) + ":");
    for (int i = 0; i < 44; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "USB%03d", i);
        machine.spooler.addPort(name);
    }
    const Refreshed r = refreshOn(machine);
    EXPECT_EQ(r.inventory.allPorts.size(), 256u);
    EXPECT_EQ(r.inventory.allPorts.back(), "FILE255:");
    EXPECT_TRUE(r.inventory.usbPorts.empty());
    // The USB ports past the limit were not counted either.
    EXPECT_EQ(r.selectedRow, PORT_KIND_TCPIP);
}

TEST(PortInventory, AFailedEnumerationCountsAsNoPorts) {
    sim::SimMachine machine;
    machine.installDefaultPorts();
    machine.spooler.failEnumPorts(1722);  // RPC_S_SERVER_UNAVAILABLE: the spooler is down
    const Refreshed r = refreshOn(machine);
    EXPECT_TRUE(r.inventory.allPorts.empty());
    EXPECT_TRUE(r.inventory.lptPorts.empty());
    EXPECT_EQ(r.inventory.serialPorts, List{"COM1:"});
    EXPECT_EQ(r.selectedRow, PORT_KIND_USB);
}

TEST(PortInventory, ARefreshForgetsADeletedPort) {
    sim::SimMachine machine;
    machine.spooler.addPort("LPT1:");
    machine.spooler.addPort("USB001");
    const Refreshed r = refreshOn(machine, [&] { machine.spooler.removePort("USB001"); });
    EXPECT_EQ(r.inventory.allPorts, List{"LPT1:"});
    EXPECT_TRUE(r.inventory.usbPorts.empty());
    EXPECT_EQ(r.selectedRow, PORT_KIND_PARALLEL);
}

TEST(SerialCommPorts, ReadsDeviceValuesInOrderAndSkipsTheRest) {
    sim::SimMachine machine;
    machine.registry.setString(kSerialComm, "\\Device\\Serial0", "COM1");
    machine.registry.setString(kSerialComm, "\\Device\\Serial1", "COM2");
    machine.registry.setString(kSerialComm, "Serial2", "COM3");                     // not a device name
    machine.registry.setString(kSerialComm, "\\Device\\" + std::string(119, 'x'), "COM4");  // 127 bytes: fits
    machine.registry.setString(kSerialComm, "\\Device\\" + std::string(120, 'x'), "COM5");  // 128 bytes: no room for NUL
    machine.registry.setString(kSerialComm, "\\Device\\Long", std::string(127, 'C'));      // 128 with NUL: fits
    machine.registry.setString(kSerialComm, "\\Device\\Longer", std::string(128, 'C'));    // 129: too long
    machine.registry.setRaw(kSerialComm, "\\Device\\Raw", win::REG_BINARY, "COM8");        // no NUL at all
    machine.registry.setString(kSerialComm, "\\Device\\Twice", "COM1");
    StringList list{"stale"};
    EXPECT_TRUE(readSerialCommPorts(machine.registry, list));
    EXPECT_EQ(list, (List{"COM1:", "COM2:", "COM4:", std::string(127, 'C') + ":", "COM8:", "COM1:"}));
    EXPECT_EQ(machine.registry.openHandles(), 0u);
}

TEST(SerialCommPorts, MissingOrUnreadableKeyGivesAnEmptyList) {
    sim::SimMachine machine;
    StringList list{"stale"};
    EXPECT_FALSE(readSerialCommPorts(machine.registry, list));
    EXPECT_TRUE(list.empty());

    machine.registry.setString(kSerialComm, "\\Device\\Serial0", "COM1");
    machine.registry.failKey(kSerialComm, win::ERROR_ACCESS_DENIED);
    list = {"stale"};
    EXPECT_FALSE(readSerialCommPorts(machine.registry, list));
    EXPECT_TRUE(list.empty());

    // The spooler's lists do not depend on the device map.
    machine.spooler.addPort("LPT1:");
    const Refreshed r = refreshOn(machine);
    EXPECT_TRUE(r.inventory.serialPorts.empty());
    EXPECT_EQ(r.inventory.lptPorts, List{"LPT1:"});
}

TEST(SerialCommPorts, AnErrorThatRepeatsForEveryIndexEndsTheWalk) {
    // A key deleted under the reader answers "key deleted" for every index; the walk must
    // end rather than spin.
    sim::SimMachine machine;
    machine.registry.setString(kSerialComm, "\\Device\\Serial0", "COM1");
    machine.registry.failEnumValues(kSerialComm, 1018);
    StringList list;
    EXPECT_FALSE(readSerialCommPorts(machine.registry, list));
    EXPECT_TRUE(list.empty());
}

}  // namespace
