#include "app/MainDialog.h"

#include "platform/WinConstants.h"

MainDialog::MainDialog(platform::Platform& platform, unsigned updateDataMessage)
    : archive(platform.archives, platform.system, platform.files),
      platform_(platform),
      updateDataMessage_(updateDataMessage),
      startupEndedMessage_(platform.ui.registerWindowMessage("DriverInstallerStartupEnded")) {}

MainDialog::~MainDialog() = default;

int MainDialog::doModal() { return platform_.ui.runModal(IDD_MAIN_DIALOG, *this, nullptr); }

bool MainDialog::exchangeData(bool saveAndValidate) {
    if (saveAndValidate) {
        setAsDefault = window_->buttonCheck(IDC_SET_DEFAULT);
        statusText = window_->itemText(IDC_STATUS);
    } else {
        // A check box knows three states; anything else would be a meaningless message.
        const std::int32_t check = (setAsDefault >= 0 && setAsDefault <= 2) ? setAsDefault : 0;
        window_->setButtonCheck(IDC_SET_DEFAULT, check);
        window_->setItemText(IDC_STATUS, statusText);
    }
    return true;
}

bool MainDialog::onInitDialog(platform::DialogWindow& window) {
    window_ = &window;
    // Bound once, before the start-up worker that uses them exists: the data exchange also
    // runs on the window thread while the worker works ("MyUpdateData"), and
    // binding there again would write what the worker is reading.
    installButton.bind(window, IDC_INSTALL);
    progressBar.bind(window, IDC_PROGRESS);
    modelCombo.bind(window, IDC_MODEL_COMBO);
    connectionKindList.bind(window, IDC_CONNECTION_LIST);
    exchangeData(false);

    parity = 'N';
    dataBits = 8;
    stopBits = 1;

    receiptGroup1Size = 15;
    receiptGroup2Size = 7;
    receiptGroup3Size = 5;
    receiptGroup4Size = 6;
    labelGroupSize = 5;

    fillConnectionKindList();
    sendUpdateData();

    // A failed start leaves the dialog in its starting state, as the worker never runs.
    startupThread_ = platform_.threads.start([this] { startupThreadProc(this); });
    return true;
}

void MainDialog::onCommand(int id, int notifyCode) {
    if (id == IDC_MODEL_COMBO && notifyCode == win::CBN_SELCHANGE) {
        onModelChanged();
    } else if (id == IDC_INSTALL && notifyCode == win::BN_CLICKED) {
        onInstall();
    } else if (id == win::IDOK && notifyCode == win::BN_CLICKED) {
        onOK();
    } else if (id == win::IDCANCEL && notifyCode == win::BN_CLICKED) {
        onCancel();
    }
}

bool MainDialog::onMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, std::intptr_t& result) {
    if (message == startupEndedMessage_) {
        endStartup();
        result = 1;
        return true;
    }
    if (message != updateDataMessage_) return false;
    result = onMyUpdateData(wParam, lParam);
    return true;
}

std::intptr_t MainDialog::onMyUpdateData(std::uintptr_t wParam, std::intptr_t) {
    return exchangeData(wParam != 0) ? 1 : 0;
}

void MainDialog::onOK() {
    if (exchangeData(true)) window_->endDialog(win::IDOK);
}

void MainDialog::onCancel() { window_->endDialog(win::IDCANCEL); }

void MainDialog::onClose() { window_->endDialog(win::IDCANCEL); }

void MainDialog::onDestroy() {
    // The worker holds this dialog; it stops at its next step, and until then whatever it
    // sends to the window is still served, so the wait cannot deadlock.
    closing_ = true;
    if (startupThread_.valid()) window_->waitForThread(startupThread_);
    removeUnpackedPackage();
}

std::intptr_t MainDialog::sendUpdateData() { return window_->sendRegistered(updateDataMessage_, 0, 0); }

void MainDialog::showStatus(const std::string& text) {
    statusText = text;
    sendUpdateData();
}

int MainDialog::messageBox(const std::string& text, const std::string& caption, unsigned type) {
    return platform_.ui.messageBox(window_, text, caption, type);
}

int MainDialog::appMessageBox(const std::string& text, unsigned type) {
    return messageBox(text, platform_.ui.applicationTitle(), type);
}

void MainDialog::finishWithButton(const std::string& caption) {
    installButton.enable(true);
    installButton.setText(caption);
}
