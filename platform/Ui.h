#pragma once
// The user interface as the logic drives it: modal dialogs from templates, their controls
// addressed by id, and the dialog's own messages. Every control operation is executed on
// the window's thread; called from another thread it waits until that thread has run it,
// as a sent message does.
#include <cstdint>
#include <string>

#include "platform/Threads.h"

namespace platform {

// One live dialog window.
class DialogWindow {
public:
    virtual ~DialogWindow() = default;

    // Any control: SetDlgItemTextA / GetDlgItemTextA, EnableWindow / IsWindowEnabled.
    virtual bool setItemText(int id, const std::string& text) = 0;
    virtual std::string itemText(int id) = 0;
    virtual void enableItem(int id, bool enable) = 0;
    virtual bool isItemEnabled(int id) = 0;

    // Buttons: BM_GETCHECK / BM_SETCHECK.
    virtual int buttonCheck(int id) = 0;
    virtual void setButtonCheck(int id, int state) = 0;

    // Drop-down lists: CB_RESETCONTENT, CB_ADDSTRING, CB_INSERTSTRING, CB_SETCURSEL,
    // CB_GETCURSEL, CB_GETCOUNT, CB_GETLBTEXT. Results as the messages return them.
    virtual void comboReset(int id) = 0;
    virtual int comboAdd(int id, const std::string& text) = 0;
    virtual int comboInsert(int id, int index, const std::string& text) = 0;
    virtual int comboSetCurSel(int id, int index) = 0;
    virtual int comboCurSel(int id) = 0;
    virtual int comboCount(int id) = 0;
    virtual std::string comboItemText(int id, int index) = 0;

    // List-views: LVM_DELETEALLITEMS, HDM_GETITEMCOUNT on the header, LVM_DELETECOLUMN,
    // LVM_GET/SETEXTENDEDLISTVIEWSTYLE, LVM_INSERTCOLUMN (text and format only),
    // LVM_SETCOLUMNWIDTH, LVM_INSERTITEM (text only), LVM_SETITEMTEXT, LVM_SETITEMSTATE,
    // LVM_GETITEMCOUNT, LVM_GETITEMSTATE, LVM_GETITEMTEXT.
    virtual bool listDeleteAllItems(int id) = 0;
    virtual int listHeaderColumnCount(int id) = 0;
    virtual bool listDeleteColumn(int id, int column) = 0;
    virtual std::uint32_t listExtendedStyle(int id) = 0;
    virtual void listSetExtendedStyle(int id, std::uint32_t mask, std::uint32_t style) = 0;
    virtual int listInsertColumn(int id, int column, const std::string& text, int format) = 0;
    virtual bool listSetColumnWidth(int id, int column, int width) = 0;
    virtual int listInsertItem(int id, int index, const std::string& text) = 0;
    virtual bool listSetItemText(int id, int item, int subItem, const std::string& text) = 0;
    virtual bool listSetItemState(int id, int item, std::uint32_t state, std::uint32_t mask) = 0;
    virtual int listItemCount(int id) = 0;
    virtual std::uint32_t listItemState(int id, int item, std::uint32_t mask) = 0;
    virtual std::string listItemText(int id, int item, int subItem) = 0;

    // Progress bars: PBM_SETPOS with an absolute position; returns the previous one.
    virtual int progressSetPos(int id, int position) = 0;

    // SendMessageA to the dialog itself with a registered message; 0 when the window is gone.
    virtual std::intptr_t sendRegistered(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // EndDialog: the modal loop ends once the current message has been handled.
    virtual void endDialog(int result) = 0;

    // The window's handle, for calls that take an owner window.
    virtual std::uintptr_t nativeHandle() = 0;

    // Waits until a worker thread has finished while still running what that worker sends to
    // this window, so that a worker blocked in a sent message cannot deadlock the wait.
    virtual void waitForThread(const ThreadHandle& thread) = 0;
};

// What a dialog does with its messages. Runs on the window's thread.
class DialogHandler {
public:
    virtual ~DialogHandler() = default;
    // WM_INITDIALOG; the window stays valid until onDestroy has returned.
    virtual bool onInitDialog(DialogWindow& window) = 0;
    // WM_COMMAND: control id and notification code (IDOK and IDCANCEL included).
    virtual void onCommand(int id, int notifyCode) = 0;
    // Any other message that the dialog may handle, registered messages among them. Returns
    // true when handled, with the message result in `result`.
    virtual bool onMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, std::intptr_t& result) = 0;
    // WM_CLOSE.
    virtual void onClose() = 0;
    // WM_DESTROY.
    virtual void onDestroy() = 0;
};

class Ui {
public:
    virtual ~Ui() = default;
    // RegisterWindowMessageA: one identifier per name, whoever asks.
    virtual unsigned registerWindowMessage(const std::string& name) = 0;
    // DialogBoxParamA with the template of that id, owned by `owner` (null: no owner), which
    // stays disabled while the dialog is shown; returns what EndDialog was given, or -1 when
    // the dialog could not be created.
    virtual int runModal(int templateId, DialogHandler& handler, DialogWindow* owner) = 0;
    // MessageBoxA owned by `owner` (null: no owner), from any thread; the button pressed.
    virtual int messageBox(DialogWindow* owner, const std::string& text, const std::string& caption,
                           unsigned type) = 0;
    // The program file's name without its extension: the caption of the program's message boxes.
    virtual std::string applicationTitle() = 0;
    // Writes to the standard output the program was given, else to the console of the process
    // that started it (AttachConsole(ATTACH_PARENT_PROCESS)); false when there is neither.
    virtual bool writeConsole(const std::string& text) = 0;
};

}  // namespace platform
