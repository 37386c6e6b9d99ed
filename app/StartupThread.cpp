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

void MainDialog::insertModelPrompt() { window_->sendRegistered(startupEndedMessage_, 0, 0); }

void MainDialog::endStartup() {
    static const std::string prompt = "请选择打印机型号";
    // On the window thread, so that no pick can fall between reading the choice and acting on it.
    const int picked = modelPickedDuringStartup_ ? modelCombo.curSel() : -1;
    modelCombo.insertString(0, prompt);
    startupEnded_ = true;
    if (picked >= 0) {
        // The name and whatever the user typed into the printer-name edit since then stay.
        modelCombo.setCurSel(picked + 1);
        installButton.enable(true);
        return;
    }
    modelCombo.setCurSel(0);
    window_->setItemText(IDC_PRINTER_NAME, prompt);
}

void MainDialog::ensureSpoolerRuns() {
    SpoolerService::control(platform_, window_, "Spooler", SpoolerService::MODE_ENSURE_RUNNING);
}
