// The install button: gathers the user's choices and hands over to the receipt or label
// installer; once an installation has finished, the same button closes the installer.
#include <algorithm>

#include "app/MainDialog.h"
#include "catalogue/ModelCatalogue.h"
#include "install/LabelDriverInstaller.h"
#include "install/ReceiptDriverInstaller.h"

namespace {

const StringList* portListOf(const PortInventory& inventory, std::int32_t kind) {
    switch (kind) {
        case PORT_KIND_SERIAL: return &inventory.serialPorts;
        case PORT_KIND_USB: return &inventory.usbPorts;
        case PORT_KIND_PARALLEL: return &inventory.lptPorts;
        case PORT_KIND_TCPIP: return &inventory.tcpipPorts;
        default: return nullptr;
    }
}

}  // namespace

void MainDialog::onInstall() {
    exchangeData(true);
    if (installButton.text() == "完成") {
        onOK();
        return;
    }
    installButton.enable(false);

    if (const int row = connectionKindList.firstSelectedRow(); row >= 0) portKind = row;
    if (const StringList* ports = portListOf(inventory, portKind)) {
        if (ports->empty()) {
            portAvailable = 0;
        } else {
            const bool listed =
                !requiredPort.empty() && std::find(ports->begin(), ports->end(), requiredPort) != ports->end();
            chosenPort = listed ? requiredPort : ports->front();
            portAvailable = 1;
        }
    }

    bool listed = false;
    modelRow = findModelRow(&listed);
    // Every name offered came from the catalogue. One it no longer lists (the file could not
    // be read again) names no row: the drop-down position would install another model's
    // driver under this name.
    if (!listed) modelRow = -1;
    const int receiptRows = receiptRowCount();
    if (modelRow >= 0 && modelRow < receiptRows) {
        ReceiptDriverInstaller(*this).install();
    } else if (modelRow >= receiptRows && modelRow < ModelCatalogue::ROW_COUNT) {
        LabelDriverInstaller(*this).install();
    } else {
        // No catalogue row has this name: there is nothing to install, and nothing may be
        // read past the tables.
        installButton.enable(true);
    }

    window_->enableItem(win::IDCANCEL, false);
    exchangeData(false);
}
