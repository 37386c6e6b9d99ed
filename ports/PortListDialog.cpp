#include "ports/PortListDialog.h"

#include <algorithm>
#include <vector>

#include "app/MainDialog.h"
#include "platform/WinConstants.h"

int PortListDialog::doModal(int templateId, platform::DialogWindow& owner) {
    return platform_.ui.runModal(templateId, *this, &owner);
}

bool PortListDialog::onInitDialog(platform::DialogWindow& window) {
    window_ = &window;
    portList.bind(window, IDC_PORT_LIST);
    fillList();
    return true;
}

bool PortListDialog::onStandardCommand(int id) {
    if (id == win::IDOK) {
        onOk();
        return true;
    }
    if (id == win::IDCANCEL) {
        onCancel();
        return true;
    }
    return false;
}

void PortListDialog::onCancel() { window_->endDialog(CHOICE_NONE); }

void PortListDialog::fillPortList(const std::function<bool(const platform::PortInfo2&)>& shown) {
    portList.removeAllRowsAndColumns();

    // Every entry counts here, also past the 256 the inventory reads.
    std::vector<platform::PortInfo2> ports;
    platform_.spooler.enumPorts(ports);

    portList.applyGridStyle();
    portList.insertColumn(0, "端口", win::LVCFMT_LEFT);
    portList.insertColumn(1, "说明", win::LVCFMT_LEFT);
    portList.setColumnWidth(0, 125);
    portList.setColumnWidth(1, 300);

    int row = 0;
    for (const auto& port : ports) {
        if (!shown(port)) continue;
        portList.insertItem(row, port.portName);
        portList.setItemText(row, 1, port.description);
        ++row;
    }
    portList.selectRow(0);
}

void PortListDialog::endWithSelectedRow() {
    const int row = portList.firstSelectedRow();
    if (row < 0) {
        window_->endDialog(0);
        return;
    }
    chosenPort_ = portList.itemText(row, 0);
    window_->endDialog(CHOICE_BASE + row);
}

int choiceInInventory(int code, const std::string& chosenPort, const StringList& ports) {
    if (code < CHOICE_BASE || chosenPort.empty()) return CHOICE_NONE;
    const auto it = std::find(ports.begin(), ports.end(), chosenPort);
    if (it == ports.end()) return CHOICE_NONE;
    return CHOICE_BASE + static_cast<int>(it - ports.begin());
}
