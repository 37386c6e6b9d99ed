#include "install/LabelDriverInstaller.h"

#include "app/MainDialog.h"
#include "catalogue/ModelCatalogue.h"
#include "install/DriverStaging.h"
#include "install/PrinterSetup.h"
#include "install/SpoolerService.h"
#include "platform/WinConstants.h"

namespace {

const std::string kMonitorName = "Advanced Language Monitor";
constexpr std::uint32_t SYSTEM_DIRECTORY_BUFFER_SIZE = 260;
constexpr long ERROR_PRINT_MONITOR_ALREADY_INSTALLED = 3006;
constexpr std::size_t FIRST_LANGUAGE_FILE = 3;

}  // namespace

void LabelDriverInstaller::install() {
    platform::Platform& platform = dialog_.platform();
    // The spooler may have stopped since start-up (a crash, a restart that failed). Every
    // call from the port dialogs on needs it, and a failure there would only be retried.
    SpoolerService::control(platform, &dialog_.window(), "Spooler", SpoolerService::MODE_ENSURE_RUNNING);
    PrinterSetup setup(dialog_);
    if (!setup.resolvePortChoice()) return;

    const ModelCatalogue::LabelRow& model =
        ModelCatalogue::labelRows()[static_cast<std::size_t>(dialog_.modelRow - dialog_.receiptRowCount())];
    const std::string printerName = dialog_.labelPrinterName.empty() ? dialog_.window().itemText(IDC_MODEL_COMBO)
                                                                      : dialog_.labelPrinterName;

    const bool wow64 = dialog_.isWow64 != 0;
    const std::string environment = DriverStaging::environmentFor(wow64);
    std::string driverDirectory;
    // Without the folder every staged file would land in the root of the current drive.
    if (const long error = platform.spooler.printerDriverDirectory(environment, DriverStaging::DIRECTORY_BUFFER_SIZE,
                                                                   driverDirectory)) {
        DriverStaging::reportDriverFailure(dialog_, error, platform.ui.applicationTitle());
        return;
    }
    const std::string sourceFolder = wow64 ? "C:\\Barcode\\x64\\" : "C:\\Barcode\\x86\\";
    const auto& files = wow64 ? ModelCatalogue::labelFiles64() : ModelCatalogue::labelFiles32();
    auto failMonitor = [&] {
        dialog_.appMessageBox("添加监视器出错\r\n", win::MB_OK);
        dialog_.onOK();
    };
    // A 32-bit process on 64-bit Windows names the 64-bit system folder's 32-bit twin.
    const std::string systemFolder = wow64 ? platform.system.windowsDirectory(SYSTEM_DIRECTORY_BUFFER_SIZE)
                                           : platform.system.systemDirectory(SYSTEM_DIRECTORY_BUFFER_SIZE);
    // Without it the monitor DLL would be copied to, and registered from, the root of the
    // current drive.
    if (systemFolder.empty()) {
        failMonitor();
        return;
    }
    const std::string monitorFolder = wow64 ? systemFolder + "\\SysWOW64" : systemFolder;

    const std::string monitorDll = monitorFolder + "\\" + files[0];
    // On a reinstall the running spooler has the registered DLL loaded, and Windows refuses
    // to overwrite it (32) until the spooler lets go of it.
    const long firstCopy = DriverStaging::stage(dialog_, sourceFolder + files[0], monitorDll);

    SpoolerService::control(platform, &dialog_.window(), "Spooler", SpoolerService::MODE_ENSURE_RUNNING);
    // A registered monitor is replaced, so that the spooler loads the DLL just copied.
    if (platform.spooler.deleteMonitor(environment, kMonitorName) == 0) {
        SpoolerService::control(platform, &dialog_.window(), "Spooler", SpoolerService::MODE_RESTART);
    }
    // Registering whatever DLL is left there would keep the old monitor under the new driver.
    if (firstCopy != 0 && DriverStaging::stage(dialog_, sourceFolder + files[0], monitorDll) != 0) {
        failMonitor();
        return;
    }
    const long monitorError = platform.spooler.addMonitor({kMonitorName, environment, monitorDll});
    if (monitorError != 0 && monitorError != ERROR_PRINT_MONITOR_ALREADY_INSTALLED) {
        failMonitor();
        return;
    }
    dialog_.showStatus(kMonitorName + " is added");

    for (const auto& name : files) DriverStaging::stage(dialog_, sourceFolder + name, driverDirectory + "\\" + name);
    DriverStaging::stage(dialog_, "C:\\Barcode\\Common\\THERMAL.chm", driverDirectory + "\\THERMAL.chm");
    const std::string base = model.labelFileBase;
    for (const char* extension : {".BA0", ".DAT", ".PP0"}) {
        DriverStaging::stage(dialog_, "C:\\Barcode\\Common\\" + base + extension,
                             driverDirectory + "\\" + base + extension);
    }

    dialog_.progressBar.setPos(10);
    dialog_.showStatus(std::string("正在添加") + model.modelName);

    platform::DriverInfo3 driver;
    driver.version = DriverStaging::driverVersion(platform.system);
    driver.name = model.modelName;
    driver.environment = environment;
    driver.driverPath = driverDirectory + "\\" + files[1];
    driver.dataFile = driverDirectory + "\\" + base + ".DAT";
    driver.configFile = driverDirectory + "\\" + files[2];
    driver.helpFile = driverDirectory + "\\THERMAL.chm";
    for (std::size_t i = FIRST_LANGUAGE_FILE; i < files.size(); ++i) driver.dependentFiles += "\\" + files[i] + '\0';
    driver.dependentFiles += "\\" + base + ".BA0" + '\0';
    driver.dependentFiles += base + ".PP0" + '\0' + '\0';
    driver.monitorName = kMonitorName;
    driver.defaultDataType = "RAW";

    const long error = platform.spooler.addPrinterDriverEx(driver, platform::APD_COPY_ALL_FILES_FLAG);
    if (error != 0) {
        DriverStaging::reportDriverFailure(dialog_, error, platform.ui.applicationTitle());
        return;
    }

    dialog_.showStatus(std::string("已经正确添加") + model.modelName + "驱动");
    platform.files.deleteFile(driverDirectory + "\\THERMAL.chm");
    for (const char* extension : {".BA0", ".PP0", ".DAT"}) platform.files.deleteFile(driverDirectory + "\\" + base + extension);
    for (const auto& name : files) platform.files.deleteFile(driverDirectory + "\\" + name);
    dialog_.progressBar.setPos(20);

    setup.createPrinter(printerName, model.modelName, {"已经正确添加" + printerName + "打印机", "Error prompt", 100});
}
