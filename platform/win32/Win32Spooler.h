#pragma once
// The local print spooler through winspool.
#include "platform/Spooler.h"

namespace win32 {

class Win32Spooler final : public platform::Spooler {
public:
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
};

}  // namespace win32
