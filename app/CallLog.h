#pragma once
// The registry, the spooler and the service manager as a command-line run sees them: every
// call passes to the machine, and each one that fails is written to the run's log with its
// error number.
#include "app/RunLog.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/Spooler.h"

// A key or value that is not there, and the end of an enumeration, are how the installer
// probes the registry: those answers are not logged.
class LoggingRegistry final : public platform::Registry {
public:
    LoggingRegistry(platform::Registry& inner, RunLog& log) : inner_(inner), log_(log) {}

    long openKey(const platform::RegKey& parent, const std::string& subKey, std::uint32_t access,
                 platform::RegKey& out) override;
    long createKey(const platform::RegKey& parent, const std::string& subKey, std::uint32_t access,
                   platform::RegKey& out) override;
    long queryValue(const platform::RegKey& key, const std::string& name, std::uint32_t bufferSize,
                    platform::RegValue& out) override;
    long setValue(const platform::RegKey& key, const std::string& name, std::uint32_t type,
                  const std::string& data) override;
    long enumValue(const platform::RegKey& key, std::uint32_t index, std::uint32_t nameChars,
                   std::uint32_t dataBytes, platform::RegValue& out) override;
    long enumKey(const platform::RegKey& key, std::uint32_t index, std::string& name) override;
    long deleteValue(const platform::RegKey& key, const std::string& name) override;
    long deleteTree(const platform::RegKey& parent, const std::string& subKey) override;

protected:
    // Every key opened here is the inner registry's and goes back to it; the only keys naming
    // this one are root keys, which are never closed.
    void closeKey(std::uintptr_t) override {}

private:
    long logged(long error, const std::string& call);
    platform::Registry& inner_;
    RunLog& log_;
};

class LoggingSpooler final : public platform::Spooler {
public:
    LoggingSpooler(platform::Spooler& inner, RunLog& log) : inner_(inner), log_(log) {}

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

private:
    long logged(long error, const std::string& call);
    platform::Spooler& inner_;
    RunLog& log_;
};

class LoggingServices final : public platform::Services {
public:
    LoggingServices(platform::Services& inner, RunLog& log) : inner_(inner), log_(log) {}

    long openManager(std::uint32_t access, platform::ServiceHandlePtr& manager) override;
    long openService(platform::ServiceHandle& manager, const std::string& name, std::uint32_t access,
                     platform::ServiceHandlePtr& service) override;
    long queryStatus(platform::ServiceHandle& service, std::uint32_t& state) override;
    long start(platform::ServiceHandle& service) override;
    long control(platform::ServiceHandle& service, std::uint32_t code, std::uint32_t& state) override;
    long enumDependents(platform::ServiceHandle& service, std::uint32_t stateFilter,
                        std::vector<platform::DependentService>& dependents) override;

private:
    long logged(long error, const std::string& call);
    platform::Services& inner_;
    RunLog& log_;
};
