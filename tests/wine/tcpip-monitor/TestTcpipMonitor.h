#pragma once
// What the test-only "Standard TCP/IP Port" monitor, its user interface and its set-up tool
// share: the monitor's name, where it keeps its ports, and the XcvData commands between them.
//
// Wine's spooler has no standard TCP/IP monitor; this one stands in for it so that the
// installer's TCP/IP port dialog meets a real spooler and a monitor's own dialogs under Wine.
// It never ships: it is built only for the tests.
#include <windows.h>

namespace testmon {

inline constexpr const wchar_t* kMonitorName = L"Standard TCP/IP Port";
// What the monitor's ports are described as, as a standard TCP/IP port is on English Windows.
inline constexpr const wchar_t* kPortDescription = L"Standard TCP/IP Port";
inline constexpr const wchar_t* kMonitorDll = L"TestTcpipMon.dll";
inline constexpr const wchar_t* kMonitorUiDll = L"TestTcpipMonUI.dll";

// One key per port under the monitor's own key: the spooler finds the monitor of a port that is
// not a local port by looking for Monitors\<monitor>\Ports\<port>, and the ports survive a
// restart of the spooler. A port's host address is its value "HostAddress".
inline constexpr const wchar_t* kPortsKey =
    L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";
inline constexpr const wchar_t* kHostAddressValue = L"HostAddress";
// A port added with a PORT_DATA_1 also keeps the record's port number, a REG_DWORD.
inline constexpr const wchar_t* kPortNumberValue = L"PortNumber";

// Port names made by the add-port dialog: the prefix, then the host address.
inline constexpr const wchar_t* kPortPrefix = L"IP_";

// XcvData commands. On a monitor handle (",XcvMonitor Standard TCP/IP Port"):
//   "MonitorUI"      out: the UI DLL's file name
//   "AddPort"        in: the port name, optionally followed by its host address (a
//                    multi-string), or a PORT_DATA_1 as Windows' own monitor takes (raw
//                    protocol only); ERROR_ALREADY_EXISTS if there is such a port
//   "DeletePort"     in: the port name; ERROR_UNKNOWN_PORT if there is none
// On a port handle (",XcvPort NAME"):
//   "GetHostAddress" out: the host address
//   "SetHostAddress" in: the new host address
// Commands that change ports need SERVER_ACCESS_ADMINISTER on the handle.
inline constexpr const wchar_t* kXcvMonitorUi = L"MonitorUI";
inline constexpr const wchar_t* kXcvAddPort = L"AddPort";
inline constexpr const wchar_t* kXcvDeletePort = L"DeletePort";
inline constexpr const wchar_t* kXcvGetHostAddress = L"GetHostAddress";
inline constexpr const wchar_t* kXcvSetHostAddress = L"SetHostAddress";

// Port names and host addresses, terminating NUL included. Longer ones are refused.
inline constexpr DWORD kNameChars = 64;

// A port name or host address this monitor accepts: not empty, short enough, and nothing
// that a registry key name or the spooler's ",XcvPort NAME" syntax would read differently.
inline bool validName(const wchar_t* name) {
    if (name == nullptr || name[0] == L'\0') return false;
    DWORD length = 0;
    for (; name[length] != L'\0'; ++length) {
        if (length + 1 >= kNameChars) return false;
        const wchar_t c = name[length];
        if (c == L'\\' || c == L',' || c < L' ') return false;
    }
    return name[0] != L' ';
}

// ",XcvMonitor NAME" or ",XcvPort NAME", the printer names that open a monitor or one of its
// ports for XcvData; false when `name` does not fit.
template <DWORD N>
bool xcvObjectName(wchar_t (&out)[N], const wchar_t* kind, const wchar_t* name) {
    const int kindLength = lstrlenW(kind);
    const int nameLength = lstrlenW(name);
    if (static_cast<DWORD>(2 + kindLength + nameLength) >= N) return false;
    lstrcpyW(out, L",");
    lstrcatW(out, kind);
    lstrcatW(out, L" ");
    lstrcatW(out, name);
    return true;
}

}  // namespace testmon
