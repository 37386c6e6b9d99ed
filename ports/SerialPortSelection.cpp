// Settling a serial printer on the machine's serial port, with the port's line settings.
#include <cstdio>

#include "app/MainDialog.h"
#include "install/SpoolerService.h"
#include "platform/WinConstants.h"

void MainDialog::writeSerialPortSettings(const std::string& portName) {
    char settings[64];
    std::snprintf(settings, sizeof settings, "%d,%c,%d,%d", static_cast<int>(baudRate),
                  static_cast<char>(parity + 32), static_cast<int>(dataBits), static_cast<int>(stopBits));
    platform::Registry& registry = platform_.registry;
    platform::RegKey key;
    if (registry.openKey(registry.rootKey(platform::RegRoot::LocalMachine),
                         "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports", win::KEY_SET_VALUE,
                         key) != win::ERROR_SUCCESS) {
        return;
    }
    if (registry.setValue(key, portName, win::REG_SZ, platform::regSz(settings)) != win::ERROR_SUCCESS) {
        appMessageBox("错误：无法设置有关的注册表信息", win::MB_OK);
    }
}

void MainDialog::rebindSerialPrinters() {
    for (std::size_t i = 0; i < printerNames.size() && i < printerPorts.size(); ++i) {
        const std::string& name = printerNames[i];
        const std::string& port = printerPorts[i];
        // A connection ("\\server\printer") stands on a port of its server, not of this
        // machine, and this spooler keeps no records for it: binding it would only create a
        // stray on-line key in this machine's hardware profile.
        if (name.compare(0, 2, "\\\\") == 0) continue;
        if (port.size() >= 3 && port.compare(0, 3, "COM") == 0) bindPrinterPort(name, port);
    }
}

void MainDialog::selectSerialPort() {
    listPrinters(printerNames, printerPorts);
    progressBar.setPos(50);
    const std::string printerName = installedPrinterName;
    const std::size_t count = inventory.serialPorts.size();
    const std::string tail = ",若需修改完成后手动配置";

    if (count >= 2) {
        sendUpdateData();
        statusText = "程序已为您选择" + inventory.serialPorts.front() + tail;
    } else if (count == 1) {
        const std::string port = inventory.serialPorts.front();
        bindPrinterPort(printerName, port);
        SpoolerService::control(platform_, window_, "Spooler", SpoolerService::MODE_RESTART);
        writeSerialPortSettings(port);
        rebindSerialPrinters();
        progressBar.setPos(90);
        SpoolerService::control(platform_, window_, "Spooler", SpoolerService::MODE_RESTART);
        statusText = "程序已为您选择" + port + tail;
    } else {
        rebindSerialPrinters();
        progressBar.setPos(90);
        SpoolerService::control(platform_, window_, "Spooler", SpoolerService::MODE_RESTART);
        // The printer stands on the parallel port it fell back to.
        const std::string port = inventory.lptPorts.empty() ? std::string() : inventory.lptPorts.front();
        statusText = "无法识别可用串口。程序已为您选择" + port + tail;
    }
    sendUpdateData();
    finishWithButton("完成");
    sendUpdateData();
    progressBar.setPos(100);
}
