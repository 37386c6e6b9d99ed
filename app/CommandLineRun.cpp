#include "app/CommandLineRun.h"

#include <algorithm>
#include <functional>

#include "app/CallLog.h"
#include "app/ExitCodes.h"
#include "app/InstallerApp.h"
#include "app/MainDialog.h"
#include "app/RuleUi.h"
#include "app/RunLog.h"
#include "install/DriverStaging.h"
#include "install/SpoolerService.h"
#include "platform/WinConstants.h"
#include "resources/resource.h"

namespace {

const StringList& portsOfKind(const PortInventory& inventory, std::int32_t kind) {
    switch (kind) {
        case PORT_KIND_USB: return inventory.usbPorts;
        case PORT_KIND_PARALLEL: return inventory.lptPorts;
        case PORT_KIND_TCPIP: return inventory.tcpipPorts;
        default: return inventory.serialPorts;
    }
}

const char* kindName(std::int32_t kind) {
    switch (kind) {
        case PORT_KIND_USB: return "USB";
        case PORT_KIND_PARALLEL: return "LPT";
        case PORT_KIND_TCPIP: return "TCPIP";
        default: return "COM";
    }
}

// The entry of `list` that is `name` to the spooler, in the list's spelling; empty when none is.
std::string listedAs(const StringList& list, const std::string& name) {
    for (const auto& entry : list) {
        if (sameSpoolerName(entry, name)) return entry;
    }
    return {};
}

// The port the spooler has the printer on now; empty when it has no such printer.
std::string portOfPrinter(MainDialog& dialog, const std::string& printerName) {
    StringList names;
    StringList ports;
    dialog.listPrinters(names, ports);
    const auto found = std::find(names.begin(), names.end(), printerName);
    return found != names.end() ? ports[static_cast<std::size_t>(found - names.begin())] : std::string();
}

// False, with the reason in the log, when the start-up unpacked no package: the drop-down then
// holds its prompt alone.
bool packageUnpacked(platform::DialogWindow& window, platform::FileSystem& files, RunLog& log) {
    if (window.comboCount(IDC_MODEL_COMBO) > 1 ||
        files.fileAttributes("C:\\DriverName.cfg") != platform::INVALID_FILE_ATTRIBUTES_VALUE) {
        return true;
    }
    log.write("the driver package DriverData.Drv was not unpacked");
    return false;
}

// The standard TCP/IP port for /host, once the start-up has the spooler running: the one
// EnumPorts lists under that name, or a new one. Then the port lists are taken again so that
// the TCP/IP port dialog and the inventory see it. EXIT_OK, or EXIT_NO_PORT when there is no
// such port to take.
int settleHostPort(MainDialog& dialog, platform::Spooler& spooler, const CommandLine& command, RunLog& log) {
    std::vector<platform::PortInfo2> ports;
    if (spooler.enumPorts(ports) != 0) {
        log.write("the spooler's ports could not be listed; no TCP/IP port for " + command.host);
        return EXIT_NO_PORT;
    }
    std::string portName = standardTcpipPortName(command.host);
    const auto listed = std::find_if(ports.begin(), ports.end(), [&](const platform::PortInfo2& port) {
        return sameSpoolerName(port.portName, portName);
    });
    if (listed != ports.end()) {
        // Taken as it is: its address and port number are the ones it was made with.
        portName = listed->portName;
        log.write("reusing the TCP/IP port " + portName);
    } else {
        const long error = spooler.addStandardTcpipPort(portName, command.host, static_cast<std::uint32_t>(command.portNumber));
        if (error != 0) {
            log.write("the TCP/IP port " + portName + " could not be created: error " + std::to_string(error));
            return EXIT_NO_PORT;
        }
        log.write("created the TCP/IP port " + portName + " for " + command.host + ", port number " +
                  std::to_string(command.portNumber));
    }
    dialog.refreshPortInventoryKeepingKind();
    if (listedAs(dialog.inventory.tcpipPorts, portName).empty()) {
        // Its description is not a standard TCP/IP port's: the TCP/IP port dialog would not offer it.
        log.write("the port " + portName + " is not a standard TCP/IP port");
        return EXIT_NO_PORT;
    }
    dialog.requiredPort = portName;
    return EXIT_OK;
}

// The window's part of an installation, on the dialog's thread once the start-up has ended:
// the choices the command line makes, then the install button.
int installThroughWindow(MainDialog& dialog, platform::DialogWindow& window, RuleUi& ui, const CommandLine& command,
                         platform::Platform& platform, RunLog& log) {
    if (!packageUnpacked(window, platform.files, log)) return EXIT_PACKAGE_MISSING;
    const int count = window.comboCount(IDC_MODEL_COMBO);
    // Position 0 is the prompt.
    int row = -1;
    for (int i = 1; i < count && row < 0; ++i) {
        if (window.comboItemText(IDC_MODEL_COMBO, i) == command.model) row = i;
    }
    if (row < 0) {
        log.write("the package lists no model \"" + command.model + "\"");
        return EXIT_UNKNOWN_MODEL;
    }

    if (!command.host.empty()) {
        if (const int code = settleHostPort(dialog, platform.spooler, command, log); code != EXIT_OK) return code;
    }

    std::int32_t kind = PORT_KIND_SERIAL;
    if (command.portKind) {
        kind = *command.portKind;
        if (portsOfKind(dialog.inventory, kind).empty()) {
            log.write(std::string("the machine has no port of the kind ") + kindName(kind));
            return EXIT_NO_PORT;
        }
    } else {
        bool found = false;
        for (std::int32_t k : {PORT_KIND_SERIAL, PORT_KIND_USB, PORT_KIND_PARALLEL, PORT_KIND_TCPIP}) {
            if (const std::string listed = listedAs(portsOfKind(dialog.inventory, k), command.portName);
                !listed.empty()) {
                kind = k;
                found = true;
                dialog.requiredPort = listed;
                break;
            }
        }
        if (!found) {
            log.write("the machine has no port " + command.portName);
            return EXIT_NO_PORT;
        }
    }

    window.comboSetCurSel(IDC_MODEL_COMBO, row);
    dialog.onCommand(IDC_MODEL_COMBO, win::CBN_SELCHANGE);
    if (!command.printerName.empty()) {
        window.setItemText(IDC_PRINTER_NAME, command.printerName);
        dialog.labelPrinterName = command.printerName;
    }
    if (command.noDefault) window.setButtonCheck(IDC_SET_DEFAULT, 0);
    window.listSetItemState(IDC_CONNECTION_LIST, kind, win::LVIS_SELECTED | win::LVIS_FOCUSED,
                            win::LVIS_SELECTED | win::LVIS_FOCUSED);
    const std::string where = !command.host.empty() ? dialog.requiredPort
                              : command.portKind    ? std::string(kindName(kind))
                                                    : command.portName;
    log.write("installing \"" + command.model + "\" on " + where);

    dialog.onCommand(IDC_INSTALL, win::BN_CLICKED);

    const std::string caption = window.itemText(IDC_INSTALL);
    if (!dialog.installedPrinterName.empty()) {
        const std::string port = portOfPrinter(dialog, dialog.installedPrinterName);
        log.write("printer \"" + dialog.installedPrinterName + "\" on port " + (port.empty() ? "(none)" : port));
    }
    if (const int failure = ui.failureCode(); failure != EXIT_OK) return failure;
    return caption == "完成" ? EXIT_OK : EXIT_INSTALL_FAILED;
}

// The machine as a command-line run drives it: answered by rule, failed calls logged.
class RunMachine {
public:
    RunMachine(platform::Platform& platform, RunLog& log, AnswerRules rules)
        : ui(platform.ui, log, std::move(rules)),
          registry_(platform.registry, log),
          spooler_(platform.spooler, log),
          services_(platform.services, log),
          platform_{registry_,         spooler_,  platform.threads, ui, platform.files,
                    platform.profiles, services_, platform.system,  platform.archives} {}
    RunMachine(const RunMachine&) = delete;
    RunMachine& operator=(const RunMachine&) = delete;

    platform::Platform& platform() { return platform_; }
    RuleUi ui;

private:
    LoggingRegistry registry_;
    LoggingSpooler spooler_;
    LoggingServices services_;
    platform::Platform platform_;
};

// Runs the main dialog without a window: its start-up (spooler, ports, unpacking, model list,
// system), then `work` on the dialog's thread, then the close and its clean-up. The exit code
// `work` gives, or the spooler's when it would not start.
int runMainDialog(RunMachine& machine, RunLog& log,
                  const std::function<int(MainDialog&, platform::DialogWindow&)>& work) {
    platform::Platform& quiet = machine.platform();
    RuleUi& ui = machine.ui;
    InstallerApp app(quiet);
    MainDialog dialog(quiet, app.updateDataMessage());
    int exitCode = EXIT_INSTALL_FAILED;
    ui.scriptMainDialog([&] { return dialog.startupDone(); },
                        [&](platform::DialogWindow&) {
                            // A spooler that would not start was reported while the start-up ran.
                            exitCode = ui.failureCode() == EXIT_SPOOLER_NOT_RUNNING ? EXIT_SPOOLER_NOT_RUNNING
                                                                                    : work(dialog, dialog.window());
                            // The close ends the run, whatever ended the dialog before.
                            dialog.onClose();
                        });
    if (dialog.doModal() < 0) {
        log.write("the installer's dialog could not be created");
        return EXIT_INSTALL_FAILED;
    }
    return exitCode;
}

int runInstall(platform::Platform& platform, const CommandLine& command, RunLog& log) {
    // With /host the TCP/IP port dialog is answered with that address's port and no other.
    const std::string answerPort = command.host.empty() ? command.portName : standardTcpipPortName(command.host);
    RunMachine machine(platform, log, AnswerRules{answerPort, !command.quiet});
    return runMainDialog(machine, log, [&](MainDialog& dialog, platform::DialogWindow& window) {
        return installThroughWindow(dialog, window, machine.ui, command, machine.platform(), log);
    });
}

// The package's display names and the machine's ports by kind, one a line.
int runList(platform::Platform& platform, RunLog& log) {
    RunMachine machine(platform, log, AnswerRules{});
    StringList lines;
    const int exitCode = runMainDialog(machine, log, [&](MainDialog& dialog, platform::DialogWindow& window) {
        if (!packageUnpacked(window, platform.files, log)) return EXIT_PACKAGE_MISSING;
        // Position 0 is the prompt.
        const int count = window.comboCount(IDC_MODEL_COMBO);
        for (int i = 1; i < count; ++i) lines.push_back("model " + window.comboItemText(IDC_MODEL_COMBO, i));
        for (std::int32_t kind : {PORT_KIND_SERIAL, PORT_KIND_USB, PORT_KIND_PARALLEL, PORT_KIND_TCPIP}) {
            for (const auto& port : portsOfKind(dialog.inventory, kind)) {
                lines.push_back(std::string(kindName(kind)) + " " + port);
            }
        }
        return EXIT_OK;
    });
    std::string listing;
    for (const auto& line : lines) {
        log.write(line);
        listing += line + "\r\n";
    }
    if (!listing.empty() && !platform.ui.writeConsole(listing)) log.write("no console to write the list to");
    return exitCode;
}

const std::string kLanguageMonitor = "Advanced Language Monitor";

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// The driver of a removed printer, deleted when no printer uses it any more, and then the
// language monitor it named when no driver names that any more. Each step says in the log
// what it deleted or what it left, and why.
int removeDriverOf(platform::Spooler& spooler, const std::string& environment, const std::string& driverName,
                   RunLog& log) {
    const std::string driver = "driver " + quoted(driverName);
    const std::string monitor = "monitor " + quoted(kLanguageMonitor);
    std::vector<platform::DriverInfo3> drivers;
    if (spooler.enumPrinterDrivers(environment, drivers) != 0) {
        log.write(driver + " kept: the spooler's drivers could not be listed");
        return EXIT_INSTALL_FAILED;
    }
    const auto names = [](const platform::DriverInfo3& d) { return sameSpoolerName(d.monitorName, kLanguageMonitor); };
    const auto own = std::find_if(drivers.begin(), drivers.end(),
                                  [&](const platform::DriverInfo3& d) { return sameSpoolerName(d.name, driverName); });
    const bool namesMonitor = own != drivers.end() && names(*own);

    // A printer whose deletion waits for its jobs still uses the driver, the removed one too.
    std::vector<platform::PrinterEntry> printers;
    if (spooler.enumPrinters(platform::PRINTER_ENUM_LOCAL_FLAG, printers) != 0) {
        log.write(driver + " kept: the spooler's printers could not be listed");
        return EXIT_INSTALL_FAILED;
    }
    const auto user = std::find_if(printers.begin(), printers.end(),
                                   [&](const platform::PrinterEntry& p) { return sameSpoolerName(p.driverName, driverName); });
    if (user != printers.end()) {
        log.write(driver + " kept: the printer " + quoted(user->printerName) + " uses it");
        if (namesMonitor) log.write(monitor + " kept: the " + driver + " names it");
        return EXIT_OK;
    }
    if (const long error = spooler.deletePrinterDriver(environment, driverName)) {
        log.write(driver + " kept: the spooler refused its deletion (error " + std::to_string(error) + ")");
        if (namesMonitor) log.write(monitor + " kept: the " + driver + " names it");
        return EXIT_DRIVER_REFUSED;
    }
    log.write(driver + " deleted");
    // Only the monitor this driver brought: one no driver of ours named is not ours to judge.
    if (!namesMonitor) return EXIT_OK;

    if (spooler.enumPrinterDrivers(environment, drivers) != 0) {
        log.write(monitor + " kept: the spooler's drivers could not be listed");
        return EXIT_INSTALL_FAILED;
    }
    if (const auto other = std::find_if(drivers.begin(), drivers.end(), names); other != drivers.end()) {
        log.write(monitor + " kept: the driver " + quoted(other->name) + " names it");
        return EXIT_OK;
    }
    const long error = spooler.deleteMonitor(environment, kLanguageMonitor);
    if (error == win::ERROR_UNKNOWN_PRINT_MONITOR) {
        log.write(monitor + " was not registered");
        return EXIT_OK;
    }
    if (error != 0) {
        log.write(monitor + " kept: the spooler refused its deletion (error " + std::to_string(error) + ")");
        return EXIT_DRIVER_REFUSED;
    }
    log.write(monitor + " deleted");
    return EXIT_OK;
}

// Purges and deletes the printer; with /driver also its driver and the language monitor,
// when nothing else needs them.
int runRemove(platform::Platform& platform, const CommandLine& command, RunLog& log) {
    RunMachine machine(platform, log, AnswerRules{});
    platform::Platform& quiet = machine.platform();
    SpoolerService::control(quiet, nullptr, "Spooler", SpoolerService::MODE_ENSURE_RUNNING);
    if (machine.ui.failureCode() != EXIT_OK) return machine.ui.failureCode();

    platform::PrinterHandlePtr printer;
    const long openError =
        quiet.spooler.openPrinter(command.removeName, {"", platform::PRINTER_ALL_ACCESS_RIGHTS}, printer);
    if (openError == win::ERROR_INVALID_PRINTER_NAME || (openError == 0 && printer == nullptr)) {
        log.write("no printer \"" + command.removeName + "\"");
        return EXIT_PRINTER_NOT_FOUND;
    }
    if (openError != 0) return EXIT_INSTALL_FAILED;

    // Learned before the printer goes: afterwards nothing names its driver.
    std::string driverName;
    if (command.removeDriver) {
        std::vector<platform::PrinterEntry> printers;
        quiet.spooler.enumPrinters(platform::PRINTER_ENUM_LOCAL_FLAG, printers);
        const auto found = std::find_if(printers.begin(), printers.end(), [&](const platform::PrinterEntry& p) {
            return sameSpoolerName(p.printerName, command.removeName);
        });
        if (found == printers.end() || found->driverName.empty()) {
            log.write("the driver of the printer \"" + command.removeName + "\" is not known; nothing was removed");
            return EXIT_INSTALL_FAILED;
        }
        driverName = found->driverName;
    }

    // A purge that fails leaves the jobs to the deletion, which then waits for them.
    quiet.spooler.setPrinterCommand(*printer, platform::PRINTER_CONTROL_PURGE_COMMAND);
    if (quiet.spooler.deletePrinter(*printer) != 0) return EXIT_INSTALL_FAILED;
    // Closed before its driver is asked about: no handle of ours may still name the printer
    // whose driver is to go.
    printer.reset();
    log.write("printer \"" + command.removeName + "\" deleted");
    if (!command.removeDriver) return EXIT_OK;

    // The environment the installers registered the driver for.
    std::int32_t wow64 = 0;
    if (quiet.system.hasIsWow64Process()) quiet.system.isWow64Process(wow64);
    return removeDriverOf(quiet.spooler, DriverStaging::environmentFor(wow64 != 0), driverName, log);
}

}  // namespace

int runCommandLine(platform::Platform& platform, const CommandLine& command, const std::string& commandLineText) {
    if (command.action == CommandAction::Window) return EXIT_OK;
    RunLog log(platform.files, platform.system, command.logPath);
    log.write("command line: " + commandLineText);
    int exitCode = EXIT_BAD_COMMAND_LINE;
    switch (command.action) {
        case CommandAction::Window:
            return EXIT_OK;
        case CommandAction::Usage: {
            const std::string text =
                (command.error.empty() ? std::string() : "The command line cannot be understood: " + command.error +
                                                             ".\r\n\r\n") +
                commandLineUsage();
            if (command.quiet) {
                log.write("usage: " + text);
            } else {
                const unsigned icon = command.error.empty() ? win::MB_ICONINFORMATION : win::MB_ICONERROR;
                const int answer = platform.ui.messageBox(nullptr, text, platform.ui.applicationTitle(), win::MB_OK | icon);
                log.write("message box: " + text + " -> " + (answer == win::IDOK ? "OK" : std::to_string(answer)));
            }
            exitCode = EXIT_BAD_COMMAND_LINE;
            break;
        }
        case CommandAction::Install:
            exitCode = runInstall(platform, command, log);
            break;
        case CommandAction::Remove:
            exitCode = runRemove(platform, command, log);
            break;
        case CommandAction::List:
            exitCode = runList(platform, log);
            break;
    }
    log.write("exit code " + std::to_string(exitCode));
    return exitCode;
}
