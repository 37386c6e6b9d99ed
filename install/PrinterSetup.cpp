#include "install/PrinterSetup.h"

#include <cstdio>

#include "app/MainDialog.h"
#include "install/SpoolerService.h"
#include "platform/WinConstants.h"

namespace {

constexpr long ERROR_UNKNOWN_PORT = 1796;

// The entry a choice code names, or null for a code that names none.
const std::string* chosenEntry(const StringList& ports, int code) {
    const int index = code - CHOICE_BASE;
    if (index < 0 || index >= static_cast<int>(ports.size())) return nullptr;
    return &ports[static_cast<std::size_t>(index)];
}

}  // namespace

bool PrinterSetup::resolvePortChoice() {
    const std::int32_t kind = dialog_.portKind;
    if (kind != PORT_KIND_TCPIP && kind != PORT_KIND_PARALLEL) return true;
    const int code = kind == PORT_KIND_TCPIP ? dialog_.chooseTcpipPort() : dialog_.chooseParallelPort();
    const StringList& ports = kind == PORT_KIND_TCPIP ? dialog_.inventory.tcpipPorts : dialog_.inventory.lptPorts;
    const std::string* port = nullptr;
    if (code == CHOICE_NEW_PORT && kind == PORT_KIND_TCPIP) {
        // The monitor made a port, but one the installer does not count as a standard TCP/IP
        // port (its description is in another language): there is no port to take.
        if (ports.empty()) {
            dialog_.appMessageBox("新建的端口不是标准TCP/IP端口,安装已取消。", win::MB_OK | win::MB_ICONWARNING);
        } else {
            port = &ports.front();
        }
    } else if (code != CHOICE_NONE) {
        port = chosenEntry(ports, code);
    }
    // Cancelled, or a code that names no port: nothing may be installed on a guess.
    if (port == nullptr) {
        dialog_.installButton.enable(true);
        return false;
    }
    dialog_.chosenPort = *port;
    return true;
}

void PrinterSetup::enableLoadDriverPrivilege() { dialog_.platform().system.enableLoadDriverPrivilege(); }

void PrinterSetup::removeOlderPrinter(const std::string& printerName) {
    platform::Spooler& spooler = dialog_.platform().spooler;
    platform::PrinterHandlePtr older;
    if (spooler.openPrinter(printerName, {"RAW", platform::PRINTER_ALL_ACCESS_RIGHTS}, older) != 0 || older == nullptr) return;
    dialog_.showStatus("打印机" + printerName + "已经存在,正在重新添加...");
    spooler.setPrinterCommand(*older, platform::PRINTER_CONTROL_PURGE_COMMAND);
    spooler.deletePrinter(*older);
}

void PrinterSetup::writeDefaultPrinter(const std::string& printerName, const std::string& port) {
    platform::Registry& registry = dialog_.platform().registry;
    platform::RegKey key;
    const std::string device = printerName + ",winspool," + port;
    // The status line goes on to name the new default printer, so a key that cannot be opened
    // is as much a failed write as a value that cannot be set.
    if (registry.openKey(registry.rootKey(platform::RegRoot::CurrentUser),
                         "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", win::KEY_SET_VALUE,
                         key) != win::ERROR_SUCCESS ||
        registry.setValue(key, "Device", win::REG_SZ, platform::regSz(device)) != win::ERROR_SUCCESS) {
        dialog_.appMessageBox("错误：无法设置有关的注册表信息", win::MB_OK);
    }
}

void PrinterSetup::reportCreationFailure(long error, const PrinterSettings& settings) {
    if (error == ERROR_UNKNOWN_PORT) {
        dialog_.messageBox("PC机无可用串行端口,请选择其他端口重新安装", "Prompt", win::MB_OK);
        dialog_.installButton.setText("重新安装");
    } else if (error == win::ERROR_MOD_NOT_FOUND) {
        dialog_.messageBox("系统缺少必要文件,请修复系统再安装", "Prompt", win::MB_OK);
        dialog_.installButton.setText("重新安装");
    } else {
        dialog_.messageBox("Error AddPrinter " + std::to_string(error), settings.errorCaption, win::MB_OK);
    }
    dialog_.installButton.enable(true);
    dialog_.progressBar.setPos(0);
}

void PrinterSetup::createPrinter(const std::string& printerName, const std::string& driverName,
                                 const PrinterSettings& settings) {
    platform::Platform& platform = dialog_.platform();
    const std::int32_t kind = dialog_.portKind;
    const bool noPortOfKind = dialog_.portAvailable == 0;
    const StringList& lptPorts = dialog_.inventory.lptPorts;

    enableLoadDriverPrivilege();
    removeOlderPrinter(printerName);

    // A serial or USB printer without a port of its kind goes to the first parallel port.
    std::string port = dialog_.chosenPort;
    const bool fallBack = noPortOfKind && (kind == PORT_KIND_SERIAL || kind == PORT_KIND_USB);
    if (fallBack) port = lptPorts.empty() ? std::string() : lptPorts.front();

    platform::PrinterInfo2 info{printerName, port, driverName, "WinPrint", "RAW"};
    platform::PrinterHandlePtr created;
    // With no port to fall back to, the spooler would refuse the empty name the same way.
    const long error = port.empty() ? ERROR_UNKNOWN_PORT : platform.spooler.addPrinter(info, created);
    if (error != 0 || created == nullptr) {
        reportCreationFailure(error != 0 ? error : ERROR_UNKNOWN_PORT, settings);
        return;
    }
    dialog_.installedPrinterName = printerName;

    if (!noPortOfKind) {
        dialog_.statusText = settings.successStatus;
    } else if (kind == PORT_KIND_SERIAL) {
        dialog_.statusText = "PC机无可用串行端口,当前端口是" + port;
    } else if (kind == PORT_KIND_USB) {
        // A USB port may have appeared since the inventory was taken (the printer was just
        // switched on): look again, and let the USB selection move the printer onto it.
        // The creation's handle dies with the spooler process it came from, so it is closed
        // before the restart rather than used after it.
        created.reset();
        SpoolerService::control(platform, &dialog_.window(), "Spooler", SpoolerService::MODE_RESTART);
        dialog_.refreshPortInventoryKeepingKind();
        if (!dialog_.inventory.usbPorts.empty()) {
            dialog_.chosenPort = dialog_.inventory.usbPorts.front();
            dialog_.statusText = settings.successStatus;
        } else {
            dialog_.statusText = "PC机无可用USB端口,当前端口是" + port;
        }
    }
    dialog_.sendUpdateData();
    created.reset();
    dialog_.progressBar.setPos(30);

    // The default printer names the port the printer really stands on.
    if (dialog_.setAsDefault == 1) writeDefaultPrinter(printerName, port);
    dialog_.progressBar.setPos(40);
    dialog_.showStatus("设置打印机" + printerName + "为默认打印机");

    if (kind == PORT_KIND_SERIAL) {
        dialog_.selectSerialPort();
    } else if (kind == PORT_KIND_USB) {
        dialog_.autoSelectUsbPort();
    }
    platform.system.sleep(settings.pauseMs);

    if (kind != PORT_KIND_SERIAL) {
        dialog_.progressBar.setPos(100);
        dialog_.statusText = "安装已完成";
        dialog_.finishWithButton("完成");
        dialog_.sendUpdateData();
    }
}
