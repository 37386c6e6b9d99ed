#include <array>

#include "app/MainDialog.h"
#include "install/SpoolerService.h"

unsigned long MainDialog::startupThreadProc(void* dialog) {
    auto& self = *static_cast<MainDialog*>(dialog);
    using Step = void (MainDialog::*)();
    // Strictly in order, each finished before the next; no step's failure stops the rest.
    // A closing window stops the sequence between steps.
    static constexpr std::array<Step, 6> steps{
        &MainDialog::ensureSpoolerRuns,   &MainDialog::refreshPortInventory, &MainDialog::unpackDriverPackage,
        &MainDialog::fillModelCatalogue, &MainDialog::detectSystem,         &MainDialog::insertModelPrompt,
    };
    for (Step step : steps) {
        if (self.closing()) break;
        (self.*step)();
    }
    return 0;
}

void MainDialog::insertModelPrompt() {
    static const std::string prompt = "请选择打印机型号";
    modelCombo.insertString(0, prompt);
    modelCombo.setCurSel(0);
    window_->setItemText(IDC_PRINTER_NAME, prompt);
}

void MainDialog::ensureSpoolerRuns() {
    SpoolerService::control(platform_, window_, "Spooler", SpoolerService::MODE_ENSURE_RUNNING);
}
