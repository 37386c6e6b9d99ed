// Finding the USB port on which the new printer answers.
#include <algorithm>

#include "app/MainDialog.h"
#include "install/SpoolerService.h"
#include "platform/WinConstants.h"

namespace {

const std::string kOnlineBase =
    "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\Print\\Printers\\";
constexpr std::uint32_t kOnlineValueSize = 50;
constexpr int WINDOWS_7_CLASS = 9;

}  // namespace

bool MainDialog::listPrinters(StringList& names, StringList& ports) {
    std::vector<platform::PrinterEntry> printers;
    if (platform_.spooler.enumPrinters(platform::PRINTER_ENUM_LOCAL_FLAG | platform::PRINTER_ENUM_CONNECTIONS_FLAG,
                                       printers) != 0) {
        return false;
    }
    names.clear();
    ports.clear();
    for (const auto& printer : printers) {
        names.push_back(printer.printerName);
        ports.push_back(printer.portName);
    }
    return !printers.empty();
}

void MainDialog::autoSelectUsbPort() {
    platform::Registry& registry = platform_.registry;
    for (;;) {
        showStatus("Checking USB ports...");
        const int versionClass = getWindowsVersionClass(platform_.system);
        // The printer the spooler knows: the one just created.
        const std::string printerName = installedPrinterName;
        int found = 0;
        // A port the command line named is the only candidate, and none while it is gone:
        // confirming the printer on another would install it where the caller did not ask.
        StringList candidates = inventory.usbPorts;
        if (!requiredPort.empty()) {
            const bool listed = std::find(candidates.begin(), candidates.end(), requiredPort) != candidates.end();
            candidates = listed ? StringList{requiredPort} : StringList{};
        }
        for (const std::string& port : candidates) {
            showStatus("正在尝试 " + port + " ....");
            bindPrinterPort(printerName, port);
            progressBar.setPos(50);
            if (versionClass == WINDOWS_7_CLASS) {
                found = 1;
                continue;
            }
            SpoolerService::control(platform_, window_, "Spooler", SpoolerService::MODE_RESTART);
            progressBar.setPos(60);
            StringList scratch;
            listPrinters(scratch, scratch);

            platform::RegKey key;
            if (registry.openKey(registry.rootKey(platform::RegRoot::LocalMachine), kOnlineBase + printerName,
                                 win::KEY_QUERY_VALUE, key) != win::ERROR_SUCCESS) {
                continue;
            }
            platform::RegValue online;
            if (registry.queryValue(key, "PrinterOnLine", kOnlineValueSize, online) != win::ERROR_SUCCESS) {
                appMessageBox("读取注册表失败", win::MB_OK);
                continue;
            }
            found = online.data.empty() ? 0 : static_cast<unsigned char>(online.data[0]);
            if (found == 1) {
                progressBar.setPos(70);
                break;
            }
        }
        if (found != 0) break;
        const int answer = messageBox(
            "自动选择USB端口失败，请检查打印机USB端口是否连接！\r\n\r\n点击重试：重新检测并选择可用USB端口\r\n"
            "点击取消：忽略，安装完成后手动配置打印机端口",
            "自动选择USB端口失败", win::MB_RETRYCANCEL);
        if (answer != win::IDRETRY) break;
        // Retry promises to detect again: a printer plugged in while the box was up brings
        // its port only now. The user's connection kind stays as it is.
        refreshPortInventoryKeepingKind();
    }
    progressBar.setPos(80);
}
