#include "platform/sim/FaultInjection.h"

namespace sim {

void FaultPlan::failCall(std::size_t n, long error) {
    std::lock_guard lock(mutex_);
    rules_.push_back(Rule{std::string(), n, error});
}

void FaultPlan::failCall(std::string_view name, std::size_t n, long error) {
    std::lock_guard lock(mutex_);
    rules_.push_back(Rule{std::string(name), n, error});
}

long FaultPlan::check(std::string_view name) {
    std::lock_guard lock(mutex_);
    operations_.emplace_back(name);
    const std::size_t call = operations_.size();
    auto counted = callsByName_.find(name);
    if (counted == callsByName_.end()) counted = callsByName_.emplace(std::string(name), 0).first;
    const std::size_t callOfName = ++counted->second;
    for (const Rule& rule : rules_) {
        const bool hit = rule.name.empty() ? rule.n == call : rule.name == name && rule.n == callOfName;
        if (hit) {
            injected_.push_back(Injected{call, std::string(name), rule.error});
            return rule.error;
        }
    }
    return 0;
}

std::vector<std::string> FaultPlan::operations() const {
    std::lock_guard lock(mutex_);
    return operations_;
}

std::vector<FaultPlan::Injected> FaultPlan::injected() const {
    std::lock_guard lock(mutex_);
    return injected_;
}

namespace {

class FaultyRegistry final : public platform::Registry {
public:
    FaultyRegistry(platform::Registry& inner, FaultPlan& plan) : inner_(inner), plan_(plan) {}

    long openKey(const platform::RegKey& parent, const std::string& subKey, std::uint32_t access,
                 platform::RegKey& out) override {
        if (const long error = plan_.check("Registry.openKey")) return error;
        return inner_.openKey(parent, subKey, access, out);
    }
    long createKey(const platform::RegKey& parent, const std::string& subKey, std::uint32_t access,
                   platform::RegKey& out) override {
        if (const long error = plan_.check("Registry.createKey")) return error;
        return inner_.createKey(parent, subKey, access, out);
    }
    long queryValue(const platform::RegKey& key, const std::string& name, std::uint32_t bufferSize,
                    platform::RegValue& out) override {
        if (const long error = plan_.check("Registry.queryValue")) return error;
        return inner_.queryValue(key, name, bufferSize, out);
    }
    long setValue(const platform::RegKey& key, const std::string& name, std::uint32_t type,
                  const std::string& data) override {
        if (const long error = plan_.check("Registry.setValue")) return error;
        return inner_.setValue(key, name, type, data);
    }
    long enumValue(const platform::RegKey& key, std::uint32_t index, std::uint32_t nameChars,
                   std::uint32_t dataBytes, platform::RegValue& out) override {
        if (const long error = plan_.check("Registry.enumValue")) return error;
        return inner_.enumValue(key, index, nameChars, dataBytes, out);
    }
    long enumKey(const platform::RegKey& key, std::uint32_t index, std::string& name) override {
        if (const long error = plan_.check("Registry.enumKey")) return error;
        return inner_.enumKey(key, index, name);
    }
    long deleteValue(const platform::RegKey& key, const std::string& name) override {
        if (const long error = plan_.check("Registry.deleteValue")) return error;
        return inner_.deleteValue(key, name);
    }
    long deleteTree(const platform::RegKey& parent, const std::string& subKey) override {
        if (const long error = plan_.check("Registry.deleteTree")) return error;
        return inner_.deleteTree(parent, subKey);
    }

protected:
    // Every key the logic opens is the inner registry's and goes back to it; the only keys
    // naming this one are root keys, which are never closed.
    void closeKey(std::uintptr_t) override {}

private:
    platform::Registry& inner_;
    FaultPlan& plan_;
};

class FaultySpooler final : public platform::Spooler {
public:
    FaultySpooler(platform::Spooler& inner, FaultPlan& plan) : inner_(inner), plan_(plan) {}

    long enumPorts(std::vector<platform::PortInfo2>& ports) override {
        if (const long error = plan_.check("Spooler.enumPorts")) {
            ports.clear();
            return error;
        }
        return inner_.enumPorts(ports);
    }
    long printerDriverDirectory(const std::string& environment, std::uint32_t bufferSize,
                                std::string& directory) override {
        if (const long error = plan_.check("Spooler.printerDriverDirectory")) {
            directory.clear();
            return error;
        }
        return inner_.printerDriverDirectory(environment, bufferSize, directory);
    }
    long addPrinterDriverEx(const platform::DriverInfo3& driver, std::uint32_t flags) override {
        if (const long error = plan_.check("Spooler.addPrinterDriverEx")) return error;
        return inner_.addPrinterDriverEx(driver, flags);
    }
    long addMonitor(const platform::MonitorInfo2& monitor) override {
        if (const long error = plan_.check("Spooler.addMonitor")) return error;
        return inner_.addMonitor(monitor);
    }
    long deleteMonitor(const std::string& environment, const std::string& name) override {
        if (const long error = plan_.check("Spooler.deleteMonitor")) return error;
        return inner_.deleteMonitor(environment, name);
    }
    long enumPrinterDrivers(const std::string& environment, std::vector<platform::DriverInfo3>& drivers) override {
        if (const long error = plan_.check("Spooler.enumPrinterDrivers")) {
            drivers.clear();
            return error;
        }
        return inner_.enumPrinterDrivers(environment, drivers);
    }
    long deletePrinterDriver(const std::string& environment, const std::string& name) override {
        if (const long error = plan_.check("Spooler.deletePrinterDriver")) return error;
        return inner_.deletePrinterDriver(environment, name);
    }
    long openPrinter(const std::string& name, const platform::PrinterDefaults& defaults,
                     platform::PrinterHandlePtr& printer) override {
        if (const long error = plan_.check("Spooler.openPrinter")) return error;
        return inner_.openPrinter(name, defaults, printer);
    }
    long setPrinterCommand(platform::PrinterHandle& printer, std::uint32_t command) override {
        if (const long error = plan_.check("Spooler.setPrinterCommand")) return error;
        return inner_.setPrinterCommand(printer, command);
    }
    long deletePrinter(platform::PrinterHandle& printer) override {
        if (const long error = plan_.check("Spooler.deletePrinter")) return error;
        return inner_.deletePrinter(printer);
    }
    long addPrinter(const platform::PrinterInfo2& printer, platform::PrinterHandlePtr& created) override {
        if (const long error = plan_.check("Spooler.addPrinter")) return error;
        return inner_.addPrinter(printer, created);
    }
    long enumPrinters(std::uint32_t flags, std::vector<platform::PrinterEntry>& printers) override {
        if (const long error = plan_.check("Spooler.enumPrinters")) return error;
        return inner_.enumPrinters(flags, printers);
    }
    long addPort(std::uintptr_t owner, const std::string& monitorName) override {
        if (const long error = plan_.check("Spooler.addPort")) return error;
        return inner_.addPort(owner, monitorName);
    }
    long configurePort(std::uintptr_t owner, const std::string& portName) override {
        if (const long error = plan_.check("Spooler.configurePort")) return error;
        return inner_.configurePort(owner, portName);
    }
    long deletePort(std::uintptr_t owner, const std::string& portName) override {
        if (const long error = plan_.check("Spooler.deletePort")) return error;
        return inner_.deletePort(owner, portName);
    }
    long addStandardTcpipPort(const std::string& portName, const std::string& host,
                              std::uint32_t portNumber) override {
        if (const long error = plan_.check("Spooler.addStandardTcpipPort")) return error;
        return inner_.addStandardTcpipPort(portName, host, portNumber);
    }

private:
    platform::Spooler& inner_;
    FaultPlan& plan_;
};

class FaultyThreads final : public platform::Threads {
public:
    FaultyThreads(platform::Threads& inner, FaultPlan& plan) : inner_(inner), plan_(plan) {}

    platform::ThreadHandle start(std::function<void()> body) override {
        if (plan_.check("Threads.start") != 0) return {};
        return inner_.start(std::move(body));
    }

private:
    platform::Threads& inner_;
    FaultPlan& plan_;
};

class FaultyUi final : public platform::Ui {
public:
    FaultyUi(platform::Ui& inner, FaultPlan& plan) : inner_(inner), plan_(plan) {}

    unsigned registerWindowMessage(const std::string& name) override {
        if (plan_.check("Ui.registerWindowMessage") != 0) return 0;
        return inner_.registerWindowMessage(name);
    }
    int runModal(int templateId, platform::DialogHandler& handler, platform::DialogWindow* owner) override {
        if (plan_.check("Ui.runModal") != 0) return -1;
        return inner_.runModal(templateId, handler, owner);
    }
    int messageBox(platform::DialogWindow* owner, const std::string& text, const std::string& caption,
                   unsigned type) override {
        if (plan_.check("Ui.messageBox") != 0) return 0;
        return inner_.messageBox(owner, text, caption, type);
    }
    std::string applicationTitle() override {
        if (plan_.check("Ui.applicationTitle") != 0) return {};
        return inner_.applicationTitle();
    }
    bool writeConsole(const std::string& text) override {
        if (plan_.check("Ui.writeConsole") != 0) return false;
        return inner_.writeConsole(text);
    }

private:
    platform::Ui& inner_;
    FaultPlan& plan_;
};

class FaultyFileSearch final : public platform::FileSearch {
public:
    FaultyFileSearch(platform::FileSearchHandle inner, FaultPlan& plan) : inner_(std::move(inner)), plan_(plan) {}

    bool next(platform::FindData& entry) override {
        if (plan_.check("FileSystem.findNext") != 0) return false;
        return inner_->next(entry);
    }

private:
    platform::FileSearchHandle inner_;
    FaultPlan& plan_;
};

class FaultyFileSystem final : public platform::FileSystem {
public:
    FaultyFileSystem(platform::FileSystem& inner, FaultPlan& plan) : inner_(inner), plan_(plan) {}

    std::string currentDirectory(std::uint32_t bufferSize) override {
        if (plan_.check("FileSystem.currentDirectory") != 0) return {};
        return inner_.currentDirectory(bufferSize);
    }
    std::uint32_t fileAttributes(const std::string& path) override {
        if (plan_.check("FileSystem.fileAttributes") != 0) return platform::INVALID_FILE_ATTRIBUTES_VALUE;
        return inner_.fileAttributes(path);
    }
    platform::FileSearchHandle findFirst(const std::string& pattern, platform::FindData& first) override {
        if (plan_.check("FileSystem.findFirst") != 0) return nullptr;
        platform::FileSearchHandle search = inner_.findFirst(pattern, first);
        if (search == nullptr) return nullptr;
        return std::make_unique<FaultyFileSearch>(std::move(search), plan_);
    }
    long deleteFile(const std::string& path) override {
        if (const long error = plan_.check("FileSystem.deleteFile")) return error;
        return inner_.deleteFile(path);
    }
    long removeDirectory(const std::string& path) override {
        if (const long error = plan_.check("FileSystem.removeDirectory")) return error;
        return inner_.removeDirectory(path);
    }
    long copyFile(const std::string& from, const std::string& to, bool failIfExists) override {
        if (const long error = plan_.check("FileSystem.copyFile")) return error;
        return inner_.copyFile(from, to, failIfExists);
    }
    long createDirectory(const std::string& path) override {
        if (const long error = plan_.check("FileSystem.createDirectory")) return error;
        return inner_.createDirectory(path);
    }
    long appendFile(const std::string& path, const std::string& bytes) override {
        if (const long error = plan_.check("FileSystem.appendFile")) return error;
        return inner_.appendFile(path, bytes);
    }

private:
    platform::FileSystem& inner_;
    FaultPlan& plan_;
};

// A profile that cannot be read answers as a missing file does.
class FaultyProfileReader final : public platform::ProfileReader {
public:
    FaultyProfileReader(platform::ProfileReader& inner, FaultPlan& plan) : inner_(inner), plan_(plan) {}

    std::uint32_t sectionNames(const std::string& file, std::uint32_t bufferSize, std::string& buffer) override {
        if (plan_.check("ProfileReader.sectionNames") != 0) {
            buffer.assign(bufferSize, '\0');
            return 0;
        }
        return inner_.sectionNames(file, bufferSize, buffer);
    }
    std::uint32_t getString(const std::string& section, const std::string& key, const std::string& defaultValue,
                            std::uint32_t bufferSize, std::string& value, const std::string& file) override {
        if (plan_.check("ProfileReader.getString") != 0) {
            value = bufferSize == 0 ? std::string() : defaultValue.substr(0, bufferSize - 1);
            return static_cast<std::uint32_t>(value.size());
        }
        return inner_.getString(section, key, defaultValue, bufferSize, value, file);
    }

private:
    platform::ProfileReader& inner_;
    FaultPlan& plan_;
};

class FaultyServices final : public platform::Services {
public:
    FaultyServices(platform::Services& inner, FaultPlan& plan) : inner_(inner), plan_(plan) {}

    long openManager(std::uint32_t access, platform::ServiceHandlePtr& manager) override {
        if (const long error = plan_.check("Services.openManager")) return error;
        return inner_.openManager(access, manager);
    }
    long openService(platform::ServiceHandle& manager, const std::string& name, std::uint32_t access,
                     platform::ServiceHandlePtr& service) override {
        if (const long error = plan_.check("Services.openService")) return error;
        return inner_.openService(manager, name, access, service);
    }
    long queryStatus(platform::ServiceHandle& service, std::uint32_t& state) override {
        if (const long error = plan_.check("Services.queryStatus")) return error;
        return inner_.queryStatus(service, state);
    }
    long start(platform::ServiceHandle& service) override {
        if (const long error = plan_.check("Services.start")) return error;
        return inner_.start(service);
    }
    long control(platform::ServiceHandle& service, std::uint32_t code, std::uint32_t& state) override {
        if (const long error = plan_.check("Services.control")) return error;
        return inner_.control(service, code, state);
    }
    long enumDependents(platform::ServiceHandle& service, std::uint32_t stateFilter,
                        std::vector<platform::DependentService>& dependents) override {
        if (const long error = plan_.check("Services.enumDependents")) {
            dependents.clear();
            return error;
        }
        return inner_.enumDependents(service, stateFilter, dependents);
    }

private:
    platform::Services& inner_;
    FaultPlan& plan_;
};

class FaultySystemInfo final : public platform::SystemInfo {
public:
    FaultySystemInfo(platform::SystemInfo& inner, FaultPlan& plan) : inner_(inner), plan_(plan) {}

    bool getVersionEx(std::uint32_t structSize, platform::OsVersion& version) override {
        if (plan_.check("SystemInfo.getVersionEx") != 0) return false;
        return inner_.getVersionEx(structSize, version);
    }
    bool hasIsWow64Process() override {
        if (plan_.check("SystemInfo.hasIsWow64Process") != 0) return false;
        return inner_.hasIsWow64Process();
    }
    // A failed IsWow64Process leaves its output as it was.
    void isWow64Process(std::int32_t& wow64) override {
        if (plan_.check("SystemInfo.isWow64Process") != 0) return;
        inner_.isWow64Process(wow64);
    }
    // Sleep cannot fail, and a wait loop would only crowd the record.
    void sleep(std::uint32_t milliseconds) override { inner_.sleep(milliseconds); }
    std::string systemDirectory(std::uint32_t bufferSize) override {
        if (plan_.check("SystemInfo.systemDirectory") != 0) return {};
        return inner_.systemDirectory(bufferSize);
    }
    std::string windowsDirectory(std::uint32_t bufferSize) override {
        if (plan_.check("SystemInfo.windowsDirectory") != 0) return {};
        return inner_.windowsDirectory(bufferSize);
    }
    bool enableLoadDriverPrivilege() override {
        if (plan_.check("SystemInfo.enableLoadDriverPrivilege") != 0) return false;
        return inner_.enableLoadDriverPrivilege();
    }
    // The clock, the environment and the text conversion cannot fail.
    platform::LocalTime localTime() override { return inner_.localTime(); }
    std::string environmentVariable(const std::string& name) override { return inner_.environmentVariable(name); }
    std::string ansiToUtf8(const std::string& text) override { return inner_.ansiToUtf8(text); }

private:
    platform::SystemInfo& inner_;
    FaultPlan& plan_;
};

class FaultyArchiveLibrary final : public platform::ArchiveLibrary {
public:
    FaultyArchiveLibrary(std::unique_ptr<platform::ArchiveLibrary> inner, FaultPlan& plan)
        : inner_(std::move(inner)), plan_(plan) {}

    bool hasEntryPoint(const std::string& name) const override {
        if (plan_.check("ArchiveLibrary.hasEntryPoint") != 0) return false;
        return inner_->hasEntryPoint(name);
    }
    // SevenZip answers a failure with an error code of its own; the injected one stands for it.
    int sevenZip(std::uintptr_t ownerWindow, const std::string& command, std::string& output,
                 std::uint32_t outputSize) override {
        if (const long error = plan_.check("ArchiveLibrary.sevenZip")) return static_cast<int>(error);
        return inner_->sevenZip(ownerWindow, command, output, outputSize);
    }
    int setOwnerWindowEx(std::uintptr_t ownerWindow, platform::ArchiveProgressCallback callback) override {
        if (plan_.check("ArchiveLibrary.setOwnerWindowEx") != 0) return 0;
        return inner_->setOwnerWindowEx(ownerWindow, callback);
    }
    int killOwnerWindowEx(std::uintptr_t ownerWindow) override {
        if (plan_.check("ArchiveLibrary.killOwnerWindowEx") != 0) return 0;
        return inner_->killOwnerWindowEx(ownerWindow);
    }

private:
    std::unique_ptr<platform::ArchiveLibrary> inner_;
    FaultPlan& plan_;
};

class FaultyArchiveLibraryLoader final : public platform::ArchiveLibraryLoader {
public:
    FaultyArchiveLibraryLoader(platform::ArchiveLibraryLoader& inner, FaultPlan& plan) : inner_(inner), plan_(plan) {}

    std::unique_ptr<platform::ArchiveLibrary> load(const std::string& fileName) override {
        if (plan_.check("ArchiveLibraryLoader.load") != 0) return nullptr;
        std::unique_ptr<platform::ArchiveLibrary> library = inner_.load(fileName);
        if (library == nullptr) return nullptr;
        return std::make_unique<FaultyArchiveLibrary>(std::move(library), plan_);
    }

private:
    platform::ArchiveLibraryLoader& inner_;
    FaultPlan& plan_;
};

}  // namespace

struct FaultyPlatform::Parts {
    Parts(const platform::Platform& inner, FaultPlan& plan)
        : registry(inner.registry, plan),
          spooler(inner.spooler, plan),
          threads(inner.threads, plan),
          ui(inner.ui, plan),
          files(inner.files, plan),
          profiles(inner.profiles, plan),
          services(inner.services, plan),
          system(inner.system, plan),
          archives(inner.archives, plan),
          bundle{registry, spooler, threads, ui, files, profiles, services, system, archives} {}

    FaultyRegistry registry;
    FaultySpooler spooler;
    FaultyThreads threads;
    FaultyUi ui;
    FaultyFileSystem files;
    FaultyProfileReader profiles;
    FaultyServices services;
    FaultySystemInfo system;
    FaultyArchiveLibraryLoader archives;
    platform::Platform bundle;
};

FaultyPlatform::FaultyPlatform(const platform::Platform& inner, FaultPlan& plan)
    : parts_(std::make_unique<Parts>(inner, plan)) {}

FaultyPlatform::~FaultyPlatform() = default;

platform::Platform& FaultyPlatform::platform() { return parts_->bundle; }

}  // namespace sim
