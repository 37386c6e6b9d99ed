#include "platform/win32/Win32Spooler.h"

#include <windows.h>
#include <winspool.h>

#include "platform/win32/LastError.h"
#include "platform/win32/PortData1.h"

#include <cstring>
#include <memory>
#include <vector>

namespace win32 {
namespace {

std::string orEmpty(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

// A port added between the sizing call and the filling call makes the exact-size buffer too
// small. That is a race with another process, not a failure of ours, so size again; a bound
// keeps a machine whose ports churn from holding us forever.
constexpr int kEnumAttempts = 4;


// A REG_MULTI_SZ-style list as DriverInfo3 keeps it: the names with their NULs and the
// closing empty name; "" for none.
std::string multiString(const char* list) {
    if (list == nullptr || *list == '\0') return {};
    const char* end = list;
    while (*end != '\0') end += std::strlen(end) + 1;
    return std::string(list, static_cast<std::size_t>(end - list) + 1);
}

// winspool takes its strings as LPSTR although it only reads them; a private copy keeps
// the caller's const strings out of reach.
class MutableText {
public:
    explicit MutableText(const std::string& text) : text_(text.begin(), text.end()) { text_.push_back('\0'); }
    char* get() { return text_.data(); }

private:
    std::vector<char> text_;
};

// ANSI text of the system code page into a fixed WCHAR field, NUL included; false when it is
// empty, cannot be converted or does not fit: a port made under a name cut short would be
// another port than the one asked for.
template <std::size_t N>
bool toField(const std::string& text, WCHAR (&field)[N]) {
    if (text.empty() || text.size() >= N * 2) return false;
    const int chars = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                          field, static_cast<int>(N - 1));
    if (chars <= 0) return false;
    field[chars] = L'\0';
    return true;
}

// ClosePrinter, not CloseHandle, releases a spooler handle, so UniqueHandle does not fit.
class Win32PrinterHandle final : public platform::PrinterHandle {
public:
    explicit Win32PrinterHandle(HANDLE printer) : printer_(printer) {}
    ~Win32PrinterHandle() override { ClosePrinter(printer_); }
    Win32PrinterHandle(const Win32PrinterHandle&) = delete;
    Win32PrinterHandle& operator=(const Win32PrinterHandle&) = delete;

    HANDLE get() const { return printer_; }

private:
    HANDLE printer_;
};

// A handle some other implementation made is no spooler handle at all.
HANDLE printerHandle(platform::PrinterHandle& printer) {
    auto* own = dynamic_cast<Win32PrinterHandle*>(&printer);
    return own != nullptr ? own->get() : nullptr;
}

}  // namespace

long Win32Spooler::enumPorts(std::vector<platform::PortInfo2>& ports) {
    ports.clear();
    DWORD needed = 0;
    DWORD returned = 0;
    if (EnumPortsA(nullptr, 2, nullptr, 0, &needed, &returned)) return ERROR_SUCCESS;  // no ports at all
    long error = lastFailure();
    for (int attempt = 0; attempt < kEnumAttempts && error == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        // Operator new's alignment suits the PORT_INFO_2A records at the start of the buffer.
        std::vector<BYTE> buffer(needed);
        const DWORD size = needed;
        returned = 0;
        if (EnumPortsA(nullptr, 2, buffer.data(), size, &needed, &returned)) {
            const auto* entries = reinterpret_cast<const PORT_INFO_2A*>(buffer.data());
            ports.reserve(returned);
            for (DWORD i = 0; i < returned; ++i) {
                ports.push_back(platform::PortInfo2{orEmpty(entries[i].pPortName), orEmpty(entries[i].pMonitorName),
                                                    orEmpty(entries[i].pDescription), entries[i].fPortType});
            }
            return ERROR_SUCCESS;
        }
        error = lastFailure();
    }
    return error;
}

long Win32Spooler::printerDriverDirectory(const std::string& environment, std::uint32_t bufferSize,
                                          std::string& directory) {
    directory.clear();
    MutableText env(environment);
    // One byte more than announced, so that even a zero-byte buffer has an address.
    std::vector<char> buffer(std::size_t{bufferSize} + 1, '\0');
    DWORD needed = 0;
    const long error = lastErrorUnless(GetPrinterDriverDirectoryA(
        nullptr, env.get(), 1, reinterpret_cast<BYTE*>(buffer.data()), bufferSize, &needed));
    if (error == ERROR_SUCCESS) directory = buffer.data();
    return error;
}

long Win32Spooler::addPrinterDriverEx(const platform::DriverInfo3& driver, std::uint32_t flags) {
    MutableText name(driver.name);
    MutableText environment(driver.environment);
    MutableText driverPath(driver.driverPath);
    MutableText dataFile(driver.dataFile);
    MutableText configFile(driver.configFile);
    MutableText helpFile(driver.helpFile);
    // Already a multi-string with its closing empty name; the extra NUL the copy adds is
    // harmless.
    MutableText dependentFiles(driver.dependentFiles);
    // An empty monitor name stays "" rather than NULL: that is what the spooler is given.
    MutableText monitorName(driver.monitorName);
    MutableText defaultDataType(driver.defaultDataType);

    DRIVER_INFO_3A info{};
    info.cVersion = driver.version;
    info.pName = name.get();
    info.pEnvironment = environment.get();
    info.pDriverPath = driverPath.get();
    info.pDataFile = dataFile.get();
    info.pConfigFile = configFile.get();
    info.pHelpFile = helpFile.get();
    info.pDependentFiles = dependentFiles.get();
    info.pMonitorName = monitorName.get();
    info.pDefaultDataType = defaultDataType.get();
    return lastErrorUnless(AddPrinterDriverExA(nullptr, 3, reinterpret_cast<BYTE*>(&info), flags));
}

long Win32Spooler::addMonitor(const platform::MonitorInfo2& monitor) {
    MutableText name(monitor.name);
    MutableText environment(monitor.environment);
    MutableText dllName(monitor.dllName);
    MONITOR_INFO_2A info{};
    info.pName = name.get();
    info.pEnvironment = environment.get();
    info.pDLLName = dllName.get();
    return lastErrorUnless(AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&info)));
}

long Win32Spooler::deleteMonitor(const std::string& environment, const std::string& name) {
    MutableText env(environment);
    MutableText monitor(name);
    return lastErrorUnless(DeleteMonitorA(nullptr, env.get(), monitor.get()));
}

long Win32Spooler::enumPrinterDrivers(const std::string& environment, std::vector<platform::DriverInfo3>& drivers) {
    drivers.clear();
    MutableText env(environment);
    // "" is the local environment, as NULL is.
    char* const envArgument = environment.empty() ? nullptr : env.get();
    DWORD needed = 0;
    DWORD returned = 0;
    if (EnumPrinterDriversA(nullptr, envArgument, 3, nullptr, 0, &needed, &returned)) return ERROR_SUCCESS;  // none
    long error = lastFailure();
    // A driver added between the two calls: size again, as for the ports.
    for (int attempt = 0; attempt < kEnumAttempts && error == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        std::vector<BYTE> buffer(needed);
        const DWORD size = needed;
        returned = 0;
        if (EnumPrinterDriversA(nullptr, envArgument, 3, buffer.data(), size, &needed, &returned)) {
            const auto* entries = reinterpret_cast<const DRIVER_INFO_3A*>(buffer.data());
            drivers.reserve(returned);
            for (DWORD i = 0; i < returned; ++i) {
                const DRIVER_INFO_3A& entry = entries[i];
                platform::DriverInfo3 driver;
                driver.version = entry.cVersion;
                driver.name = orEmpty(entry.pName);
                driver.environment = orEmpty(entry.pEnvironment);
                driver.driverPath = orEmpty(entry.pDriverPath);
                driver.dataFile = orEmpty(entry.pDataFile);
                driver.configFile = orEmpty(entry.pConfigFile);
                driver.helpFile = orEmpty(entry.pHelpFile);
                driver.dependentFiles = multiString(entry.pDependentFiles);
                driver.monitorName = orEmpty(entry.pMonitorName);
                driver.defaultDataType = orEmpty(entry.pDefaultDataType);
                drivers.push_back(std::move(driver));
            }
            return ERROR_SUCCESS;
        }
        error = lastFailure();
    }
    return error;
}

long Win32Spooler::deletePrinterDriver(const std::string& environment, const std::string& name) {
    MutableText env(environment);
    MutableText driver(name);
    // A spooler that fails without setting an error must not report the one of an earlier call.
    SetLastError(ERROR_SUCCESS);
    return lastErrorUnless(DeletePrinterDriverA(nullptr, environment.empty() ? nullptr : env.get(), driver.get()));
}

long Win32Spooler::openPrinter(const std::string& name, const platform::PrinterDefaults& defaults,
                               platform::PrinterHandlePtr& printer) {
    printer.reset();
    MutableText printerName(name);
    MutableText datatype(defaults.datatype);
    PRINTER_DEFAULTSA printerDefaults{defaults.datatype.empty() ? nullptr : datatype.get(), nullptr,
                                      defaults.desiredAccess};
    HANDLE opened = nullptr;
    if (!OpenPrinterA(printerName.get(), &opened, &printerDefaults)) return lastFailure();
    printer = std::make_unique<Win32PrinterHandle>(opened);
    return ERROR_SUCCESS;
}

long Win32Spooler::setPrinterCommand(platform::PrinterHandle& printer, std::uint32_t command) {
    const HANDLE handle = printerHandle(printer);
    if (handle == nullptr) return ERROR_INVALID_HANDLE;
    return lastErrorUnless(SetPrinterA(handle, 0, nullptr, command));
}

long Win32Spooler::deletePrinter(platform::PrinterHandle& printer) {
    const HANDLE handle = printerHandle(printer);
    if (handle == nullptr) return ERROR_INVALID_HANDLE;
    return lastErrorUnless(DeletePrinter(handle));
}

long Win32Spooler::addPrinter(const platform::PrinterInfo2& printer, platform::PrinterHandlePtr& created) {
    created.reset();
    MutableText printerName(printer.printerName);
    MutableText portName(printer.portName);
    MutableText driverName(printer.driverName);
    MutableText printProcessor(printer.printProcessor);
    MutableText datatype(printer.datatype);
    PRINTER_INFO_2A info{};
    info.pPrinterName = printerName.get();
    info.pPortName = portName.get();
    info.pDriverName = driverName.get();
    info.pPrintProcessor = printProcessor.get();
    info.pDatatype = datatype.get();
    const HANDLE handle = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (handle == nullptr) return lastFailure();
    created = std::make_unique<Win32PrinterHandle>(handle);
    return ERROR_SUCCESS;
}

long Win32Spooler::enumPrinters(std::uint32_t flags, std::vector<platform::PrinterEntry>& printers) {
    printers.clear();
    // An empty name, not NULL: the local machine either way, but this is the call the
    // installer has always made.
    char emptyName[] = "";
    DWORD needed = 0;
    DWORD returned = 0;
    if (EnumPrintersA(flags, emptyName, 2, nullptr, 0, &needed, &returned)) return ERROR_SUCCESS;  // none
    long error = lastFailure();
    for (int attempt = 0; attempt < kEnumAttempts && error == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        std::vector<BYTE> buffer(needed);
        const DWORD size = needed;
        returned = 0;
        if (EnumPrintersA(flags, emptyName, 2, buffer.data(), size, &needed, &returned)) {
            const auto* entries = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
            printers.reserve(returned);
            for (DWORD i = 0; i < returned; ++i) {
                printers.push_back(platform::PrinterEntry{orEmpty(entries[i].pPrinterName), orEmpty(entries[i].pPortName),
                                                          orEmpty(entries[i].pDriverName)});
            }
            return ERROR_SUCCESS;
        }
        error = lastFailure();
    }
    return error;
}

long Win32Spooler::addPort(std::uintptr_t owner, const std::string& monitorName) {
    MutableText monitor(monitorName);
    SetLastError(ERROR_SUCCESS);
    // Only TRUE itself counts: the caller treats any other answer as no new port.
    return AddPortA(nullptr, reinterpret_cast<HWND>(owner), monitor.get()) == TRUE ? ERROR_SUCCESS
                                                                                 : lastFailure();
}

long Win32Spooler::configurePort(std::uintptr_t owner, const std::string& portName) {
    MutableText port(portName);
    SetLastError(ERROR_SUCCESS);
    return lastErrorUnless(ConfigurePortA(nullptr, reinterpret_cast<HWND>(owner), port.get()));
}

long Win32Spooler::deletePort(std::uintptr_t owner, const std::string& portName) {
    MutableText port(portName);
    SetLastError(ERROR_SUCCESS);
    return lastErrorUnless(DeletePortA(nullptr, reinterpret_cast<HWND>(owner), port.get()));
}

long Win32Spooler::addStandardTcpipPort(const std::string& portName, const std::string& host,
                                        std::uint32_t portNumber) {
    PortData1 data{};
    if (!toField(portName, data.sztPortName) || !toField(host, data.sztHostAddress)) return ERROR_INVALID_PARAMETER;
    data.dwVersion = PORT_DATA_1_VERSION;
    data.dwProtocol = PROTOCOL_RAWTCP_TYPE_VALUE;
    data.cbSize = sizeof data;
    data.dwPortNumber = portNumber;
    data.dwSNMPEnabled = FALSE;

    char monitorObject[] = ",XcvMonitor Standard TCP/IP Port";
    PRINTER_DEFAULTSA defaults{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    HANDLE opened = nullptr;
    SetLastError(ERROR_SUCCESS);
    if (!OpenPrinterA(monitorObject, &opened, &defaults)) return lastFailure();
    const Win32PrinterHandle monitor(opened);
    DWORD needed = 0;
    DWORD status = ERROR_SUCCESS;
    SetLastError(ERROR_SUCCESS);
    if (!XcvDataW(monitor.get(), L"AddPort", reinterpret_cast<BYTE*>(&data), sizeof data, nullptr, 0, &needed,
                  &status)) {
        return lastFailure();
    }
    // The call reached the monitor; what the monitor made of it is its status.
    return static_cast<long>(status);
}

}  // namespace win32
