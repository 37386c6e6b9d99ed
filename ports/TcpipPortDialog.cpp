#include "ports/TcpipPortDialog.h"

#include "app/MainDialog.h"
#include "platform/WinConstants.h"

int TcpipPortDialog::doModal(platform::DialogWindow& owner) {
    return PortListDialog::doModal(IDD_TCPIP_PORT_DIALOG, owner);
}

void TcpipPortDialog::onCommand(int id, int notifyCode) {
    if (notifyCode != win::BN_CLICKED || onStandardCommand(id)) return;
    switch (id) {
        case IDC_NEW_PORT:
            onNewPort();
            break;
        case IDC_CONFIGURE_PORT:
            onConfigurePort();
            break;
        case IDC_DELETE_PORT:
            onDeletePort();
            break;
        case IDC_PORT_OK:
            onOk();
            break;
        case IDC_PORT_CANCEL:
            onCancel();
            break;
        default:
            break;
    }
}

int TcpipPortDialog::messageBox(const std::string& text, const std::string& caption) {
    return platform_.ui.messageBox(window_, text, caption, win::MB_OK);
}

void TcpipPortDialog::fillTcpipPortList() {
    fillPortList([](const platform::PortInfo2& port) { return isStandardTcpipDescription(port.description); });
}

void TcpipPortDialog::onNewPort() {
    const long error = platform_.spooler.addPort(window_->nativeHandle(), kStandardTcpipMonitor);
    fillTcpipPortList();
    const int rows = portList.itemCount();
    if (error == win::ERROR_SUCCESS && rows > 0) portList.selectRow(rows - 1);
}

void TcpipPortDialog::onConfigurePort() {
    const int row = portList.firstSelectedRow();
    if (row < 0) return;
    const long error = platform_.spooler.configurePort(window_->nativeHandle(), portList.itemText(row, 0));
    if (error == win::ERROR_NOT_SUPPORTED) {
        messageBox("Failed to configure printer port.\r\nThe request is not supported.", "Configure Port");
    } else if (error == win::ERROR_ADAP_HDW_ERR) {
        messageBox("Failed to configure printer port.\r\nA hardware error occurred. ", "Configure Por");
    }
}

void TcpipPortDialog::onDeletePort() {
    const int row = portList.firstSelectedRow();
    if (row >= 0) {
        const long error = platform_.spooler.deletePort(window_->nativeHandle(), portList.itemText(row, 0));
        if (error == win::ERROR_NOT_SUPPORTED) messageBox("Failed to delete port.The request is not supported.", "Delete Port");
    }
    fillTcpipPortList();
}

void TcpipPortDialog::onOk() {
    if (portList.itemCount() == 0) {
        messageBox("There is no available TCP/IP port\r\nClick \"Add port\" to create a new port", "Prompt");
        return;
    }
    endWithSelectedRow();
}

int MainDialog::chooseTcpipPort() {
    if (inventory.tcpipPorts.empty()) {
        // No dialog of ours: the monitor's wizard opens over the main window at once.
        const long error = platform_.spooler.addPort(window_->nativeHandle(), kStandardTcpipMonitor);
        refreshPortInventoryKeepingKind();
        return error == win::ERROR_SUCCESS ? CHOICE_NEW_PORT : CHOICE_NONE;
    }
    TcpipPortDialog dialog(platform_);
    const int code = dialog.doModal(*window_);
    refreshPortInventoryKeepingKind();
    return choiceInInventory(code, dialog.chosenPort(), inventory.tcpipPorts);
}
