#pragma once
// The spooler and the service manager as a command-line run sees them: every call passes to
// the machine, and each one that fails is written to the run's log with its error number.
#include "app/RunLog.h"
#include "platform/Services.h"
#include "platform/Spooler.h"

class LoggingSpooler final : public platform::Spooler {
public:
    LoggingSpooler(platform::Spooler& inner, RunLog& log) : inner_(inner), log_(log) {}

    long enumPorts(std::vector<platform::PortInfo2>& ports) override;
    long printerDriverDirectory(const std::string& environment, std::uint32_t bufferSize,
                                std::string& directory) override;
    long addPrinterDriverEx(const platform::DriverInfo3& driver, std::uint32_t flags) override;
    long addMonitor(const platform::MonitorInfo2& monitor) override;
    long deleteMonitor(const std::string& environment, const std::string& name) override;
    long openPrinter(const std::string& name, const platform::PrinterDefaults& defaults,
                     platform::PrinterHandlePtr& printer) override;
    long setPrinterCommand(platform::PrinterHandle& printer, std::uint32_t command) override;
    long deletePrinter(platform::PrinterHandle& printer) override;
    long addPrinter(const platform::PrinterInfo2& printer, platform::PrinterHandlePtr& created) override;
    long enumPrinters(std::uint32_t flags, std::vector<platform::PrinterEntry>& printers) override;
    long addPort(std::uintptr_t owner, const std::string& monitorName) override;
    long configurePort(std::uintptr_t owner, const std::string& portName) override;
    long deletePort(std::uintptr_t owner, const std::string& portName) override;

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
