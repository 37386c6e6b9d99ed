// Platform operations failed one at a time: each flow is run once to learn the calls it
// makes, then once more per call with that call failing, the whole run through (start-up,
// model and connection chosen, install pressed, boxes answered with their default button,
// window closed). However the run goes, the program must not crash or hang, must leave the
// window usable, must say nothing it does not mean to say, must report no failure as
// success, must close what it opens, must touch nothing on the machine but its own places, and
// must leave the user's own files in those places as they were.
// Loops are sampled and closing is walked once (see callsToFail and the walk below); with
// FAULT_WALK=full in the environment every call of every flow fails in turn.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "tests/sim/InstallTestSupport.h"

namespace {

const std::string kReceipt = "热敏小票打印机 R58-A";
const std::string kLabel = "热敏标签打印机 L108-A";
const std::string kTcpip = sim::SimSpooler::kTcpipMonitor;

struct Flow {
    std::string name;
    std::string model;  // empty: the installer is started and closed, nothing more
    int kind = PORT_KIND_SERIAL;
    // The machine before the installer starts: ports and devices.
    std::function<void(sim::SimMachine&)> prepare;
    // What the user will do in the dialogs of one press of the install button.
    std::function<void(sim::SimMachine&)> answers = [](sim::SimMachine&) {};
};

void PrintTo(const Flow& flow, std::ostream* out) { *out << flow.name; }

// COM1:, LPT1: and FILE:, COM1 in the serial device map.
void defaultPorts(sim::SimMachine& m) { m.installDefaultPorts(); }

void usbPrinterOnLine(sim::SimMachine& m) {
    m.installDefaultPorts();
    m.spooler.addPort("USB001", "Virtual printer port for USB", "USB Monitor");
    m.spooler.attachDevice("USB001", true);
}

void threeLptPorts(sim::SimMachine& m) {
    m.installDefaultPorts();
    m.spooler.addPort("LPT2:");
    m.spooler.addPort("LPT3:");
}

void twoTcpipPorts(sim::SimMachine& m) {
    m.installDefaultPorts();
    m.spooler.addPort("IP_10.0.0.2", kTcpip, kTcpip);
    m.spooler.addPort("IP_10.0.0.3", kTcpip, kTcpip);
}

// The last port of the list, then OK; a dialog that stays open (it has no port to offer) is
// cancelled, as a user would.
void chooseLastPort(sim::SimDialog& dialog) {
    dialog.userSelectListRow(IDC_PORT_LIST, static_cast<int>(dialog.control(IDC_PORT_LIST).rows.size()) - 1);
    dialog.userClick(IDC_PORT_OK);
    if (!dialog.ended()) dialog.userClick(IDC_PORT_CANCEL);
}

void lastPortInDialog(sim::SimMachine& m) {
    m.ui.scriptDialog(IDD_LPT_PORT_DIALOG, chooseLastPort);
    m.ui.scriptDialog(IDD_TCPIP_PORT_DIALOG, chooseLastPort);
}

void wizardMakesPort(sim::SimMachine& m) {
    lastPortInDialog(m);
    m.spooler.answerMonitorDialogs({{true, "IP_10.0.0.7"}});
}

std::vector<Flow> allFlows() {
    std::vector<Flow> flows{{"StartAndClose", "", PORT_KIND_SERIAL, defaultPorts}};
    for (const auto& [modelName, model] : {std::pair{"Receipt", kReceipt}, std::pair{"Label", kLabel}}) {
        const std::string prefix = modelName;
        flows.push_back({prefix + "Serial", model, PORT_KIND_SERIAL, defaultPorts});
        flows.push_back({prefix + "Usb", model, PORT_KIND_USB, usbPrinterOnLine});
        flows.push_back({prefix + "OneLpt", model, PORT_KIND_PARALLEL, defaultPorts});
        flows.push_back({prefix + "ThreeLpt", model, PORT_KIND_PARALLEL, threeLptPorts, lastPortInDialog});
        flows.push_back({prefix + "TcpipDialog", model, PORT_KIND_TCPIP, twoTcpipPorts, lastPortInDialog});
        flows.push_back({prefix + "TcpipWizard", model, PORT_KIND_TCPIP, defaultPorts, wizardMakesPort});
    }
    return flows;
}

// The error each operation fails with: the one it most plausibly meets on a real machine.
long representativeError(const std::string& operation) {
    if (operation.rfind("Spooler.enumP", 0) == 0 || operation == "Spooler.printerDriverDirectory") {
        return 1722;  // RPC_S_SERVER_UNAVAILABLE: the spooler went away
    }
    if (operation == "FileSystem.deleteFile" || operation == "FileSystem.removeDirectory") {
        return win::ERROR_SHARING_VIOLATION;  // a scanner or an open window holds it
    }
    return win::ERROR_ACCESS_DENIED;
}

const std::string kRegistryWriteFailed = "错误：无法设置有关的注册表信息";

std::vector<std::string> boxTexts(sim::SimMachine& machine) {
    std::vector<std::string> texts;
    for (const auto& box : machine.ui.messageBoxes()) texts.push_back(box.text);
    return texts;
}

// `prefix`, an error number, `suffix`. An error number of 0 would be a failure that never
// happened. (No regular expression: a double-byte character may hold a metacharacter's byte.)
bool numberedText(const std::string& text, const std::string& prefix, const std::string& suffix) {
    if (text.size() <= prefix.size() + suffix.size() || text.compare(0, prefix.size(), prefix) != 0 ||
        text.compare(text.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return false;
    }
    const std::string number = text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
    return number[0] != '0' && std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Every text the program puts in a message box.
bool knownBoxText(const std::string& text) {
    static const std::vector<std::string> fixed{
        "无法确定服务状态",
        "服务 Spooler 未能启动",
        "服务 Spooler 未能停止",
        "添加监视器出错\r\n",
        "PC机无可用串行端口,请选择其他端口重新安装",
        "系统缺少必要文件,请修复系统再安装",
        kRegistryWriteFailed,
        "新建的端口不是标准TCP/IP端口,安装已取消。",
        "PC机无可用并行端口。\r\n\r\n请选择其他端口类型。",
        "读取注册表失败",
        "自动选择USB端口失败，请检查打印机USB端口是否连接！\r\n\r\n点击重试：重新检测并选择可用USB端口\r\n"
        "点击取消：忽略，安装完成后手动配置打印机端口",
        "Failed to configure printer port.\r\nThe request is not supported.",
        "Failed to configure printer port.\r\nA hardware error occurred. ",
        "Failed to delete port.The request is not supported.",
        "There is no available TCP/IP port\r\nClick \"Add port\" to create a new port",
    };
    return std::find(fixed.begin(), fixed.end(), text) != fixed.end() ||
           numberedText(text, "添加驱动失败 ", "\r\n\r\n点击重试：可重新安装\r\n点击取消：退出安装程序") ||
           numberedText(text, "Error AddPrinter ", "");
}

// The button a box gets when the user just presses Enter: its first one. A retry that keeps
// failing is given up after a few rounds, as a user would.
class DefaultButtons {
public:
    int operator()(const std::string&, unsigned type) {
        switch (type & win::MB_TYPEMASK) {
            case win::MB_RETRYCANCEL: return ++retries_ <= kRetries ? win::IDRETRY : win::IDCANCEL;
            case win::MB_YESNO: return win::IDYES;
            default: return win::IDOK;
        }
    }

private:
    static constexpr int kRetries = 3;
    int retries_ = 0;
};

// Where the program may leave its marks: its own folders and catalogue, the spooler's driver
// folders and the monitor DLL in the system folder; the spooler's printer records, the serial
// port settings and the default printer. The package it was started from is not among them.
const std::vector<std::string> kFilePlaces{
    "c:\\ticket",
    "c:\\barcode",
    "c:\\drivername.cfg",
    "c:\\windows\\system32\\spool\\drivers",
    "c:\\windows\\system32\\tvkmonnt.dll",  // 32-bit Windows
    "c:\\windows\\syswow64\\tvkmon64.dll",  // 64-bit Windows
};
const std::vector<std::string> kRegistryPlaces{
    "hklm\\system\\controlset001\\control\\print",
    "hklm\\software\\microsoft\\windows nt\\currentversion\\print\\printers",
    "hklm\\software\\microsoft\\windows nt\\currentversion\\ports",
    "hklm\\system\\controlset001\\hardware profiles\\current\\system\\currentcontrolset\\control\\print\\printers",
    "hkcu\\software\\microsoft\\windows nt\\currentversion\\windows|device",
};

std::string folded(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool below(const std::string& path, const std::string& place) {
    return path.size() > place.size() && path.compare(0, place.size(), place) == 0 &&
           (path[place.size()] == '\\' || path[place.size()] == '|');
}

// The entries that differ between two snapshots and lie outside every place. A folder or key
// on the way to a place may be created: the place cannot exist without it.
std::vector<std::string> strayChanges(const std::map<std::string, std::string>& before,
                                      const std::map<std::string, std::string>& after,
                                      const std::vector<std::string>& places) {
    std::vector<std::string> stray;
    auto check = [&](const std::string& path, const std::string& marker) {
        const std::string name = folded(path);
        for (const auto& place : places) {
            if (name == place || below(name, place)) return;
            if ((marker == "<folder>" || marker == "<key>") && below(place, name)) return;
        }
        stray.push_back(path);
    };
    for (const auto& [path, content] : after) {
        const auto was = before.find(path);
        if (was == before.end() || was->second != content) check(path, content);
    }
    for (const auto& [path, content] : before) {
        if (after.find(path) == after.end()) check(path, content);
    }
    return stray;
}

// Ends the process when a run takes far longer than any run should: a hang would otherwise
// stall the whole suite with no word of which fault caused it.
class Watchdog {
public:
    explicit Watchdog(std::string what) : what_(std::move(what)), thread_([this] { watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

private:
    void watch() {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, std::chrono::seconds(120), [this] { return done_; })) {
            std::fprintf(stderr, "hang: %s\n", what_.c_str());
            std::abort();
        }
    }
    std::string what_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = false;
    std::thread thread_;
};

const std::string& demoPackage() {
    static const std::string bytes = [] {
        std::ifstream in(DEMO_PACKAGE_ARCHIVE, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }();
    return bytes;
}

struct Fault {
    std::size_t call = 0;  // 0: none
    std::string operation;
    long error = 0;
};

// What a clean run leaves: the operations it made, how many of them came before the install
// button was pressed and before the window was closed, and the driver of the printer it created.
struct CleanRun {
    std::vector<std::string> operations;
    std::size_t beforePress = 0;
    std::size_t beforeClose = 0;
    std::string driver;
};

enum class Press { Impossible, InstallerEnded, Finished, NotFinished };

// One run of the flow on a fresh machine, with the fault (if any) injected. Every property
// that must hold after any run is checked here; a faulty run is held to what the clean run did.
CleanRun runFlow(const Flow& flow, const Fault& fault, const CleanRun& clean = {}) {
    // Checks made on the window thread do not see a trace of this one, so they name it too.
    const std::string where = flow.name + (fault.call == 0 ? std::string(", no fault")
                                                           : ", call " + std::to_string(fault.call) + " " +
                                                                 fault.operation + " fails with " +
                                                                 std::to_string(fault.error));
    SCOPED_TRACE(where);
    Watchdog watchdog(where);
    sim::SimMachine machine;
    machine.files.setCurrentDirectory("C:\\Demo");
    machine.files.writeFile("C:\\Demo\\DriverData.Drv", demoPackage());
    machine.registry.setString(kWindowsKey, "Device", "Old Printer,winspool,LPT1:");
    machine.registry.setString(kPortsKey, "COM1:", "9600,n,8,1");
    flow.prepare(machine);
    // The user's own files in the program's places: no fault may make them look unpacked.
    const std::map<std::string, std::string> ownFiles{{"C:\\Ticket\\Reports\\day.txt", "ticket 1"},
                                                      {"C:\\Barcode\\labels.txt", "label 1"}};
    for (const auto& [path, content] : ownFiles) machine.files.writeFile(path, content);
    machine.ui.answerRemainingMessageBoxesBy(DefaultButtons());
    if (fault.call != 0) machine.faults.failCall(fault.call, fault.error);
    const auto filesBefore = machine.files.snapshot();
    const auto registryBefore = machine.registry.snapshot();

    CleanRun result;
    {
        InstallerRun run(machine);
        EXPECT_TRUE(run.waitForStartup());
        // Small stand-ins for the demo's monitor DLLs, which the spooler loads only for its
        // own bitness.
        machine.files.writeFile("C:\\Barcode\\x64\\tvkMon64.dll", sim::peDllImage(sim::PeMachine::Amd64, "monitor"));
        machine.files.writeFile("C:\\Barcode\\x86\\tvkMonNT.dll", sim::peDllImage(sim::PeMachine::I386, "monitor"));
        result.beforePress = machine.faults.operations().size();

        // Chooses the model and the kind, presses install and checks the window it leaves.
        auto press = [&] {
            Press outcome = Press::Impossible;
            flow.answers(machine);
            run.onWindow([&](MainDialog&, sim::SimDialog& window) {
                const auto& items = window.control(IDC_MODEL_COMBO).items;
                const auto it = std::find(items.begin(), items.end(), flow.model);
                // A catalogue that could not be read offers nothing to install.
                if (it == items.end()) return;
                window.userSelectCombo(IDC_MODEL_COMBO, static_cast<int>(it - items.begin()));
                window.userSelectListRow(IDC_CONNECTION_LIST, flow.kind);
                // The button may rightly be disabled (no catalogue row behind the name).
                if (!window.control(IDC_INSTALL).enabled) return;
                window.userClick(IDC_INSTALL);
                // The program may end the installer itself (a box's Cancel); otherwise the
                // user must be able to go on.
                if (window.ended()) {
                    outcome = Press::InstallerEnded;
                    return;
                }
                const sim::SimControl& button = window.control(IDC_INSTALL);
                EXPECT_TRUE(button.enabled) << where << ": " << button.text;
                EXPECT_TRUE(button.text == "安装" || button.text == "重新安装" || button.text == "完成")
                    << where << ": " << button.text;
                EXPECT_TRUE(window.windowEnabled()) << where;
                outcome = button.text == "完成" ? Press::Finished : Press::NotFinished;
            });
            if (outcome != Press::Finished) return outcome;
            const auto printers = machine.spooler.printers();
            const auto printer = std::find_if(printers.begin(), printers.end(),
                                              [&](const auto& p) { return p.name == flow.model; });
            if (printer == printers.end()) {
                ADD_FAILURE() << "finished without the printer";
                return outcome;
            }
            result.driver = printer->driver;
            if (fault.call != 0) {
                EXPECT_EQ(printer->driver, clean.driver) << "finished with another driver";
            }
            // "设置打印机…为默认打印机" was shown: it must be so, or the user must have been told.
            platform::RegValue device;
            const bool isDefault = machine.registry.value(kWindowsKey, "Device", device) &&
                                   platform::regSzText(device.data).rfind(flow.model + ",winspool,", 0) == 0;
            const auto texts = boxTexts(machine);
            EXPECT_TRUE(isDefault || std::find(texts.begin(), texts.end(), kRegistryWriteFailed) != texts.end())
                << "the default printer was neither set nor reported";
            return outcome;
        };

        if (!flow.model.empty()) {
            const Press first = press();
            if (fault.call == 0) {
                EXPECT_EQ(first, Press::Finished) << "a clean run must install";
            } else if (first == Press::NotFinished && fault.call > clean.beforePress &&
                       fault.operation != "Spooler.enumPorts") {
                // The fault has passed and left the window ready: the next press installs. A
                // failed port enumeration is the exception: it counts as a machine without
                // ports until the inventory is next taken, which a press need not do.
                EXPECT_EQ(press(), Press::Finished) << "a second press after the fault did not install";
            }
        }
        result.beforeClose = machine.faults.operations().size();
        run.close();
    }

    EXPECT_EQ(machine.ui.callsAfterDestroy(), 0);
    for (const auto& box : machine.ui.messageBoxes()) EXPECT_TRUE(knownBoxText(box.text)) << box.text;
    if (fault.call == 0) {
        EXPECT_TRUE(machine.ui.messageBoxes().empty());
    }
    EXPECT_EQ(machine.spooler.openPrinterHandles(), 0);
    EXPECT_EQ(machine.services.openHandles(), 0);
    EXPECT_EQ(machine.registry.openHandles(), 0u);
    EXPECT_EQ(machine.files.openSearches(), 0);
    EXPECT_EQ(machine.archives.loadedNow(), 0);
    for (const auto& path : strayChanges(filesBefore, machine.files.snapshot(), kFilePlaces)) {
        ADD_FAILURE() << "touched " << path;
    }
    for (const auto& [path, content] : ownFiles) EXPECT_EQ(machine.files.readFile(path), content) << path;
    for (const auto& path : strayChanges(registryBefore, machine.registry.snapshot(), kRegistryPlaces)) {
        ADD_FAILURE() << "touched " << path;
    }

    if (fault.call != 0) {
        // The runs are deterministic up to the fault, so it meets the call the clean run made.
        const auto injected = machine.faults.injected();
        EXPECT_EQ(injected.size(), 1u);
        if (!injected.empty()) {
            EXPECT_EQ(injected[0].name, fault.operation);
        }
    }
    result.operations = machine.faults.operations();
    return result;
}

bool everyCall() {
    const char* mode = std::getenv("FAULT_WALK");
    return mode != nullptr && std::string(mode) == "full";
}

// The calls to fail among the first `count`. In a long run of one repeated unit of calls (a
// loop over files or catalogue names) only the first two rounds and the last are taken: the
// rounds between fail the same way. FAULT_WALK=full in the environment takes every call.
std::vector<std::size_t> callsToFail(std::vector<std::string> operations, std::size_t count) {
    operations.resize(count);
    std::vector<std::size_t> calls;
    for (std::size_t i = 0; i < operations.size();) {
        std::size_t taken = 1;
        for (std::size_t period = 1; period <= 2 && taken == 1 && !everyCall(); ++period) {
            const auto unit = operations.begin() + static_cast<std::ptrdiff_t>(i);
            std::size_t rounds = 1;
            while (i + (rounds + 1) * period <= operations.size() &&
                   std::equal(unit, unit + static_cast<std::ptrdiff_t>(period),
                              unit + static_cast<std::ptrdiff_t>(rounds * period))) {
                ++rounds;
            }
            if (rounds < 4) continue;
            for (std::size_t c = i; c < i + 2 * period; ++c) calls.push_back(c + 1);
            for (std::size_t c = i + (rounds - 1) * period; c < i + rounds * period; ++c) calls.push_back(c + 1);
            taken = rounds * period;
        }
        if (taken == 1) calls.push_back(i + 1);
        i += taken;
    }
    return calls;
}

struct WalkTotals {
    int flows = 0;
    std::size_t operations = 0;
    std::size_t faults = 0;
};
WalkTotals totals;

class FaultWalk : public ::testing::TestWithParam<Flow> {};

TEST_P(FaultWalk, OperationsFailedOneAtATime) {
    const Flow& flow = GetParam();
    const auto started = std::chrono::steady_clock::now();
    const CleanRun clean = runFlow(flow, {});
    ASSERT_FALSE(HasFailure()) << "the flow must run cleanly before faults are injected";
    // Closing removes the unpacked package, the same tree whatever was installed: the flow
    // that installs nothing walks its faults for all.
    const bool walkClosing = flow.model.empty() || everyCall();
    const std::vector<std::size_t> calls =
        callsToFail(clean.operations, walkClosing ? clean.operations.size() : clean.beforeClose);
    for (const std::size_t call : calls) {
        const std::string& operation = clean.operations[call - 1];
        runFlow(flow, {call, operation, representativeError(operation)}, clean);
    }
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ++totals.flows;
    totals.operations += clean.operations.size();
    totals.faults += calls.size();
    std::printf("[fault walk] %s: %zu operations, %zu of them failed one at a time (%.1f s)\n", flow.name.c_str(),
                clean.operations.size(), calls.size(), seconds);
}

INSTANTIATE_TEST_SUITE_P(Flows, FaultWalk, ::testing::ValuesIn(allFlows()),
                         [](const ::testing::TestParamInfo<Flow>& flow) { return flow.param.name; });

// Single faults whose handling the walk once found wrong, named by operation.
TEST(SingleFault, AnUnknownDriverFolderStopsBeforeAnyFileIsStaged) {
    for (const std::string& model : {kReceipt, kLabel}) {
        SCOPED_TRACE(model);
        InstallFixture f([](sim::SimMachine& m) {
            m.installDefaultPorts();
            m.faults.failCall("Spooler.printerDriverDirectory", 1, 1722);
        });
        f.install(model, PORT_KIND_SERIAL, {win::IDRETRY});
        EXPECT_EQ(f.boxTexts(),
                  std::vector<std::string>{"添加驱动失败 1722\r\n\r\n点击重试：可重新安装\r\n点击取消：退出安装程序"});
        EXPECT_EQ(f.control(IDC_INSTALL).text, "重新安装");
        for (const auto& [path, content] : f.machine.files.snapshot()) {
            const bool inRoot = std::count(path.begin(), path.end(), '\\') == 1;
            EXPECT_FALSE(inRoot && content != "<folder>" && path != "C:\\DriverName.cfg")
                << "staged into the root: " << path;
        }
        // The fault has passed: the next press installs.
        f.press();
        EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
    }
}

TEST(SingleFault, WithoutTheSystemFolderNoMonitorIsCopiedOrRegistered) {
    InstallFixture f([](sim::SimMachine& m) {
        m.installDefaultPorts();
        m.system.setWow64(false);
        m.faults.failCall("SystemInfo.systemDirectory", 1, win::ERROR_ACCESS_DENIED);
    });
    f.install(kLabel, PORT_KIND_SERIAL);
    EXPECT_EQ(f.boxTexts(), std::vector<std::string>{"添加监视器出错\r\n"});
    EXPECT_FALSE(f.machine.files.exists("C:\\tvkMonNT.dll"));
    EXPECT_FALSE(f.machine.spooler.hasMonitor("Advanced Language Monitor"));
    EXPECT_EQ(f.run->close(), win::IDOK) << "the installer ends itself";
}

TEST(SingleFault, ACatalogueUnreadableAtThePressInstallsNoOtherModel) {
    // The first read fills the drop-down; the second, at the press, fails.
    for (const char* operation : {"ProfileReader.sectionNames", "ProfileReader.getString"}) {
        SCOPED_TRACE(operation);
        InstallFixture f([&](sim::SimMachine& m) {
            m.installDefaultPorts();
            m.faults.failCall(operation, std::string(operation) == "ProfileReader.sectionNames" ? 2 : 91,
                              win::ERROR_ACCESS_DENIED);
        });
        f.install(kReceipt, PORT_KIND_SERIAL);
        EXPECT_EQ(f.machine.faults.injected().size(), 1u);
        EXPECT_TRUE(f.machine.spooler.printers().empty());
        EXPECT_TRUE(f.control(IDC_INSTALL).enabled);
        EXPECT_EQ(f.control(IDC_INSTALL).text, "安装");
    }
}

TEST(SingleFault, ADefaultPrinterKeyThatCannotBeOpenedIsReported) {
    InstallFixture f(defaultPorts);
    f.machine.registry.failKey(kWindowsKey, win::ERROR_ACCESS_DENIED);
    f.install(kReceipt, PORT_KIND_SERIAL);
    EXPECT_EQ(f.boxTexts(), std::vector<std::string>{kRegistryWriteFailed});
    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
}

class WalkReport : public ::testing::Environment {
public:
    void TearDown() override {
        if (totals.flows == 0) return;
        std::printf("[fault walk] %d flows, %zu operations, %zu faults injected\n", totals.flows, totals.operations,
                    totals.faults);
    }
};
const auto* const kReport = ::testing::AddGlobalTestEnvironment(new WalkReport);

}  // namespace
