// The test-only "Standard TCP/IP Port" port monitor (TestTcpipMon.dll): it lists its ports
// with the description of a standard TCP/IP port, opens them, and adds, deletes and
// reconfigures them when its user interface (TestTcpipMonUI.dll) asks through XcvData. What is
// printed to its ports goes nowhere. Adding, configuring and deleting with a dialog is the UI
// DLL's work, so the table leaves AddPort, ConfigurePort and DeletePort empty and the spooler
// turns to the DLL named by "MonitorUI", as for Windows' own TCP/IP monitor.
//
// It imports only kernel32 and advapi32 functions that Windows XP has.

#include <windows.h>
#include <winspool.h>  // winsplp.h builds on it, and WIN32_LEAN_AND_MEAN leaves it out
#include <winsplp.h>

#include "TestTcpipMonitor.h"
#include "platform/win32/PortData1.h"

namespace {

using testmon::kNameChars;

BOOL fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

class Key {
public:
    Key() = default;
    ~Key() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

LONG openPorts(Key& key, REGSAM access) {
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, testmon::kPortsKey, 0, access, key.out());
}

bool portExists(const wchar_t* name) {
    Key ports;
    Key port;
    return openPorts(ports, KEY_READ) == ERROR_SUCCESS &&
           RegOpenKeyExW(ports.get(), name, 0, KEY_READ, port.out()) == ERROR_SUCCESS;
}

// The strings XcvData hands over come as bytes of unknown alignment and may lack their NUL;
// `index` picks the string of a multi-string. False when it is missing or not a valid name.
bool inputName(const BYTE* input, DWORD size, int index, wchar_t (&out)[kNameChars]) {
    if (input == nullptr) return false;
    const DWORD chars = size / sizeof(wchar_t);
    DWORD at = 0;
    for (int skipped = 0; skipped < index; ++skipped) {
        wchar_t c = L'\0';
        do {
            if (at >= chars) return false;
            CopyMemory(&c, input + at * sizeof(wchar_t), sizeof c);
            ++at;
        } while (c != L'\0');
    }
    for (DWORD i = 0; i < kNameChars; ++i, ++at) {
        if (at >= chars) return false;
        CopyMemory(&out[i], input + at * sizeof(wchar_t), sizeof(wchar_t));
        if (out[i] == L'\0') return testmon::validName(out);
    }
    return false;
}

// A text answer: its size in bytes is reported in every case, the text only when it fits.
DWORD textOutput(const wchar_t* text, BYTE* output, DWORD size, DWORD* needed) {
    const DWORD bytes = static_cast<DWORD>(lstrlenW(text) + 1) * sizeof(wchar_t);
    if (needed != nullptr) *needed = bytes;
    if (output == nullptr || size < bytes) return ERROR_INSUFFICIENT_BUFFER;
    CopyMemory(output, text, bytes);
    return ERROR_SUCCESS;
}

LONG setHostAddress(HKEY port, const wchar_t* address) {
    return RegSetValueExW(port, testmon::kHostAddressValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(address),
                          static_cast<DWORD>(lstrlenW(address) + 1) * sizeof(wchar_t));
}

// --- ports, as the spooler lists and opens them

BOOL WINAPI enumPorts(HANDLE, LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
    if (level != 1 && level != 2) return fail(ERROR_INVALID_LEVEL);
    if (needed == nullptr || returned == nullptr) return fail(ERROR_INVALID_PARAMETER);
    *needed = 0;
    *returned = 0;
    Key ports;
    if (openPorts(ports, KEY_READ) != ERROR_SUCCESS) return TRUE;  // no port added yet

    const DWORD entrySize = level == 1 ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W);
    const DWORD fixedText = level == 1 ? 0
                                       : static_cast<DWORD>(lstrlenW(testmon::kMonitorName) + 1 +
                                                            lstrlenW(testmon::kPortDescription) + 1) *
                                             sizeof(wchar_t);
    // First the size of all entries, then, if the buffer holds them, the entries: records at
    // the start, their strings after the last record.
    DWORD count = 0;
    DWORD total = 0;
    wchar_t name[kNameChars];
    for (DWORD index = 0;; ++index) {
        DWORD length = kNameChars;
        const LONG result = RegEnumKeyExW(ports.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) continue;  // a key this monitor did not make
        ++count;
        total += entrySize + (length + 1) * sizeof(wchar_t) + fixedText;
    }
    *needed = total;
    if (total == 0) return TRUE;
    if (buffer == nullptr || size < total) return fail(ERROR_INSUFFICIENT_BUFFER);

    BYTE* text = buffer + count * entrySize;
    BYTE* const end = buffer + size;
    auto place = [&](const wchar_t* s) -> LPWSTR {
        const DWORD bytes = static_cast<DWORD>(lstrlenW(s) + 1) * sizeof(wchar_t);
        if (static_cast<DWORD>(end - text) < bytes) return nullptr;
        CopyMemory(text, s, bytes);
        auto* placed = reinterpret_cast<LPWSTR>(text);
        text += bytes;
        return placed;
    };
    DWORD filled = 0;
    for (DWORD index = 0; filled < count; ++index) {
        DWORD length = kNameChars;
        const LONG result = RegEnumKeyExW(ports.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;  // a port deleted meanwhile
        if (result != ERROR_SUCCESS) continue;
        LPWSTR portName = place(name);
        if (portName == nullptr) break;  // a longer port added meanwhile
        if (level == 1) {
            reinterpret_cast<PORT_INFO_1W*>(buffer)[filled].pName = portName;
        } else {
            PORT_INFO_2W& entry = reinterpret_cast<PORT_INFO_2W*>(buffer)[filled];
            entry.pPortName = portName;
            entry.pMonitorName = place(testmon::kMonitorName);
            entry.pDescription = place(testmon::kPortDescription);
            entry.fPortType = PORT_TYPE_WRITE | PORT_TYPE_READ;
            entry.Reserved = 0;
            if (entry.pDescription == nullptr) break;
        }
        ++filled;
    }
    *returned = filled;
    return TRUE;
}

struct OpenPort {
    int unused;
};

BOOL WINAPI openPort(HANDLE, LPWSTR name, PHANDLE handle) {
    if (name == nullptr || handle == nullptr) return fail(ERROR_INVALID_PARAMETER);
    if (!portExists(name)) return fail(ERROR_UNKNOWN_PORT);
    void* port = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(OpenPort));
    if (port == nullptr) return fail(ERROR_NOT_ENOUGH_MEMORY);
    *handle = port;
    return TRUE;
}

BOOL WINAPI startDocPort(HANDLE, LPWSTR, DWORD, DWORD, LPBYTE) { return TRUE; }

// Nothing is sent anywhere: the tests print nothing, they only need the port to take data.
BOOL WINAPI writePort(HANDLE, LPBYTE, DWORD size, LPDWORD written) {
    if (written != nullptr) *written = size;
    return TRUE;
}

BOOL WINAPI readPort(HANDLE, LPBYTE, DWORD, LPDWORD read) {
    if (read != nullptr) *read = 0;
    return TRUE;
}

BOOL WINAPI endDocPort(HANDLE) { return TRUE; }

BOOL WINAPI closePort(HANDLE port) {
    HeapFree(GetProcessHeap(), 0, port);
    return TRUE;
}

// --- XcvData: what the user interface asks of the monitor

struct Xcv {
    ACCESS_MASK access;
    wchar_t port[kNameChars];  // empty: the monitor itself
};

BOOL WINAPI xcvOpenPort(HANDLE, LPCWSTR object, ACCESS_MASK access, PHANDLE handle) {
    if (handle == nullptr) return fail(ERROR_INVALID_PARAMETER);
    // The spooler names the object as the printer name did: ",XcvMonitor NAME" gives the
    // monitor's name, and a look-up of the monitor's user interface gives an empty one.
    const bool monitor = object == nullptr || object[0] == L'\0' || lstrcmpW(object, testmon::kMonitorName) == 0;
    if (!monitor && (!testmon::validName(object) || !portExists(object))) return fail(ERROR_UNKNOWN_PORT);
    auto* xcv = static_cast<Xcv*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Xcv)));
    if (xcv == nullptr) return fail(ERROR_NOT_ENOUGH_MEMORY);
    xcv->access = access;
    if (!monitor) lstrcpyW(xcv->port, object);
    *handle = xcv;
    return TRUE;
}

// A port's key, with its address and, when the caller gave one, its port number.
DWORD createPort(const wchar_t* name, const wchar_t* address, const DWORD* portNumber) {
    Key ports;
    LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, testmon::kPortsKey, 0, nullptr, 0, KEY_CREATE_SUB_KEY, nullptr,
                                  ports.out(), nullptr);
    if (result != ERROR_SUCCESS) return static_cast<DWORD>(result);
    Key port;
    DWORD disposition = 0;
    result = RegCreateKeyExW(ports.get(), name, 0, nullptr, 0, KEY_SET_VALUE, nullptr, port.out(), &disposition);
    if (result != ERROR_SUCCESS) return static_cast<DWORD>(result);
    if (disposition != REG_CREATED_NEW_KEY) return ERROR_ALREADY_EXISTS;
    result = setHostAddress(port.get(), address);
    if (result == ERROR_SUCCESS && portNumber != nullptr) {
        result = RegSetValueExW(port.get(), testmon::kPortNumberValue, 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(portNumber), sizeof *portNumber);
    }
    return static_cast<DWORD>(result);
}

// A text field of a record, which must end inside the field.
template <DWORD N>
bool recordName(const WCHAR (&field)[N], wchar_t (&out)[kNameChars]) {
    for (DWORD i = 0; i < N && i < kNameChars; ++i) {
        out[i] = field[i];
        if (out[i] == L'\0') return testmon::validName(out);
    }
    return false;
}

// What Windows' own TCP/IP monitor takes: a PORT_DATA_1, of exactly that size. The monitor's
// user interface sends its multi-string instead, which is never that long (two names of at
// most 64 characters).
DWORD addPortRecord(const BYTE* input) {
    win32::PortData1 data;
    CopyMemory(&data, input, sizeof data);
    if (data.dwVersion != win32::PORT_DATA_1_VERSION) return ERROR_INVALID_LEVEL;
    if (data.cbSize != sizeof data || data.dwProtocol != win32::PROTOCOL_RAWTCP_TYPE_VALUE) {
        return ERROR_INVALID_PARAMETER;
    }
    wchar_t name[kNameChars];
    wchar_t address[kNameChars];
    if (!recordName(data.sztPortName, name) || !recordName(data.sztHostAddress, address)) return ERROR_INVALID_PARAMETER;
    return createPort(name, address, &data.dwPortNumber);
}

DWORD addPort(const BYTE* input, DWORD size) {
    if (input == nullptr) return ERROR_INVALID_DATA;
    if (size == sizeof(win32::PortData1)) return addPortRecord(input);
    wchar_t name[kNameChars];
    wchar_t address[kNameChars] = L"";
    if (!inputName(input, size, 0, name)) return ERROR_INVALID_PARAMETER;
    const bool withAddress = inputName(input, size, 1, address);
    return createPort(name, withAddress ? address : L"", nullptr);
}

DWORD deletePort(const BYTE* input, DWORD size) {
    wchar_t name[kNameChars];
    if (!inputName(input, size, 0, name)) return ERROR_INVALID_PARAMETER;
    Key ports;
    if (openPorts(ports, KEY_ALL_ACCESS) != ERROR_SUCCESS) return ERROR_UNKNOWN_PORT;
    const LONG result = RegDeleteKeyW(ports.get(), name);
    return result == ERROR_FILE_NOT_FOUND ? ERROR_UNKNOWN_PORT : static_cast<DWORD>(result);
}

DWORD getHostAddress(const Xcv& xcv, BYTE* output, DWORD size, DWORD* needed) {
    Key ports;
    Key port;
    if (openPorts(ports, KEY_READ) != ERROR_SUCCESS ||
        RegOpenKeyExW(ports.get(), xcv.port, 0, KEY_QUERY_VALUE, port.out()) != ERROR_SUCCESS) {
        return ERROR_UNKNOWN_PORT;
    }
    // One character more than the value may hold, so that the text always ends in a NUL.
    wchar_t address[kNameChars + 1] = L"";
    DWORD type = 0;
    DWORD bytes = kNameChars * sizeof(wchar_t);
    const LONG result = RegQueryValueExW(port.get(), testmon::kHostAddressValue, nullptr, &type,
                                         reinterpret_cast<BYTE*>(address), &bytes);
    if (result == ERROR_SUCCESS && type != REG_SZ) address[0] = L'\0';
    else if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) return static_cast<DWORD>(result);
    return textOutput(address, output, size, needed);
}

DWORD setHostAddress(const Xcv& xcv, const BYTE* input, DWORD size) {
    wchar_t address[kNameChars];
    if (!inputName(input, size, 0, address)) return ERROR_INVALID_PARAMETER;
    Key ports;
    Key port;
    if (openPorts(ports, KEY_READ) != ERROR_SUCCESS ||
        RegOpenKeyExW(ports.get(), xcv.port, 0, KEY_SET_VALUE, port.out()) != ERROR_SUCCESS) {
        return ERROR_UNKNOWN_PORT;
    }
    return static_cast<DWORD>(setHostAddress(port.get(), address));
}

DWORD WINAPI xcvDataPort(HANDLE handle, LPCWSTR command, PBYTE input, DWORD inputSize, PBYTE output,
                         DWORD outputSize, PDWORD needed) {
    const Xcv* xcv = static_cast<const Xcv*>(handle);
    if (xcv == nullptr || command == nullptr) return ERROR_INVALID_PARAMETER;
    if (needed != nullptr) *needed = 0;
    const bool onMonitor = xcv->port[0] == L'\0';
    const bool administers = (xcv->access & SERVER_ACCESS_ADMINISTER) != 0;
    if (lstrcmpW(command, testmon::kXcvMonitorUi) == 0) {
        return textOutput(testmon::kMonitorUiDll, output, outputSize, needed);
    }
    if (onMonitor && lstrcmpW(command, testmon::kXcvAddPort) == 0) {
        return administers ? addPort(input, inputSize) : ERROR_ACCESS_DENIED;
    }
    if (onMonitor && lstrcmpW(command, testmon::kXcvDeletePort) == 0) {
        return administers ? deletePort(input, inputSize) : ERROR_ACCESS_DENIED;
    }
    if (!onMonitor && lstrcmpW(command, testmon::kXcvGetHostAddress) == 0) {
        return getHostAddress(*xcv, output, outputSize, needed);
    }
    if (!onMonitor && lstrcmpW(command, testmon::kXcvSetHostAddress) == 0) {
        return administers ? setHostAddress(*xcv, input, inputSize) : ERROR_ACCESS_DENIED;
    }
    return ERROR_INVALID_PARAMETER;
}

BOOL WINAPI xcvClosePort(HANDLE handle) {
    HeapFree(GetProcessHeap(), 0, handle);
    return TRUE;
}

// Nothing is held per monitor instance: every call reads the registry.
VOID WINAPI shutdown(HANDLE) {}

constexpr MONITOR2 makeMonitorTable() {
    MONITOR2 table{};
    table.cbSize = sizeof(MONITOR2);
    table.pfnEnumPorts = enumPorts;
    table.pfnOpenPort = openPort;
    table.pfnStartDocPort = startDocPort;
    table.pfnWritePort = writePort;
    table.pfnReadPort = readPort;
    table.pfnEndDocPort = endDocPort;
    table.pfnClosePort = closePort;
    table.pfnXcvOpenPort = xcvOpenPort;
    table.pfnXcvDataPort = xcvDataPort;
    table.pfnXcvClosePort = xcvClosePort;
    table.pfnShutdown = shutdown;
    return table;
}

constexpr MONITOR2 kMonitorTable = makeMonitorTable();

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}

extern "C" LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT init, PHANDLE monitor) {
    if (init == nullptr || monitor == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // The spooler reads the table through a non-const pointer but never writes it.
    auto* table = const_cast<LPMONITOR2>(&kMonitorTable);
    *monitor = table;
    return table;
}
