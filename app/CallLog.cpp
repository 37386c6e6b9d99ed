#include "app/CallLog.h"

#include "platform/WinConstants.h"

namespace {

long logFailure(RunLog& log, long error, const std::string& call) {
    if (error != 0) log.write(call + " failed with error " + std::to_string(error));
    return error;
}

}  // namespace

long LoggingRegistry::logged(long error, const std::string& call) {
    if (error == win::ERROR_FILE_NOT_FOUND || error == win::ERROR_NO_MORE_ITEMS) return error;
    return logFailure(log_, error, call);
}

long LoggingRegistry::openKey(const platform::RegKey& parent, const std::string& subKey, std::uint32_t access,
                              platform::RegKey& out) {
    return logged(inner_.openKey(parent, subKey, access, out), "RegOpenKeyExA(" + subKey + ")");
}
long LoggingRegistry::createKey(const platform::RegKey& parent, const std::string& subKey, std::uint32_t access,
                                platform::RegKey& out) {
    return logged(inner_.createKey(parent, subKey, access, out), "RegCreateKeyExA(" + subKey + ")");
}
long LoggingRegistry::queryValue(const platform::RegKey& key, const std::string& name, std::uint32_t bufferSize,
                                 platform::RegValue& out) {
    return logged(inner_.queryValue(key, name, bufferSize, out), "RegQueryValueExA(" + name + ")");
}
long LoggingRegistry::setValue(const platform::RegKey& key, const std::string& name, std::uint32_t type,
                               const std::string& data) {
    return logged(inner_.setValue(key, name, type, data), "RegSetValueExA(" + name + ")");
}
long LoggingRegistry::enumValue(const platform::RegKey& key, std::uint32_t index, std::uint32_t nameChars,
                                std::uint32_t dataBytes, platform::RegValue& out) {
    return logged(inner_.enumValue(key, index, nameChars, dataBytes, out), "RegEnumValueA");
}
long LoggingRegistry::enumKey(const platform::RegKey& key, std::uint32_t index, std::string& name) {
    return logged(inner_.enumKey(key, index, name), "RegEnumKeyExA");
}
long LoggingRegistry::deleteValue(const platform::RegKey& key, const std::string& name) {
    return logged(inner_.deleteValue(key, name), "RegDeleteValueA(" + name + ")");
}
long LoggingRegistry::deleteTree(const platform::RegKey& parent, const std::string& subKey) {
    return logged(inner_.deleteTree(parent, subKey), "RegDeleteTreeA(" + subKey + ")");
}

long LoggingSpooler::logged(long error, const std::string& call) { return logFailure(log_, error, call); }

long LoggingSpooler::enumPorts(std::vector<platform::PortInfo2>& ports) {
    return logged(inner_.enumPorts(ports), "EnumPortsA");
}
long LoggingSpooler::printerDriverDirectory(const std::string& environment, std::uint32_t bufferSize,
                                            std::string& directory) {
    return logged(inner_.printerDriverDirectory(environment, bufferSize, directory),
                  "GetPrinterDriverDirectoryA(" + environment + ")");
}
long LoggingSpooler::addPrinterDriverEx(const platform::DriverInfo3& driver, std::uint32_t flags) {
    return logged(inner_.addPrinterDriverEx(driver, flags), "AddPrinterDriverExA(" + driver.name + ")");
}
long LoggingSpooler::addMonitor(const platform::MonitorInfo2& monitor) {
    return logged(inner_.addMonitor(monitor), "AddMonitorA(" + monitor.name + ")");
}
long LoggingSpooler::deleteMonitor(const std::string& environment, const std::string& name) {
    return logged(inner_.deleteMonitor(environment, name), "DeleteMonitorA(" + name + ")");
}
long LoggingSpooler::enumPrinterDrivers(const std::string& environment, std::vector<platform::DriverInfo3>& drivers) {
    return logged(inner_.enumPrinterDrivers(environment, drivers), "EnumPrinterDriversA(" + environment + ")");
}
long LoggingSpooler::deletePrinterDriver(const std::string& environment, const std::string& name) {
    return logged(inner_.deletePrinterDriver(environment, name), "DeletePrinterDriverA(" + name + ")");
}
long LoggingSpooler::openPrinter(const std::string& name, const platform::PrinterDefaults& defaults,
                                 platform::PrinterHandlePtr& printer) {
    return logged(inner_.openPrinter(name, defaults, printer), "OpenPrinterA(" + name + ")");
}
long LoggingSpooler::setPrinterCommand(platform::PrinterHandle& printer, std::uint32_t command) {
    return logged(inner_.setPrinterCommand(printer, command), "SetPrinterA(" + std::to_string(command) + ")");
}
long LoggingSpooler::deletePrinter(platform::PrinterHandle& printer) {
    return logged(inner_.deletePrinter(printer), "DeletePrinter");
}
long LoggingSpooler::addPrinter(const platform::PrinterInfo2& printer, platform::PrinterHandlePtr& created) {
    return logged(inner_.addPrinter(printer, created), "AddPrinterA(" + printer.printerName + ")");
}
long LoggingSpooler::enumPrinters(std::uint32_t flags, std::vector<platform::PrinterEntry>& printers) {
    return logged(inner_.enumPrinters(flags, printers), "EnumPrintersA");
}
long LoggingSpooler::addPort(std::uintptr_t owner, const std::string& monitorName) {
    return logged(inner_.addPort(owner, monitorName), "AddPortA(" + monitorName + ")");
}
long LoggingSpooler::configurePort(std::uintptr_t owner, const std::string& portName) {
    return logged(inner_.configurePort(owner, portName), "ConfigurePortA(" + portName + ")");
}
long LoggingSpooler::deletePort(std::uintptr_t owner, const std::string& portName) {
    return logged(inner_.deletePort(owner, portName), "DeletePortA(" + portName + ")");
}
long LoggingSpooler::addStandardTcpipPort(const std::string& portName, const std::string& host,
                                          std::uint32_t portNumber) {
    return logged(inner_.addStandardTcpipPort(portName, host, portNumber),
                  "XcvDataW(AddPort " + portName + ", " + host + ":" + std::to_string(portNumber) + ")");
}

long LoggingServices::logged(long error, const std::string& call) { return logFailure(log_, error, call); }

long LoggingServices::openManager(std::uint32_t access, platform::ServiceHandlePtr& manager) {
    return logged(inner_.openManager(access, manager), "OpenSCManagerA");
}
long LoggingServices::openService(platform::ServiceHandle& manager, const std::string& name, std::uint32_t access,
                                  platform::ServiceHandlePtr& service) {
    return logged(inner_.openService(manager, name, access, service), "OpenServiceA(" + name + ")");
}
long LoggingServices::queryStatus(platform::ServiceHandle& service, std::uint32_t& state) {
    return logged(inner_.queryStatus(service, state), "QueryServiceStatus");
}
long LoggingServices::start(platform::ServiceHandle& service) {
    return logged(inner_.start(service), "StartServiceA");
}
long LoggingServices::control(platform::ServiceHandle& service, std::uint32_t code, std::uint32_t& state) {
    return logged(inner_.control(service, code, state), "ControlService(" + std::to_string(code) + ")");
}
long LoggingServices::enumDependents(platform::ServiceHandle& service, std::uint32_t stateFilter,
                                     std::vector<platform::DependentService>& dependents) {
    return logged(inner_.enumDependents(service, stateFilter, dependents), "EnumDependentServicesA");
}
