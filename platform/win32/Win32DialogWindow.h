#pragma once
// One live dialog window: every operation is the control message it names, sent to the
// control by id. Sent messages run on the window's thread, so a worker thread may call any
// of these and waits, as the interface asks.
#include <windows.h>

#include "platform/Ui.h"

namespace win32 {

class Win32DialogWindow final : public platform::DialogWindow {
public:
    explicit Win32DialogWindow(HWND window) : window_(window) {}

    HWND hwnd() const { return window_; }

    bool setItemText(int id, const std::string& text) override;
    std::string itemText(int id) override;
    void enableItem(int id, bool enable) override;
    bool isItemEnabled(int id) override;

    int buttonCheck(int id) override;
    void setButtonCheck(int id, int state) override;

    void comboReset(int id) override;
    int comboAdd(int id, const std::string& text) override;
    int comboInsert(int id, int index, const std::string& text) override;
    int comboSetCurSel(int id, int index) override;
    int comboCurSel(int id) override;
    int comboCount(int id) override;
    std::string comboItemText(int id, int index) override;

    bool listDeleteAllItems(int id) override;
    int listHeaderColumnCount(int id) override;
    bool listDeleteColumn(int id, int column) override;
    std::uint32_t listExtendedStyle(int id) override;
    void listSetExtendedStyle(int id, std::uint32_t mask, std::uint32_t style) override;
    int listInsertColumn(int id, int column, const std::string& text, int format) override;
    bool listSetColumnWidth(int id, int column, int width) override;
    int listInsertItem(int id, int index, const std::string& text) override;
    bool listSetItemText(int id, int item, int subItem, const std::string& text) override;
    bool listSetItemState(int id, int item, std::uint32_t state, std::uint32_t mask) override;
    int listItemCount(int id) override;
    std::uint32_t listItemState(int id, int item, std::uint32_t mask) override;
    std::string listItemText(int id, int item, int subItem) override;

    int progressSetPos(int id, int position) override;

    std::intptr_t sendRegistered(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void endDialog(int result) override;
    std::uintptr_t nativeHandle() override { return reinterpret_cast<std::uintptr_t>(window_); }
    void waitForThread(const platform::ThreadHandle& thread) override;

private:
    LRESULT send(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendDlgItemMessageA(window_, id, message, wParam, lParam);
    }

    HWND window_;
};

}  // namespace win32
