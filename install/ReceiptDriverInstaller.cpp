#include "install/ReceiptDriverInstaller.h"

#include "app/MainDialog.h"
#include "catalogue/ModelCatalogue.h"
#include "install/DriverStaging.h"
#include "install/PrinterSetup.h"
#include "install/SpoolerService.h"

namespace {

// The dependent files every receipt driver lists before its resource DLL; the marked rows
// add the OEM plug-in pair.
const std::string kDependentFiles = std::string("\\ttfsub.GPD") + '\0' + "\\unires.DLL" + '\0' + "\\stdnames.GPD" + '\0';
const std::string kOemDependentFiles = kDependentFiles + "\\TOEMUNI.ini" + '\0' + "\\TOEMUNI.dll" + '\0';

}  // namespace

void ReceiptDriverInstaller::install() {
    platform::Platform& platform = dialog_.platform();
    // The spooler may have stopped since start-up (a crash, a restart that failed). Every
    // call from the port dialogs on needs it, and a failure there would only be retried.
    SpoolerService::control(platform, &dialog_.window(), "Spooler", SpoolerService::MODE_ENSURE_RUNNING);
    PrinterSetup setup(dialog_);
    if (!setup.resolvePortChoice()) return;

    const std::string printerName = dialog_.window().itemText(IDC_PRINTER_NAME);
    const bool wow64 = dialog_.isWow64 != 0;
    const std::string environment = DriverStaging::environmentFor(wow64);
    std::string driverDirectory;
    // Without the folder every staged file would land in the root of the current drive.
    if (const long error = platform.spooler.printerDriverDirectory(environment, DriverStaging::DIRECTORY_BUFFER_SIZE,
                                                                   driverDirectory)) {
        DriverStaging::reportDriverFailure(dialog_, error, "Error");
        return;
    }
    const std::string sourceFolder = wow64 ? "C:\\Ticket\\x64\\" : "C:\\Ticket\\x86\\";

    // Resolve the row within its group.
    const std::int32_t groupSizes[] = {dialog_.receiptGroup1Size, dialog_.receiptGroup2Size,
                                       dialog_.receiptGroup3Size, dialog_.receiptGroup4Size};
    int group = 0;
    int row = dialog_.modelRow;
    while (group < ModelCatalogue::RECEIPT_GROUP_COUNT - 1 && row >= groupSizes[group]) row -= groupSizes[group++];
    const ModelCatalogue::ReceiptRow& model = ModelCatalogue::receiptGroupRows(group)[row];
    std::string dllBase = ModelCatalogue::receiptGroupResourceDll(group);
    if (group == ModelCatalogue::ALTERNATIVE_DLL_GROUP &&
        dialog_.window().itemText(IDC_MODEL_COMBO) ==
            ModelCatalogue::receiptGroupRows(group)[ModelCatalogue::ALTERNATIVE_DLL_ROW].modelName) {
        dllBase = ModelCatalogue::alternativeResourceDll();
    }
    const std::string gpdBase = model.gpdBase;

    auto stageModelFile = [&](const std::string& base, const std::string& extension) {
        DriverStaging::stage(dialog_, sourceFolder + base + extension, driverDirectory + "\\" + base + extension);
    };
    stageModelFile(dllBase, ".DLL");
    stageModelFile(gpdBase, ".GPD");
    stageModelFile("TOEMUNI", ".dll");
    stageModelFile("TOEMUNI", ".ini");
    for (const char* name : ModelCatalogue::unidrvFiles()) {
        DriverStaging::stage(dialog_, sourceFolder + name, driverDirectory + "\\" + name);
    }

    dialog_.progressBar.setPos(10);
    dialog_.showStatus(std::string("Adding printer drive ") + model.modelName);

    platform::DriverInfo3 driver;
    driver.version = DriverStaging::driverVersion(platform.system);
    driver.name = model.modelName;
    driver.environment = environment;
    driver.driverPath = driverDirectory + "\\uniDRV.DLL";
    driver.dataFile = driverDirectory + "\\" + gpdBase + ".GPD";
    driver.configFile = driverDirectory + "\\uniDRVui.DLL";
    driver.helpFile = driverDirectory + "\\uniDRV.HLP";
    driver.dependentFiles = (model.oemPlugin ? kOemDependentFiles : kDependentFiles) + dllBase + ".DLL" + '\0' + '\0';
    driver.monitorName = "";
    driver.defaultDataType = "RAW";

    SpoolerService::control(platform, &dialog_.window(), "Spooler", SpoolerService::MODE_ENSURE_RUNNING);
    const long error = platform.spooler.addPrinterDriverEx(driver, platform::APD_COPY_ALL_FILES_FLAG);
    if (error != 0) {
        DriverStaging::reportDriverFailure(dialog_, error, "Error");
        return;
    }

    dialog_.showStatus(std::string("已经正确添加") + model.modelName + "驱动");
    // The spooler has its own copies now. The OEM plug-in pair stays: the driver loads it
    // from the driver folder.
    platform.files.deleteFile(driverDirectory + "\\" + dllBase + ".DLL");
    platform.files.deleteFile(driverDirectory + "\\" + gpdBase + ".GPD");
    for (const char* name : ModelCatalogue::unidrvFiles()) platform.files.deleteFile(driverDirectory + "\\" + name);
    dialog_.progressBar.setPos(20);

    setup.createPrinter(printerName, model.modelName, {"已经正确添加" + printerName, "错误提示", 500});
}
