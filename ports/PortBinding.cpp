// Moving a printer onto another port by rewriting the records the spooler keeps for it; the
// spooler reads them when it starts again.
#include "app/MainDialog.h"
#include "platform/WinConstants.h"

namespace {

struct BindingPlace {
    platform::RegRoot root;
    const char* base;
    const char* suffix;
    const char* valueName;
};

constexpr BindingPlace kPortPlaces[] = {
    {platform::RegRoot::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\", "", "Port"},
    {platform::RegRoot::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\",
     "\\DsSpooler", "portName"},
    {platform::RegRoot::LocalMachine, "SYSTEM\\ControlSet001\\Control\\Print\\Printers\\", "", "Port"},
    {platform::RegRoot::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\", "", "Port"},
};

}  // namespace

void MainDialog::bindPrinterPort(const std::string& printerName, const std::string& portName) {
    platform::Registry& registry = platform_.registry;
    auto reportFailedWrite = [&] { appMessageBox("错误：无法设置有关的注册表信息", win::MB_OK); };

    for (const BindingPlace& place : kPortPlaces) {
        platform::RegKey key;
        if (registry.openKey(registry.rootKey(place.root), place.base + printerName + place.suffix,
                             win::KEY_SET_VALUE, key) != win::ERROR_SUCCESS) {
            continue;
        }
        if (registry.setValue(key, place.valueName, win::REG_SZ, platform::regSz(portName)) != win::ERROR_SUCCESS) {
            reportFailedWrite();
        }
    }

    // Off line until the spooler, restarted, finds the printer answering on its new port.
    platform::RegKey online;
    if (registry.createKey(registry.rootKey(platform::RegRoot::CurrentConfig),
                           "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + printerName,
                           win::KEY_ALL_ACCESS, online) != win::ERROR_SUCCESS) {
        return;
    }
    if (registry.setValue(online, "PrinterOnLine", win::REG_DWORD, std::string(4, '\0')) != win::ERROR_SUCCESS) {
        reportFailedWrite();
    }
}
