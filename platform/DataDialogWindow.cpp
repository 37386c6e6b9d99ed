#include "platform/DataDialogWindow.h"

#include "platform/WinConstants.h"

namespace platform {

bool DataDialogWindow::setItemText(int id, const std::string& text) {
    return runOnWindowThread([&] {
        controls_.setItemText(id, text);
    });
}

std::string DataDialogWindow::itemText(int id) {
    return onWindowThread([&] { return controls_.itemText(id); }, std::string());
}

void DataDialogWindow::enableItem(int id, bool enable) {
    runOnWindowThread([&] {
        controls_.enableItem(id, enable);
    });
}

bool DataDialogWindow::isItemEnabled(int id) {
    return onWindowThread([&] { return controls_.isItemEnabled(id); }, false);
}

int DataDialogWindow::buttonCheck(int id) {
    return onWindowThread([&] { return controls_.buttonCheck(id); }, 0);
}

void DataDialogWindow::setButtonCheck(int id, int state) {
    runOnWindowThread([&] {
        controls_.setButtonCheck(id, state);
    });
}

void DataDialogWindow::comboReset(int id) {
    runOnWindowThread([&] {
        controls_.comboReset(id);
    });
}

int DataDialogWindow::comboAdd(int id, const std::string& text) {
    return onWindowThread([&] { return controls_.comboAdd(id, text); }, win::CB_ERR);
}

int DataDialogWindow::comboInsert(int id, int index, const std::string& text) {
    return onWindowThread([&] { return controls_.comboInsert(id, index, text); }, win::CB_ERR);
}

int DataDialogWindow::comboSetCurSel(int id, int index) {
    return onWindowThread([&] { return controls_.comboSetCurSel(id, index); }, win::CB_ERR);
}

int DataDialogWindow::comboCurSel(int id) {
    return onWindowThread([&] { return controls_.comboCurSel(id); }, win::CB_ERR);
}

int DataDialogWindow::comboCount(int id) {
    return onWindowThread([&] { return controls_.comboCount(id); }, win::CB_ERR);
}

std::string DataDialogWindow::comboItemText(int id, int index) {
    return onWindowThread([&] { return controls_.comboItemText(id, index); }, std::string());
}

bool DataDialogWindow::listDeleteAllItems(int id) {
    return onWindowThread([&] { return controls_.listDeleteAllItems(id); }, false);
}

int DataDialogWindow::listHeaderColumnCount(int id) {
    return onWindowThread([&] { return controls_.listHeaderColumnCount(id); }, -1);
}

bool DataDialogWindow::listDeleteColumn(int id, int column) {
    return onWindowThread([&] { return controls_.listDeleteColumn(id, column); }, false);
}

std::uint32_t DataDialogWindow::listExtendedStyle(int id) {
    return onWindowThread([&] { return controls_.listExtendedStyle(id); }, 0u);
}

void DataDialogWindow::listSetExtendedStyle(int id, std::uint32_t mask, std::uint32_t style) {
    runOnWindowThread([&] {
        controls_.listSetExtendedStyle(id, mask, style);
    });
}

int DataDialogWindow::listInsertColumn(int id, int column, const std::string& text, int format) {
    return onWindowThread([&] { return controls_.listInsertColumn(id, column, text, format); }, -1);
}

bool DataDialogWindow::listSetColumnWidth(int id, int column, int width) {
    return onWindowThread([&] { return controls_.listSetColumnWidth(id, column, width); }, false);
}

int DataDialogWindow::listInsertItem(int id, int index, const std::string& text) {
    return onWindowThread([&] { return controls_.listInsertItem(id, index, text); }, -1);
}

bool DataDialogWindow::listSetItemText(int id, int item, int subItem, const std::string& text) {
    return onWindowThread([&] { return controls_.listSetItemText(id, item, subItem, text); }, false);
}

bool DataDialogWindow::listSetItemState(int id, int item, std::uint32_t state, std::uint32_t mask) {
    return onWindowThread([&] { return controls_.listSetItemState(id, item, state, mask); }, false);
}

int DataDialogWindow::listItemCount(int id) {
    return onWindowThread([&] { return controls_.listItemCount(id); }, 0);
}

std::uint32_t DataDialogWindow::listItemState(int id, int item, std::uint32_t mask) {
    return onWindowThread([&] { return controls_.listItemState(id, item, mask); }, 0u);
}

std::string DataDialogWindow::listItemText(int id, int item, int subItem) {
    return onWindowThread([&] { return controls_.listItemText(id, item, subItem); }, std::string());
}

int DataDialogWindow::progressSetPos(int id, int position) {
    return onWindowThread([&] { return controls_.progressSetPos(id, position); }, 0);
}

std::intptr_t DataDialogWindow::sendRegistered(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    return onWindowThread(
        [&] {
            std::intptr_t result = 0;
            handler_.onMessage(message, wParam, lParam, result);
            return result;
        },
        std::intptr_t{0});
}

}  // namespace platform
