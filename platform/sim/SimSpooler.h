#pragma once
// The spooler of the simulated machine: ports, drivers per environment, print monitors and
// printers, with the errors Windows gives. Printers keep their records in the registry as
// the Windows spooler does, and a restart of the Spooler service reads the ports back from
// there; a printer whose port has a powered device attached then reports itself on line.
// While the Spooler service is not running every call fails with RPC_S_SERVER_UNAVAILABLE.
// A running spooler has the DLLs of its monitors and of the drivers its printers use loaded,
// so those files cannot be overwritten or deleted (32) until it lets go of them: a deleted
// monitor's DLL at its next start, everything when it stops.
// A restart is a new spooler process: handles opened before it are dead, and every call on one
// fails with ERROR_INVALID_HANDLE (the spooler's RPC layer may answer with an RPC error on some
// versions; 6 is the context mismatch it maps to). Closing such a handle fails the same way.
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/Spooler.h"

namespace sim {

class SimFileSystem;
class SimRegistry;
class SimServices;
class SimSystemInfo;

class SimSpooler : public platform::Spooler {
public:
    static constexpr long ERROR_INVALID_HANDLE = 6;
    static constexpr long ERROR_BAD_EXE_FORMAT = 193;
    static constexpr long RPC_S_SERVER_UNAVAILABLE = 1722;
    static constexpr long ERROR_UNKNOWN_PORT = 1796;
    static constexpr long ERROR_UNKNOWN_PRINTER_DRIVER = 1797;
    static constexpr long ERROR_INVALID_PRINTER_NAME = 1801;
    static constexpr long ERROR_PRINTER_ALREADY_EXISTS = 1802;
    static constexpr long ERROR_INVALID_ENVIRONMENT = 1805;
    static constexpr long ERROR_UNKNOWN_PRINT_MONITOR = 3000;
    static constexpr long ERROR_PRINTER_DRIVER_IN_USE = 3001;
    static constexpr long ERROR_PRINT_MONITOR_ALREADY_INSTALLED = 3006;
    static constexpr long ERROR_PRINT_MONITOR_IN_USE = 3008;

    long enumPorts(std::vector<platform::PortInfo2>& ports) override;
    long printerDriverDirectory(const std::string& environment, std::uint32_t bufferSize,
                                std::string& directory) override;
    long addPrinterDriverEx(const platform::DriverInfo3& driver, std::uint32_t flags) override;
    long addMonitor(const platform::MonitorInfo2& monitor) override;
    long deleteMonitor(const std::string& environment, const std::string& name) override;
    long enumPrinterDrivers(const std::string& environment, std::vector<platform::DriverInfo3>& drivers) override;
    long deletePrinterDriver(const std::string& environment, const std::string& name) override;
    long openPrinter(const std::string& name, const platform::PrinterDefaults& defaults,
                     platform::PrinterHandlePtr& printer) override;
    long setPrinterCommand(platform::PrinterHandle& printer, std::uint32_t command) override;
    long deletePrinter(platform::PrinterHandle& printer) override;
    long addPrinter(const platform::PrinterInfo2& printer, platform::PrinterHandlePtr& created) override;
    long enumPrinters(std::uint32_t flags, std::vector<platform::PrinterEntry>& printers) override;
    long addPort(std::uintptr_t owner, const std::string& monitorName) override;
    long configurePort(std::uintptr_t owner, const std::string& portName) override;
    long deletePort(std::uintptr_t owner, const std::string& portName) override;
    long addStandardTcpipPort(const std::string& portName, const std::string& host,
                              std::uint32_t portNumber) override;

    // The machine the spooler lives on. Without it only the port calls work.
    void attach(SimFileSystem& files, SimRegistry& registry, SimServices& services, SimSystemInfo& system);
    // Reads every printer's port back from its registry record and loads the monitors and the
    // drivers in use, as a spooler start does. The printers' "PrinterOnLine" values in the
    // current hardware profile are the model's, not an observed Windows behaviour: a printer
    // whose port has a powered device attached gets 1; every other value is left as its last
    // writer left it (after a binding, the 0 the installer wrote). Wine's spooler writes
    // nothing there at all (SpoolerPrinter.NoDeviceNoOnLineFlagAfterARestart).
    void restart();

    void addPort(const std::string& name, const std::string& description = "Local Port",
                 const std::string& monitor = "Local Port");
    void removePort(const std::string& name);
    void clearPorts();
    // Every port enumeration fails with this error (0: none).
    void failEnumPorts(long error);
    // Runs at the start of every port enumeration, outside the spooler's lock.
    void onEnumPorts(std::function<void()> hook);
    // A device on the port; a powered one puts the printer on that port on line after a restart.
    void attachDevice(const std::string& port, bool powered);
    // Print jobs waiting in a printer's queue (the device is off, or the queue is paused), and
    // their end: a printer marked for deletion while it had jobs goes when its last job ends.
    void addJobs(const std::string& printer, int count);
    void finishJobs(const std::string& printer);
    int jobs(const std::string& printer) const;
    bool pendingDeletion(const std::string& printer) const;
    // A printer connection of the current user ("\\server\printer"), listed with the port its
    // server reports for it.
    void addPrinterConnection(const std::string& name, const std::string& serverPort);
    // Calls made on a printer handle from before the last restart, ClosePrinter included.
    int staleHandleCalls() const;
    // DeleteMonitorA of this monitor fails with ERROR_PRINT_MONITOR_IN_USE.
    void holdMonitor(const std::string& name, bool inUse);
    // The next call of this name ("AddPrinterDriverExA", "AddPrinterA", "AddMonitorA",
    // "DeletePrinterDriverA", ...)
    // fails with `error`.
    void failNext(const std::string& call, long error);

    // The "Standard TCP/IP Port" monitor, there on every Windows, with its own dialogs. Its
    // ports carry `description`: "Standard TCP/IP Port", or "标准 TCP/IP 端口" on a Chinese
    // system (other languages have their own). Without it AddPortA of that monitor fails with 50.
    static constexpr const char* kTcpipMonitor = "Standard TCP/IP Port";
    void setTcpipMonitor(bool installed, const std::string& description = kTcpipMonitor);

    // What the user does in the monitor's next dialogs, oldest first: finishes the add-port
    // wizard with a port name, or presses OK in the configuration dialog (`finish`), or
    // cancels. A dialog with no scripted answer is cancelled.
    struct MonitorAnswer {
        bool finish = false;
        std::string portName;  // the port the wizard creates
    };
    void answerMonitorDialogs(std::vector<MonitorAnswer> answers);
    // Every dialog the monitor showed: the call that showed it, its owner window, the port it
    // was about ("" for the wizard) and whether the user finished it.
    struct MonitorDialogRecord {
        std::string call;
        std::uintptr_t owner = 0;
        std::string port;
        bool finished = false;
    };
    std::vector<MonitorDialogRecord> monitorDialogs() const;
    // What a standard TCP/IP port was made with through XcvData "AddPort"; nothing for a port
    // the wizard made, or one that is not there.
    struct TcpipPortSettings {
        std::string host;
        std::uint32_t portNumber = 0;
    };
    std::optional<TcpipPortSettings> tcpipPortSettings(const std::string& portName) const;

    struct Printer {
        std::string name;
        std::string port;
        std::string driver;
        std::string printProcessor;
        std::string datatype;
        int jobs = 0;
        // Deleted while jobs were queued: it goes once they are done, and keeps its name
        // until then.
        bool pendingDeletion = false;
    };
    struct Driver {
        platform::DriverInfo3 info;
        std::uint32_t fileCopyFlags = 0;  // dwFileCopyFlags of the AddPrinterDriverExA that added it
    };
    // An OpenPrinterA the spooler answered, with the defaults it was given.
    struct PrinterOpen {
        std::string name;
        std::string datatype;
        std::uint32_t desiredAccess = 0;
    };
    // Inspection for tests.
    std::vector<Printer> printers() const;
    bool hasDriver(const std::string& environment, const std::string& name) const;
    platform::DriverInfo3 driver(const std::string& environment, const std::string& name) const;
    std::uint32_t driverFileCopyFlags(const std::string& environment, const std::string& name) const;
    std::vector<PrinterOpen> printerOpens() const;
    bool hasMonitor(const std::string& name) const;
    platform::MonitorInfo2 monitor(const std::string& name) const;
    int openPrinterHandles() const;
    // Called in tests to add a printer that was there before the installer ran.
    void addExistingPrinter(const std::string& name, const std::string& port, const std::string& driver);

private:
    class Handle;
    bool running() const;
    long takeFailure(const std::string& call);
    std::string driverDirectory(const std::string& environment) const;
    // The files a driver names, where the caller put them; and where the spooler keeps its copies.
    static std::vector<std::string> driverSources(const platform::DriverInfo3& driver);
    std::vector<std::string> installedDriverFiles(const platform::DriverInfo3& driver) const;
    // Loads the driver of a printer (lock held).
    void loadDriverOf(const Printer& printer);
    void writeRecords(const Printer& printer);
    void removeRecords(const std::string& name);
    std::string localEnvironment() const;
    // The environment's own spelling, the local one for ""; "" for an environment it lacks.
    std::string canonicalEnvironment(const std::string& environment) const;
    // Shows one monitor dialog (lock held) and answers whether the user finished it.
    MonitorAnswer showMonitorDialog(const std::string& call, std::uintptr_t owner, const std::string& port);
    const platform::PortInfo2* findPort(const std::string& name) const;
    std::vector<Printer>::iterator findPrinter(const std::string& name);
    std::vector<Printer>::const_iterator findPrinter(const std::string& name) const;
    // Removes a printer and the records the spooler keeps for it (lock held).
    void removePrinter(std::vector<Printer>::iterator printer);
    // The file the spooler's LoadLibrary finds for a monitor's DLL name, and whether it loads
    // into this spooler for that environment: 0, 126 or 193.
    long loadMonitorDll(const std::string& environment, const std::string& dllName) const;
    static std::string monitorDllPath(const std::string& dllName);
    bool stale(const Handle& handle) const;

    mutable std::mutex mutex_;
    std::vector<platform::PortInfo2> ports_;
    long enumPortsError_ = 0;
    std::function<void()> enumPortsHook_;
    std::vector<Printer> printers_;
    std::vector<PrinterOpen> printerOpens_;
    std::map<std::string, Driver> drivers_;  // "environment|name", lower case
    std::map<std::string, platform::MonitorInfo2> monitors_;
    std::map<std::string, bool> devices_;
    std::map<std::string, bool> heldMonitors_;
    std::map<std::string, long> failures_;
    int openHandles_ = 0;
    // Counts the spooler processes: a handle belongs to the one that opened it.
    unsigned generation_ = 0;
    int staleHandleCalls_ = 0;
    std::vector<platform::PrinterEntry> connections_;
    bool tcpipMonitor_ = true;
    std::string tcpipDescription_ = kTcpipMonitor;
    std::deque<MonitorAnswer> monitorAnswers_;
    std::vector<MonitorDialogRecord> monitorDialogs_;
    std::map<std::string, TcpipPortSettings> tcpipSettings_;  // by port name, lower case
    SimFileSystem* files_ = nullptr;
    SimRegistry* registry_ = nullptr;
    SimServices* services_ = nullptr;
    SimSystemInfo* system_ = nullptr;
};

}  // namespace sim
