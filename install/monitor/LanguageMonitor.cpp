// The "Advanced Language Monitor" the label driver names: a language monitor that sits
// between the spooler and the port monitor of the printer's port and hands every call on,
// data unchanged. The installer registers it with AddMonitor; the spooler only accepts a
// loadable DLL that exports InitializePrintMonitor2, so this is the smallest such monitor.
//
// Built for both spoolers the package serves: tvkMonNT.dll (32-bit) and tvkMon64.dll
// (64-bit). It imports only DLLs every Windows has (kernel32, msvcrt), so it loads in the
// spooler without the compiler's runtime DLLs beside it.

#include <windows.h>
#include <winspool.h>  // winsplp.h builds on it, and WIN32_LEAN_AND_MEAN leaves it out
#include <winsplp.h>

namespace {

// Functions that take a port handle get no monitor handle, so everything the port monitor
// needs for one open port travels in the handle given to the spooler.
struct Port {
    const MONITOR2* portMonitor;
    HANDLE portHandle;
};

Port* asPort(HANDLE handle) {
    return static_cast<Port*>(handle);
}

// The port monitor's table may be an older, shorter one; a field past its cbSize is absent.
template <typename Field>
bool provides(const MONITOR2* monitor, Field MONITOR2::*field) {
    const auto offset = reinterpret_cast<const char*>(&(monitor->*field)) -
                        reinterpret_cast<const char*>(monitor);
    return monitor->cbSize >= offset + sizeof(Field) && monitor->*field != nullptr;
}

BOOL fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

BOOL WINAPI openPortEx(HANDLE, HANDLE portMonitorHandle, LPWSTR portName, LPWSTR, PHANDLE handle,
                       MONITOR2* portMonitor) {
    if (handle == nullptr || portMonitor == nullptr || !provides(portMonitor, &MONITOR2::pfnOpenPort)) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    // Open before allocating, so that a port monitor's failure reaches the spooler with the
    // port monitor's own error code.
    HANDLE portHandle = nullptr;
    if (!portMonitor->pfnOpenPort(portMonitorHandle, portName, &portHandle)) {
        return FALSE;
    }
    auto* port = static_cast<Port*>(HeapAlloc(GetProcessHeap(), 0, sizeof(Port)));
    if (port == nullptr) {
        if (provides(portMonitor, &MONITOR2::pfnClosePort)) {
            portMonitor->pfnClosePort(portHandle);
        }
        return fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    *port = Port{portMonitor, portHandle};
    *handle = port;
    return TRUE;
}

BOOL WINAPI startDocPort(HANDLE handle, LPWSTR printerName, DWORD jobId, DWORD level, LPBYTE docInfo) {
    const Port* port = asPort(handle);
    if (!provides(port->portMonitor, &MONITOR2::pfnStartDocPort)) {
        return fail(ERROR_NOT_SUPPORTED);
    }
    return port->portMonitor->pfnStartDocPort(port->portHandle, printerName, jobId, level, docInfo);
}

BOOL WINAPI writePort(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD written) {
    const Port* port = asPort(handle);
    if (!provides(port->portMonitor, &MONITOR2::pfnWritePort)) {
        return fail(ERROR_NOT_SUPPORTED);
    }
    return port->portMonitor->pfnWritePort(port->portHandle, buffer, size, written);
}

BOOL WINAPI readPort(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD read) {
    const Port* port = asPort(handle);
    if (!provides(port->portMonitor, &MONITOR2::pfnReadPort)) {
        return fail(ERROR_NOT_SUPPORTED);
    }
    return port->portMonitor->pfnReadPort(port->portHandle, buffer, size, read);
}

BOOL WINAPI endDocPort(HANDLE handle) {
    const Port* port = asPort(handle);
    if (!provides(port->portMonitor, &MONITOR2::pfnEndDocPort)) {
        return fail(ERROR_NOT_SUPPORTED);
    }
    return port->portMonitor->pfnEndDocPort(port->portHandle);
}

BOOL WINAPI closePort(HANDLE handle) {
    Port* port = asPort(handle);
    BOOL closed = TRUE;
    if (provides(port->portMonitor, &MONITOR2::pfnClosePort)) {
        closed = port->portMonitor->pfnClosePort(port->portHandle);
    }
    // The spooler never uses a handle again after ClosePort, whatever it returned; keeping
    // the port monitor's error code means saving it across HeapFree.
    const DWORD error = GetLastError();
    HeapFree(GetProcessHeap(), 0, port);
    SetLastError(error);
    return closed;
}

// Optional for a language monitor; without the port monitor's, the spooler learns that the
// port has no such data.
BOOL WINAPI getPrinterDataFromPort(HANDLE handle, DWORD controlId, LPWSTR valueName, LPWSTR in,
                                   DWORD inSize, LPWSTR out, DWORD outSize, LPDWORD returned) {
    const Port* port = asPort(handle);
    if (!provides(port->portMonitor, &MONITOR2::pfnGetPrinterDataFromPort)) {
        return fail(ERROR_NOT_SUPPORTED);
    }
    return port->portMonitor->pfnGetPrinterDataFromPort(port->portHandle, controlId, valueName, in,
                                                         inSize, out, outSize, returned);
}

// Nothing is allocated per monitor instance, so there is nothing to release.
VOID WINAPI shutdown(HANDLE) {}

// A language monitor opens ports with OpenPortEx, which gets the port monitor's table, and
// leaves port management (EnumPorts, AddPort, Xcv...) to the port monitor: those stay null.
constexpr MONITOR2 makeMonitorTable() {
    MONITOR2 table{};
    table.cbSize = sizeof(MONITOR2);
    table.pfnOpenPortEx = openPortEx;
    table.pfnStartDocPort = startDocPort;
    table.pfnWritePort = writePort;
    table.pfnReadPort = readPort;
    table.pfnEndDocPort = endDocPort;
    table.pfnClosePort = closePort;
    table.pfnGetPrinterDataFromPort = getPrinterDataFromPort;
    table.pfnShutdown = shutdown;
    return table;
}

// Constant, so that it lies in read-only data and needs no start-up code.
constexpr MONITOR2 kMonitorTable = makeMonitorTable();

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    // The spooler runs many threads; none of them needs this DLL told about it.
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT init, PHANDLE monitor) {
    if (init == nullptr || monitor == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // The spooler reads the table through a non-const pointer but never writes it. The
    // monitor handle only has to be distinct from null; the table's address serves.
    auto* table = const_cast<LPMONITOR2>(&kMonitorTable);
    *monitor = table;
    return table;
}
