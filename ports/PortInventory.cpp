#include "ports/PortInventory.h"

#include <cstddef>
#include <string_view>
#include <vector>

#include "app/MainDialog.h"
#include "platform/WinConstants.h"

namespace {

constexpr std::size_t kMaxSpoolerPorts = 256;
constexpr std::uint32_t kSerialCommBufferSize = 128;

}  // namespace

bool beginsWith(std::string_view name, std::string_view prefix) {
    return name.size() >= prefix.size() && name.compare(0, prefix.size(), prefix) == 0;
}

bool isStandardTcpipDescription(const std::string& description) {
    return description == "Standard TCP/IP Port" || description == "标准 TCP/IP 端口";
}

bool readSerialCommPorts(platform::Registry& registry, StringList& list) {
    list.clear();
    platform::RegKey key;
    if (registry.openKey(registry.rootKey(platform::RegRoot::LocalMachine), "HARDWARE\\DEVICEMAP\\SERIALCOMM",
                         win::KEY_READ, key) != win::ERROR_SUCCESS) {
        return false;
    }
    for (std::uint32_t index = 0;; ++index) {
        platform::RegValue value;
        const long status = registry.enumValue(key, index, kSerialCommBufferSize, kSerialCommBufferSize, value);
        if (status == win::ERROR_NO_MORE_ITEMS) break;
        // A value too long for the buffers is passed over. Any other error (the key deleted
        // under us, say) would repeat for every later index, so the walk ends there.
        if (status == win::ERROR_MORE_DATA) continue;
        if (status != win::ERROR_SUCCESS) break;
        if (beginsWith(value.name, "\\Device\\")) list.push_back(platform::regSzText(value.data) + ":");
    }
    return !list.empty();
}

void MainDialog::refreshPortInventory() { rebuildPortInventory(true); }

void MainDialog::refreshPortInventoryKeepingKind() { rebuildPortInventory(false); }

void MainDialog::rebuildPortInventory(bool preselectKind) {
    inventory = PortInventory{};
    readSerialCommPorts(platform_.registry, inventory.serialPorts);

    // A failed enumeration leaves no entries: the machine is taken to have no spooler ports.
    std::vector<platform::PortInfo2> ports;
    platform_.spooler.enumPorts(ports);

    applyConnectionKindListStyle();

    int usbCount = 0;
    int comCount = 0;
    int lptCount = 0;
    int fileCount = 0;
    for (std::size_t k = 0; k < ports.size() && k < kMaxSpoolerPorts; ++k) {
        const std::string& name = ports[k].portName;
        if (beginsWith(name, "COM")) ++comCount;
        if (beginsWith(name, "LPT")) ++lptCount;
        if (beginsWith(name, "FILE")) ++fileCount;
        if (beginsWith(name, "USB")) ++usbCount;

        if (beginsWith(name, "USB")) {
            inventory.usbPorts.push_back(name);
        } else if (isStandardTcpipDescription(ports[k].description)) {
            inventory.tcpipPorts.push_back(name);
        } else if (beginsWith(name, "LPT")) {
            inventory.lptPorts.push_back(name);
        }
        inventory.allPorts.push_back(name);
    }

    // Only the first look at the machine suggests a kind. Later ones follow a choice the user
    // has made (a port dialog, an installation): moving the row then would change the kind of
    // the next press behind the user's back.
    if (preselectKind) {
        int row = PORT_KIND_USB;
        if (usbCount > 0) {
            row = PORT_KIND_USB;
        } else if (comCount > 0) {
            row = PORT_KIND_SERIAL;
        } else if (lptCount > 0) {
            row = PORT_KIND_PARALLEL;
        } else if (fileCount > 0) {
            row = PORT_KIND_TCPIP;
        }
        connectionKindList.selectRow(row);
    }

    sendUpdateData();
}
