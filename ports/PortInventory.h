#pragma once
#include <string>
#include <vector>

#include "platform/Registry.h"

using StringList = std::vector<std::string>;

// The installer's picture of the ports a printer can be attached to, by connection kind.
struct PortInventory {
    StringList allPorts;
    StringList usbPorts;
    StringList serialPorts;
    StringList lptPorts;
    StringList tcpipPorts;
};

// Refills `list` with the serial ports that HKLM\HARDWARE\DEVICEMAP\SERIALCOMM announces,
// each with ":" appended. Returns whether the list ends non-empty.
bool readSerialCommPorts(platform::Registry& registry, StringList& list);
