#pragma once
#include <string>
#include <string_view>
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

// Byte-wise and case-sensitive; a name shorter than the prefix never matches.
bool beginsWith(std::string_view name, std::string_view prefix);

// A port of the standard TCP/IP monitor, by its description in English or Chinese Windows.
bool isStandardTcpipDescription(const std::string& description);
