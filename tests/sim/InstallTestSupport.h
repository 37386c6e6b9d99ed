#pragma once
// A simulated machine with the demo package unpacked and the installer running, and the few
// things a test of an installation does: choose a model and a connection kind, press install.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>

#include "catalogue/ModelCatalogue.h"
#include "platform/WinConstants.h"
#include "tests/sim/InstallerHarness.h"

inline const std::string kDriverDir64 = "C:\\Windows\\system32\\spool\\drivers\\x64";
inline const std::string kDriverDir32 = "C:\\Windows\\system32\\spool\\drivers\\w32x86";
inline const std::string kPrintersKey = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
inline const std::string kOnlineKey =
    "HKLM\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\Print\\Printers\\";
inline const std::string kWindowsKey = "HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
inline const std::string kMonitorDll64 = sim::peDllImage(sim::PeMachine::Amd64, "monitor");
inline const std::string kMonitorDll32 = sim::peDllImage(sim::PeMachine::I386, "monitor");
inline const std::string kPortsKey = "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";

class InstallFixture {
public:
    // `prepare` runs before the installer starts: ports, devices, services, version.
    explicit InstallFixture(const std::function<void(sim::SimMachine&)>& prepare = {}) {
        machine.files.setCurrentDirectory("C:\\Demo");
        std::ifstream in(DEMO_PACKAGE_ARCHIVE, std::ios::binary);
        machine.files.writeFile("C:\\Demo\\DriverData.Drv",
                                std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
        machine.registry.setString(kWindowsKey, "Device", "Old Printer,winspool,LPT1:");
        // Line settings another program left: the serial follow-up must write its own.
        machine.registry.setString(kPortsKey, "COM1:", "115200,e,7,2");
        if (prepare) prepare(machine);
        run = std::make_unique<InstallerRun>(machine);
        EXPECT_TRUE(run->waitForStartup());
        // Small stand-ins for the demo's monitor DLLs, which the spooler loads only for its
        // own bitness.
        machine.files.writeFile("C:\\Barcode\\x64\\tvkMon64.dll", kMonitorDll64);
        machine.files.writeFile("C:\\Barcode\\x86\\tvkMonNT.dll", kMonitorDll32);
    }

    // Chooses the display name and the connection kind and presses install; returns when the
    // installation has ended (message boxes are answered as scripted).
    void install(const std::string& displayName, int kind, std::vector<int> answers = {}) {
        machine.ui.answerMessageBoxes(std::move(answers));
        run->onWindow([&](MainDialog&, sim::SimDialog& window) {
            const auto& items = window.control(IDC_MODEL_COMBO).items;
            const auto it = std::find(items.begin(), items.end(), displayName);
            ASSERT_NE(it, items.end()) << displayName;
            window.userSelectCombo(IDC_MODEL_COMBO, static_cast<int>(it - items.begin()));
            window.userSelectListRow(IDC_CONNECTION_LIST, kind);
            window.userClick(IDC_INSTALL);
        });
    }
    void press() {
        run->onWindow([](MainDialog&, sim::SimDialog& window) { window.userClick(IDC_INSTALL); });
    }
    void typePrinterName(const std::string& name) {
        run->onWindow([&](MainDialog&, sim::SimDialog& window) { window.userType(IDC_PRINTER_NAME, name); });
    }
    void uncheckDefault() {
        run->onWindow([](MainDialog&, sim::SimDialog& window) { window.userClick(IDC_SET_DEFAULT); });
    }

    // The main window's state, read on the window thread or after it has ended.
    sim::SimControl control(int id) {
        sim::SimControl copy;
        if (!machine.ui.asUser([&](sim::SimDialog& window) { copy = window.control(id); })) {
            copy = machine.ui.dialogs().front()->control(id);
        }
        return copy;
    }
    bool statusShown(const std::string& text) {
        const auto history = control(IDC_STATUS).textHistory;
        return std::find(history.begin(), history.end(), text) != history.end();
    }
    std::string registryText(const std::string& key, const std::string& name) {
        platform::RegValue value;
        return machine.registry.value(key, name, value) ? platform::regSzText(value.data) : "<none>";
    }
    int onlineFlag(const std::string& printer) {
        platform::RegValue value;
        if (!machine.registry.value(kOnlineKey + printer, "PrinterOnLine", value) || value.data.empty()) return -1;
        return static_cast<unsigned char>(value.data[0]);
    }
    std::vector<std::string> boxTexts() {
        std::vector<std::string> texts;
        for (const auto& box : machine.ui.messageBoxes()) texts.push_back(box.text);
        return texts;
    }

    sim::SimMachine machine;
    std::unique_ptr<InstallerRun> run;
};
