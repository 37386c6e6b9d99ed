#include "ports/LptPortDialog.h"

#include "app/MainDialog.h"
#include "platform/WinConstants.h"

int LptPortDialog::doModal(platform::DialogWindow& owner) {
    return PortListDialog::doModal(IDD_LPT_PORT_DIALOG, owner);
}

void LptPortDialog::onCommand(int id, int notifyCode) {
    if (notifyCode != win::BN_CLICKED || onStandardCommand(id)) return;
    if (id == IDC_PORT_OK) {
        onOk();
    } else if (id == IDC_PORT_CANCEL) {
        onCancel();
    }
}

void LptPortDialog::onOk() { endWithSelectedRow(); }

void LptPortDialog::fillLptPortList() {
    fillPortList([](const platform::PortInfo2& port) { return beginsWith(port.portName, "LPT"); });
}

int MainDialog::chooseParallelPort() {
    const std::size_t count = inventory.lptPorts.size();
    if (count == 0) {
        appMessageBox("PC机无可用并行端口。\r\n\r\n请选择其他端口类型。", win::MB_OK | win::MB_ICONWARNING);
        return CHOICE_NONE;
    }
    if (count == 1) return CHOICE_BASE;

    LptPortDialog dialog(platform_);
    const int code = dialog.doModal(*window_);
    refreshPortInventoryKeepingKind();
    return choiceInInventory(code, dialog.chosenPort(), inventory.lptPorts);
}
