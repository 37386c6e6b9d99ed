#pragma once
// The local print spooler (winspool) as the logic uses it. Each call returns 0 or the error
// that GetLastError gives right after the failing Windows call.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// The fields of PORT_INFO_2.
struct PortInfo2 {
    std::string portName;
    std::string monitorName;
    std::string description;
    std::uint32_t portType = 0;
};

// DRIVER_INFO_3. dependentFiles holds the list's exact bytes: NUL-terminated names ended by
// an empty name.
struct DriverInfo3 {
    std::uint32_t version = 0;
    std::string name;
    std::string environment;
    std::string driverPath;
    std::string dataFile;
    std::string configFile;
    std::string helpFile;
    std::string dependentFiles;
    std::string monitorName;
    std::string defaultDataType;
};

// MONITOR_INFO_2.
struct MonitorInfo2 {
    std::string name;
    std::string environment;
    std::string dllName;
};

// The members of PRINTER_INFO_2 the installer sets; every other member is zero or null.
struct PrinterInfo2 {
    std::string printerName;
    std::string portName;
    std::string driverName;
    std::string printProcessor;
    std::string datatype;
};

// A printer, its port and its driver as EnumPrintersA reports them at level 2.
struct PrinterEntry {
    std::string printerName;
    std::string portName;
    std::string driverName;
};

// PRINTER_DEFAULTS for OpenPrinterA: the data type ("" passes none) and the access asked
// for; the device mode is always null.
struct PrinterDefaults {
    std::string datatype;
    std::uint32_t desiredAccess = 0;
};

// An open printer; ClosePrinter when it goes.
class PrinterHandle {
public:
    virtual ~PrinterHandle() = default;
};
using PrinterHandlePtr = std::unique_ptr<PrinterHandle>;

constexpr std::uint32_t APD_COPY_ALL_FILES_FLAG = 4;
constexpr std::uint32_t PRINTER_ALL_ACCESS_RIGHTS = 0xF000C;
constexpr std::uint32_t PRINTER_CONTROL_PURGE_COMMAND = 3;
constexpr std::uint32_t PRINTER_ENUM_LOCAL_FLAG = 2;
constexpr std::uint32_t PRINTER_ENUM_CONNECTIONS_FLAG = 4;

class Spooler {
public:
    virtual ~Spooler() = default;

    // EnumPortsA on the local server at level 2: one call to learn the size in bytes, a
    // second into a buffer of exactly that size. On failure `ports` is empty.
    virtual long enumPorts(std::vector<PortInfo2>& ports) = 0;

    // GetPrinterDriverDirectoryA at level 1 into a buffer of `bufferSize` bytes: `directory`
    // holds the folder, or "" on failure.
    virtual long printerDriverDirectory(const std::string& environment, std::uint32_t bufferSize,
                                        std::string& directory) = 0;
    // AddPrinterDriverExA at level 3 on the local server.
    virtual long addPrinterDriverEx(const DriverInfo3& driver, std::uint32_t flags) = 0;
    // AddMonitorA at level 2 / DeleteMonitorA on the local server.
    virtual long addMonitor(const MonitorInfo2& monitor) = 0;
    virtual long deleteMonitor(const std::string& environment, const std::string& name) = 0;
    // EnumPrinterDriversA on the local server at level 3 for one environment: one call for the
    // size, one to fill. The paths are those of the spooler's own copies. On failure `drivers`
    // is empty.
    virtual long enumPrinterDrivers(const std::string& environment, std::vector<DriverInfo3>& drivers) = 0;
    // DeletePrinterDriverA on the local server: the driver leaves the spooler's list; its
    // files stay where the spooler copied them.
    virtual long deletePrinterDriver(const std::string& environment, const std::string& name) = 0;
    // OpenPrinterA with these defaults.
    virtual long openPrinter(const std::string& name, const PrinterDefaults& defaults, PrinterHandlePtr& printer) = 0;
    // SetPrinterA at level 0 with no buffer and a command.
    virtual long setPrinterCommand(PrinterHandle& printer, std::uint32_t command) = 0;
    virtual long deletePrinter(PrinterHandle& printer) = 0;
    // AddPrinterA at level 2 on the local server.
    virtual long addPrinter(const PrinterInfo2& printer, PrinterHandlePtr& created) = 0;
    // EnumPrintersA at level 2 with an empty name: one call for the size, one to fill.
    virtual long enumPrinters(std::uint32_t flags, std::vector<PrinterEntry>& printers) = 0;

    // AddPortA, ConfigurePortA and DeletePortA on the local server. The port monitor runs its
    // own dialogs (add-port wizard, configuration) modally, owned by the window `owner`, on
    // the calling thread. 0 only when the call returned TRUE.
    virtual long addPort(std::uintptr_t owner, const std::string& monitorName) = 0;
    virtual long configurePort(std::uintptr_t owner, const std::string& portName) = 0;
    virtual long deletePort(std::uintptr_t owner, const std::string& portName) = 0;
    // A standard TCP/IP port made without the monitor's wizard: OpenPrinterA(",XcvMonitor
    // Standard TCP/IP Port") with SERVER_ACCESS_ADMINISTER, XcvDataW "AddPort" with a
    // PORT_DATA_1 (raw protocol, SNMP off), ClosePrinter. 0, or the error OpenPrinterA or
    // XcvDataW left, or the status the monitor answered (ERROR_ALREADY_EXISTS when a port has
    // that name). An empty name or host, or one that PORT_DATA_1 cannot hold (63 and 48
    // characters), is ERROR_INVALID_PARAMETER before any call: it is never cut short.
    virtual long addStandardTcpipPort(const std::string& portName, const std::string& host,
                                      std::uint32_t portNumber) = 0;
};

}  // namespace platform
