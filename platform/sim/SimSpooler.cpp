#include "platform/sim/SimSpooler.h"

#include <algorithm>

#include "platform/WinConstants.h"
#include "platform/CodePage936.h"
#include "platform/sim/SimFileSystem.h"
#include "platform/sim/SimPeImage.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimServices.h"
#include "platform/sim/SimSystemInfo.h"
#include "platform/sim/SimText.h"

namespace sim {

namespace {

const std::string kSystemPrinters = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
const std::string kSoftwarePrinters = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\";
const std::string kProfilePrinters =
    "HKLM\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\Print\\Printers\\";

std::string fileName(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string driverKey(const std::string& environment, const std::string& name) {
    return asciiLower(environment) + "|" + asciiLower(name);
}

// A local printer's name is at most 220 characters (the spooler's limit, counted in the UTF-16
// characters it converts ANSI names to) and holds neither "," (which separates a printer name
// from a port or job in OpenPrinter) nor "\" (which separates a server from a printer).
constexpr std::size_t kMaxPrinterNameChars = 220;

bool validPrinterName(const std::string& name) {
    return !name.empty() && cp936::find(name, ',') == std::string::npos &&
           cp936::find(name, '\\') == std::string::npos && cp936::characterCount(name) <= kMaxPrinterNameChars;
}

}  // namespace

class SimSpooler::Handle : public platform::PrinterHandle {
public:
    Handle(SimSpooler& owner, std::string name)
        : owner_(owner), name_(std::move(name)), generation_(owner.generation_) {
        ++owner_.openHandles_;
    }
    ~Handle() override {
        std::lock_guard lock(owner_.mutex_);
        --owner_.openHandles_;
        // ClosePrinter on a handle of a spooler that has gone fails too; the client side is
        // freed all the same.
        if (owner_.stale(*this)) ++owner_.staleHandleCalls_;
    }
    const std::string& name() const { return name_; }
    unsigned generation() const { return generation_; }

private:
    SimSpooler& owner_;
    std::string name_;
    unsigned generation_;
};

bool SimSpooler::stale(const Handle& handle) const { return handle.generation() != generation_; }

void SimSpooler::attach(SimFileSystem& files, SimRegistry& registry, SimServices& services, SimSystemInfo& system) {
    std::lock_guard lock(mutex_);
    files_ = &files;
    registry_ = &registry;
    services_ = &services;
    system_ = &system;
    // Nothing is loaded while the spooler is stopped, nor before a start has completed.
    files.setHolder([&services] {
        const std::uint32_t state = services.service("Spooler").state;
        return state != platform::SERVICE_STOPPED_STATE && state != platform::SERVICE_START_PENDING_STATE;
    });
}

std::vector<std::string> SimSpooler::driverSources(const platform::DriverInfo3& driver) {
    // Dependent files lie beside the driver DLL, whatever folder their names carry.
    std::vector<std::string> sources{driver.driverPath, driver.dataFile, driver.configFile};
    if (!driver.helpFile.empty()) sources.push_back(driver.helpFile);
    const std::string folder = folderOf(driver.driverPath);
    for (std::size_t start = 0; start < driver.dependentFiles.size();) {
        const std::size_t end = driver.dependentFiles.find('\0', start);
        const std::string name = driver.dependentFiles.substr(start, end - start);
        if (name.empty()) break;
        sources.push_back(folder + "\\" + fileName(name));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return sources;
}

std::vector<std::string> SimSpooler::installedDriverFiles(const platform::DriverInfo3& driver) const {
    const std::string versionFolder = driverDirectory(driver.environment) + "\\" + std::to_string(driver.version);
    std::vector<std::string> files;
    for (const auto& source : driverSources(driver)) files.push_back(versionFolder + "\\" + fileName(source));
    return files;
}

void SimSpooler::loadDriverOf(const Printer& printer) {
    if (files_ == nullptr) return;
    auto it = drivers_.find(driverKey(localEnvironment(), printer.driver));
    if (it == drivers_.end()) return;
    for (const auto& file : installedDriverFiles(it->second.info)) files_->holdFile(file);
}

bool SimSpooler::running() const {
    return services_ == nullptr || services_->service("Spooler").state == platform::SERVICE_RUNNING_STATE;
}

long SimSpooler::takeFailure(const std::string& call) {
    auto it = failures_.find(call);
    if (it == failures_.end()) return 0;
    const long error = it->second;
    failures_.erase(it);
    return error;
}

std::string SimSpooler::localEnvironment() const {
    return system_ == nullptr || system_->is64Bit() ? "Windows x64" : "Windows NT x86";
}

std::string SimSpooler::driverDirectory(const std::string& environment) const {
    const std::string env = asciiLower(environment);
    if (env == "windows nt x86") return "C:\\Windows\\system32\\spool\\drivers\\w32x86";
    if (env == "windows x64") return "C:\\Windows\\system32\\spool\\drivers\\x64";
    return {};
}

long SimSpooler::enumPorts(std::vector<platform::PortInfo2>& ports) {
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        hook = enumPortsHook_;
    }
    if (hook) hook();
    std::lock_guard lock(mutex_);
    ports.clear();
    if (enumPortsError_ != 0) return enumPortsError_;
    if (!running()) return RPC_S_SERVER_UNAVAILABLE;
    ports = ports_;
    return 0;
}

long SimSpooler::printerDriverDirectory(const std::string& environment, std::uint32_t bufferSize,
                                        std::string& directory) {
    std::lock_guard lock(mutex_);
    directory.clear();
    if (!running()) return RPC_S_SERVER_UNAVAILABLE;
    const std::string folder = driverDirectory(environment);
    if (folder.empty()) return ERROR_INVALID_ENVIRONMENT;
    if (folder.size() + 1 > bufferSize) return win::ERROR_INSUFFICIENT_BUFFER;
    if (files_ != nullptr) files_->makeDirectory(folder);
    directory = folder;
    return 0;
}

long SimSpooler::addPrinterDriverEx(const platform::DriverInfo3& driver, std::uint32_t flags) {
    std::lock_guard lock(mutex_);
    if (!running()) return RPC_S_SERVER_UNAVAILABLE;
    if (const long failure = takeFailure("AddPrinterDriverExA")) return failure;
    if (driverDirectory(driver.environment).empty()) return ERROR_INVALID_ENVIRONMENT;
    if (!driver.monitorName.empty() && monitors_.find(asciiLower(driver.monitorName)) == monitors_.end()) {
        return ERROR_UNKNOWN_PRINT_MONITOR;
    }
    // Every file must be where the driver says; the spooler then copies them into the folder
    // of the driver's version, over the files of a driver in use if need be.
    const std::vector<std::string> sources = driverSources(driver);
    if (files_ != nullptr) {
        for (const auto& source : sources) {
            if (!files_->exists(source)) return win::ERROR_FILE_NOT_FOUND;
        }
        const std::string versionFolder = driverDirectory(driver.environment) + "\\" + std::to_string(driver.version);
        files_->makeDirectory(versionFolder);
        for (const auto& source : sources) files_->copyFileAsHolder(source, versionFolder + "\\" + fileName(source));
    }
    drivers_[driverKey(driver.environment, driver.name)] = Driver{driver, flags};
    return 0;
}

std::string SimSpooler::monitorDllPath(const std::string& dllName) {
    // LoadLibrary in the spooler's process: a bare name is found in its system folder.
    return dllName.find_first_of("\\/:") == std::string::npos ? "C:\\Windows\\system32\\" + dllName : dllName;
}

long SimSpooler::loadMonitorDll(const std::string& environment, const std::string& dllName) const {
    if (files_ == nullptr) return 0;
    const auto bytes = files_->readFile(monitorDllPath(dllName));
    if (!bytes) return win::ERROR_MOD_NOT_FOUND;
    const auto machine = peMachine(*bytes);
    if (!machine) return ERROR_BAD_EXE_FORMAT;
    // A spooler loads only modules of its own bitness, and takes a monitor only for its own
    // environment ("you can only add a monitor that was written for the architecture of the
    // server"): a 32-bit DLL named for "Windows x64", or the reverse, does not load. Windows
    // does not document the number for a foreign environment; the loader's 193 is the one a
    // module of the wrong bitness gives, and here one of the two always is.
    const bool local64 = localEnvironment() == "Windows x64";
    const bool named64 = asciiLower(environment) == "windows x64";
    const bool dll64 = *machine == static_cast<std::uint16_t>(PeMachine::Amd64);
    if (dll64 != local64 || dll64 != named64) return ERROR_BAD_EXE_FORMAT;
    return 0;
}

long SimSpooler::addMonitor(const platform::MonitorInfo2& monitor) {
    std::lock_guard lock(mutex_);
    if (!running()) return RPC_S_SERVER_UNAVAILABLE;
    if (const long failure = takeFailure("AddMonitorA")) return failure;
    if (driverDirectory(monitor.environment).empty()) return ERROR_INVALID_ENVIRONMENT;
    if (monitors_.find(asciiLower(monitor.name)) != monitors_.end()) return ERROR_PRINT_MONITOR_ALREADY_INSTALLED;
    if (const long error = loadMonitorDll(monitor.environment, monitor.dllName)) return error;
    monitors_[asciiLower(monitor.name)] = monitor;
    if (files_ != nullptr) files_->holdFile(monitorDllPath(monitor.dllName));
    return 0;
}

// The environment is not looked at: Windows ignores it for the local machine (Wine's
// conformance tests, which pass on Windows, delete with NULL, "" and "bad_env" alike). Since
// AddMonitorA takes only the local environment, a monitor is never registered for another.
// A driver that names the monitor as its language monitor does not keep it: Windows refuses
// only while a port the monitor controls is in use, and clears every other reference to it.
long SimSpooler::deleteMonitor(const std::string&, const std::string& name) {
    std::lock_guard lock(mutex_);
    if (!running()) return RPC_S_SERVER_UNAVAILABLE;
    if (const long failure = takeFailure("DeleteMonitorA")) return failure;
    auto it = monitors_.find(asciiLower(name));
    if (it == monitors_.end()) return ERROR_UNKNOWN_PRINT_MONITOR;
    if (heldMonitors_[asciiLower(name)]) return ERROR_PRINT_MONITOR_IN_USE;
    monitors_.erase(it);
    return 0;
}

std::string SimSpooler::canonicalEnvironment(const std::string& environment) const {
    // An empty environment is the server's own, as NULL is.
    if (environment.empty()) return localEnvironment();
    const std::string env = asciiLower(environment);
    if (env == "windows nt x86") return "Windows NT x86";
    if (env == "windows x64") return "Windows x64";
    return {};
}

long SimSpooler::enumPrinterDrivers(const std::string& environment, std::vector<platform::DriverInfo3>& drivers) {
    std::lock_guard lock(mutex_);
    drivers.clear();
    if (!running()) return RPC_S_SERVER_UNAVAILABLE;
    if (const long failure = takeFailure("EnumPrinterDriversA")) return failure;
    const std::string env = canonicalEnvironment(environment);
    if (env.empty()) return ERROR_INVALID_ENVIRONMENT;
    const std::string prefix = asciiLower(env) + "|";
    for (const auto& [key, installed] : drivers_) {
        if (key.compare(0, prefix.size(), prefix) != 0) continue;
        // The spooler answers with its own copies in the folder of the driver's version, not
        // with the paths the driver was added from.
        platform::DriverInfo3 info = installed.info;
        info.environment = env;
        const std::vector<std::string> copies = installedDriverFiles(installed.info);
        std::size_t next = 0;
        info.driverPath = copies[next++];
        info.dataFile = copies[next++];
        info.configFile = copies[next++];
        if (!info.helpFile.empty()) info.helpFile = copies[next++];
        info.dependentFiles.clear();
        for (; next < copies.size(); ++next) info.dependentFiles += copies[next] + '\0';
        if (!info.dependentFiles.empty()) info.dependentFiles += '\0';
        drivers.push_back(std::move(info));
    }
    return 0;
}

// Only the list changes: the driver's files stay in the spooler's folder. A printer of the
// driver keeps it, also one whose deletion waits for its jobs; printers use only drivers of
// the local environment, so a driver of another one is never in use.
long SimSpooler::deletePrinterDriver(const std::string& environment, const std::string& name) {
    std::lock_guard lock(mutex_);
    if (!running()) return RPC_S_SERVER_UNAVAILABLE;
    if (const long failure = takeFailure("DeletePrinterDriverA")) return failure;
    const std::string env = canonicalEnvironment(environment);
    if (env.empty()) return ERROR_INVALID_ENVIRONMENT;
    auto it = drivers_.find(driverKey(env, name));
    if (it == drivers_.end()) return ERROR_UNKNOWN_PRINTER_DRIVER;
    const bool used = env == localEnvironment() &&
                      std::any_of(printers_.begin(), printers_.end(),
                                  [&](const Printer& p) { return asciiLower(p.driver) == asciiLower(name); });
    if (used) return ERROR_PRINTER_DRIVER_IN_USE;
    drivers_.erase(it);
    return 0;
}

long SimSpooler::openPrinter(const std::string& name, const platform::PrinterDefaults& defaults,
                             platform::PrinterHandlePtr& printer) {
    // A handle the caller still held closes first, outside the lock its close takes.
    printer.reset();
    std::lock_guard lock(mutex_);
    if (!running()) return RPC_S_SERVER_UNAVAILABLE;
    printerOpens_.push_back(PrinterOpen{name, defaults.datatype, defaults.desiredAccess});
    if (const long failure = takeFailure("OpenPrinterA")) return failure;
    const bool known = std::any_of(printers_.begin(), printers_.end(),
                                   [&](const Printer& p) { return asciiLower(p.name) == asciiLower(name); });
    if (!known) return ERROR_INVALID_PRINTER_NAME;
    printer = std::make_unique<Handle>(*this, name);
    return 0;
}

long SimSpooler::setPrinterCommand(platform::PrinterHandle& printer, std::uint32_t command) {
    std::lock_guard lock(mutex_);
    if (!running()) return RPC_S_SERVER_UNAVAILABLE;
    auto& handle = static_cast<Handle&>(printer);
    if (stale(handle)) {
        ++staleHandleCalls_;
        return ERROR_INVALID_HANDLE;
    }
    if (const long failure = takeFailure("SetPrinterA")) return failure;
    if (command != platform::PRINTER_CONTROL_PURGE_COMMAND) return win::ERROR_INVALID_PARAMETER;
    // A purge deletes every job of the printer, the one printing included; a printer that
    // waited for its jobs to end before it could go then goes.
    auto it = findPrinter(handle.name());
    if (it == printers_.end()) return win::ERROR_INVALID_HANDLE;
    it->jobs = 0;
    if (it->pendingDeletion) removePrinter(it);
    return 0;
}

long SimSpooler::deletePrinter(platform::PrinterHandle& printer) {
    std::lock_guard lock(mutex_);
    if (!running()) return RPC_S_SERVER_UNAVAILABLE;
    auto& handle = static_cast<Handle&>(printer);
    if (stale(handle)) {
        ++staleHandleCalls_;
        return ERROR_INVALID_HANDLE;
    }
    if (const long failure = takeFailure("DeletePrinter")) return failure;
    auto it = findPrinter(handle.name());
    if (it == printers_.end()) return win::ERROR_INVALID_HANDLE;
    // With jobs left the printer is only marked: it stays, under its name, until they end.
    if (it->jobs > 0) {
        it->pendingDeletion = true;
        return 0;
    }
    removePrinter(it);
    return 0;
}

std::vector<SimSpooler::Printer>::iterator SimSpooler::findPrinter(const std::string& name) {
    return std::find_if(printers_.begin(), printers_.end(),
                        [&](const Printer& p) { return asciiLower(p.name) == asciiLower(name); });
}

std::vector<SimSpooler::Printer>::const_iterator SimSpooler::findPrinter(const std::string& name) const {
    return std::find_if(printers_.begin(), printers_.end(),
                        [&](const Printer& p) { return asciiLower(p.name) == asciiLower(name); });
}

void SimSpooler::removePrinter(std::vector<Printer>::iterator printer) {
    const std::string name = printer->name;
    printers_.erase(printer);
    removeRecords(name);
}

long SimSpooler::addPrinter(const platform::PrinterInfo2& info, platform::PrinterHandlePtr& created) {
    created.reset();
    std::lock_guard lock(mutex_);
    if (!running()) return RPC_S_SERVER_UNAVAILABLE;
    if (const long failure = takeFailure("AddPrinterA")) return failure;
    if (!validPrinterName(info.printerName)) return ERROR_INVALID_PRINTER_NAME;
    // A printer marked for deletion still holds its name.
    if (findPrinter(info.printerName) != printers_.end()) return ERROR_PRINTER_ALREADY_EXISTS;
    if (std::none_of(ports_.begin(), ports_.end(),
                     [&](const platform::PortInfo2& p) { return p.portName == info.portName; })) {
        return ERROR_UNKNOWN_PORT;
    }
    if (drivers_.find(driverKey(localEnvironment(), info.driverName)) == drivers_.end()) {
        return ERROR_UNKNOWN_PRINTER_DRIVER;
    }
    if (asciiLower(info.printProcessor) != "winprint") return 1798;  // ERROR_UNKNOWN_PRINTPROCESSOR
    Printer printer{info.printerName, info.portName, info.driverName, info.printProcessor, info.datatype};
    printers_.push_back(printer);
    writeRecords(printer);
    loadDriverOf(printer);
    created = std::make_unique<Handle>(*this, info.printerName);
    return 0;
}

long SimSpooler::enumPrinters(std::uint32_t flags, std::vector<platform::PrinterEntry>& printers) {
    std::lock_guard lock(mutex_);
    if (!running()) return RPC_S_SERVER_UNAVAILABLE;
    if (const long failure = takeFailure("EnumPrintersA")) return failure;
    printers.clear();
    // The local printers first (one marked for deletion is still there), then the user's
    // connections, each with the port its server reports.
    if ((flags & platform::PRINTER_ENUM_LOCAL_FLAG) != 0) {
        for (const auto& p : printers_) printers.push_back({p.name, p.port, p.driver});
    }
    if ((flags & platform::PRINTER_ENUM_CONNECTIONS_FLAG) != 0) {
        printers.insert(printers.end(), connections_.begin(), connections_.end());
    }
    return 0;
}

void SimSpooler::writeRecords(const Printer& printer) {
    if (registry_ == nullptr) return;
    registry_->setString(kSystemPrinters + printer.name, "Name", printer.name);
    registry_->setString(kSystemPrinters + printer.name, "Port", printer.port);
    registry_->setString(kSystemPrinters + printer.name, "Printer Driver", printer.driver);
    registry_->setString(kSoftwarePrinters + printer.name, "Port", printer.port);
    registry_->setString(kSoftwarePrinters + printer.name + "\\DsSpooler", "portName", printer.port);
}

void SimSpooler::removeRecords(const std::string& name) {
    if (registry_ == nullptr) return;
    registry_->removeKey(kSystemPrinters + name);
    registry_->removeKey(kSoftwarePrinters + name);
    registry_->removeKey(kProfilePrinters + name);
}

void SimSpooler::restart() {
    std::lock_guard lock(mutex_);
    ++generation_;
    if (files_ != nullptr) {
        // A fresh spooler process: only what is registered now is loaded.
        std::vector<std::string> loaded;
        for (const auto& [name, monitor] : monitors_) loaded.push_back(monitorDllPath(monitor.dllName));
        files_->holdFiles(loaded);
        for (const auto& printer : printers_) loadDriverOf(printer);
    }
    if (registry_ == nullptr) return;
    for (auto& printer : printers_) {
        platform::RegValue port;
        if (registry_->value(kSystemPrinters + printer.name, "Port", port)) {
            printer.port = platform::regSzText(port.data);
        }
        auto device = devices_.find(printer.port);
        if (device != devices_.end() && device->second) {
            registry_->setDword(kProfilePrinters + printer.name, "PrinterOnLine", 1);
        }
    }
}

void SimSpooler::addPort(const std::string& name, const std::string& description, const std::string& monitor) {
    std::lock_guard lock(mutex_);
    ports_.push_back(platform::PortInfo2{name, monitor, description, 0});
}

void SimSpooler::removePort(const std::string& name) {
    std::lock_guard lock(mutex_);
    std::erase_if(ports_, [&](const platform::PortInfo2& port) { return port.portName == name; });
}

void SimSpooler::clearPorts() {
    std::lock_guard lock(mutex_);
    ports_.clear();
}

void SimSpooler::failEnumPorts(long error) {
    std::lock_guard lock(mutex_);
    enumPortsError_ = error;
}

void SimSpooler::onEnumPorts(std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    enumPortsHook_ = std::move(hook);
}

void SimSpooler::attachDevice(const std::string& port, bool powered) {
    std::lock_guard lock(mutex_);
    devices_[port] = powered;
}

void SimSpooler::addJobs(const std::string& printer, int count) {
    std::lock_guard lock(mutex_);
    auto it = findPrinter(printer);
    if (it != printers_.end()) it->jobs += count;
}

void SimSpooler::finishJobs(const std::string& printer) {
    std::lock_guard lock(mutex_);
    auto it = findPrinter(printer);
    if (it == printers_.end()) return;
    it->jobs = 0;
    if (it->pendingDeletion) removePrinter(it);
}

int SimSpooler::jobs(const std::string& printer) const {
    std::lock_guard lock(mutex_);
    auto it = findPrinter(printer);
    return it == printers_.end() ? 0 : it->jobs;
}

bool SimSpooler::pendingDeletion(const std::string& printer) const {
    std::lock_guard lock(mutex_);
    auto it = findPrinter(printer);
    return it != printers_.end() && it->pendingDeletion;
}

void SimSpooler::addPrinterConnection(const std::string& name, const std::string& serverPort) {
    std::lock_guard lock(mutex_);
    connections_.push_back({name, serverPort, {}});
}

int SimSpooler::staleHandleCalls() const {
    std::lock_guard lock(mutex_);
    return staleHandleCalls_;
}

void SimSpooler::holdMonitor(const std::string& name, bool inUse) {
    std::lock_guard lock(mutex_);
    heldMonitors_[asciiLower(name)] = inUse;
}

void SimSpooler::failNext(const std::string& call, long error) {
    std::lock_guard lock(mutex_);
    failures_[call] = error;
}

std::vector<SimSpooler::Printer> SimSpooler::printers() const {
    std::lock_guard lock(mutex_);
    return printers_;
}

bool SimSpooler::hasDriver(const std::string& environment, const std::string& name) const {
    std::lock_guard lock(mutex_);
    return drivers_.find(driverKey(environment, name)) != drivers_.end();
}

platform::DriverInfo3 SimSpooler::driver(const std::string& environment, const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto it = drivers_.find(driverKey(environment, name));
    return it == drivers_.end() ? platform::DriverInfo3{} : it->second.info;
}

std::uint32_t SimSpooler::driverFileCopyFlags(const std::string& environment, const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto it = drivers_.find(driverKey(environment, name));
    return it == drivers_.end() ? 0 : it->second.fileCopyFlags;
}

std::vector<SimSpooler::PrinterOpen> SimSpooler::printerOpens() const {
    std::lock_guard lock(mutex_);
    return printerOpens_;
}

bool SimSpooler::hasMonitor(const std::string& name) const {
    std::lock_guard lock(mutex_);
    return monitors_.find(asciiLower(name)) != monitors_.end();
}

platform::MonitorInfo2 SimSpooler::monitor(const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto it = monitors_.find(asciiLower(name));
    return it == monitors_.end() ? platform::MonitorInfo2{} : it->second;
}

int SimSpooler::openPrinterHandles() const {
    std::lock_guard lock(mutex_);
    return openHandles_;
}

void SimSpooler::addExistingPrinter(const std::string& name, const std::string& port, const std::string& driver) {
    std::lock_guard lock(mutex_);
    Printer printer{name, port, driver, "WinPrint", "RAW"};
    printers_.push_back(printer);
    writeRecords(printer);
    loadDriverOf(printer);
}

const platform::PortInfo2* SimSpooler::findPort(const std::string& name) const {
    // Port names are matched without regard to case, as the spooler does.
    auto it = std::find_if(ports_.begin(), ports_.end(),
                           [&](const platform::PortInfo2& port) { return asciiLower(port.portName) == asciiLower(name); });
    return it == ports_.end() ? nullptr : &*it;
}

SimSpooler::MonitorAnswer SimSpooler::showMonitorDialog(const std::string& call, std::uintptr_t owner,
                                                        const std::string& port) {
    MonitorAnswer answer;
    if (!monitorAnswers_.empty()) {
        answer = monitorAnswers_.front();
        monitorAnswers_.pop_front();
    }
    monitorDialogs_.push_back(MonitorDialogRecord{call, owner, port, answer.finish});
    return answer;
}

long SimSpooler::addPort(std::uintptr_t owner, const std::string& monitorName) {
    std::lock_guard lock(mutex_);
    if (!running()) return RPC_S_SERVER_UNAVAILABLE;
    if (const long failure = takeFailure("AddPortA")) return failure;
    // Only the TCP/IP monitor has an add-port dialog here; the spooler answers any other
    // monitor, and a missing one, as not supported.
    if (!tcpipMonitor_ || asciiLower(monitorName) != asciiLower(kTcpipMonitor)) return win::ERROR_NOT_SUPPORTED;
    const MonitorAnswer answer = showMonitorDialog("AddPortA", owner, "");
    if (!answer.finish) return win::ERROR_CANCELLED;
    if (answer.portName.empty() || findPort(answer.portName) != nullptr) return win::ERROR_ALREADY_EXISTS;
    ports_.push_back(platform::PortInfo2{answer.portName, kTcpipMonitor, tcpipDescription_, 0});
    return 0;
}

long SimSpooler::configurePort(std::uintptr_t owner, const std::string& portName) {
    std::lock_guard lock(mutex_);
    if (!running()) return RPC_S_SERVER_UNAVAILABLE;
    if (const long failure = takeFailure("ConfigurePortA")) return failure;
    const platform::PortInfo2* port = findPort(portName);
    if (port == nullptr) return ERROR_UNKNOWN_PORT;
    if (!tcpipMonitor_ || port->monitorName != kTcpipMonitor) return win::ERROR_NOT_SUPPORTED;
    return showMonitorDialog("ConfigurePortA", owner, port->portName).finish ? 0 : win::ERROR_CANCELLED;
}

long SimSpooler::deletePort(std::uintptr_t owner, const std::string& portName) {
    std::lock_guard lock(mutex_);
    if (!running()) return RPC_S_SERVER_UNAVAILABLE;
    if (const long failure = takeFailure("DeletePortA")) return failure;
    const platform::PortInfo2* port = findPort(portName);
    if (port == nullptr) return ERROR_UNKNOWN_PORT;
    const bool used = std::any_of(printers_.begin(), printers_.end(), [&](const Printer& printer) {
        return asciiLower(printer.port) == asciiLower(port->portName);
    });
    if (used) return win::ERROR_BUSY;
    // The TCP/IP monitor deletes without a dialog of its own.
    monitorDialogs_.push_back(MonitorDialogRecord{"DeletePortA", owner, port->portName, true});
    tcpipSettings_.erase(asciiLower(port->portName));
    ports_.erase(ports_.begin() + (port - ports_.data()));
    return 0;
}

long SimSpooler::addStandardTcpipPort(const std::string& portName, const std::string& host,
                                      std::uint32_t portNumber) {
    std::lock_guard lock(mutex_);
    if (!running()) return RPC_S_SERVER_UNAVAILABLE;
    // PORT_DATA_1 holds 63 and 48 UTF-16 characters; code page 936 has one for each character.
    if (portName.empty() || host.empty() || cp936::characterCount(portName) > 63 || cp936::characterCount(host) > 48) {
        return win::ERROR_INVALID_PARAMETER;
    }
    // Without the monitor the spooler has no ",XcvMonitor Standard TCP/IP Port" to open.
    if (!tcpipMonitor_) return ERROR_INVALID_PRINTER_NAME;
    if (const long failure = takeFailure("XcvDataW")) return failure;
    if (findPort(portName) != nullptr) return win::ERROR_ALREADY_EXISTS;
    ports_.push_back(platform::PortInfo2{portName, kTcpipMonitor, tcpipDescription_, 0});
    tcpipSettings_[asciiLower(portName)] = TcpipPortSettings{host, portNumber};
    return 0;
}

std::optional<SimSpooler::TcpipPortSettings> SimSpooler::tcpipPortSettings(const std::string& portName) const {
    std::lock_guard lock(mutex_);
    auto it = tcpipSettings_.find(asciiLower(portName));
    if (it == tcpipSettings_.end() || findPort(portName) == nullptr) return std::nullopt;
    return it->second;
}

void SimSpooler::setTcpipMonitor(bool installed, const std::string& description) {
    std::lock_guard lock(mutex_);
    tcpipMonitor_ = installed;
    tcpipDescription_ = description;
}

void SimSpooler::answerMonitorDialogs(std::vector<MonitorAnswer> answers) {
    std::lock_guard lock(mutex_);
    monitorAnswers_.assign(answers.begin(), answers.end());
}

std::vector<SimSpooler::MonitorDialogRecord> SimSpooler::monitorDialogs() const {
    std::lock_guard lock(mutex_);
    return monitorDialogs_;
}

}  // namespace sim
