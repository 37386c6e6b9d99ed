#pragma once
// What the parallel and TCP/IP port dialogs share: a modal dialog whose list-view (control
// 1004) shows spooler ports with their descriptions, and the choice code it ends with.
#include <functional>
#include <string>

#include "app/Controls.h"
#include "platform/Platform.h"
#include "ports/PortInventory.h"

class PortListDialog : public platform::DialogHandler {
public:
    explicit PortListDialog(platform::Platform& platform) : platform_(platform) {}

    // Shows the dialog modally, owned by `owner`; the code it ended with.
    int doModal(int templateId, platform::DialogWindow& owner);
    // The port of the row the dialog ended on; empty unless it ended with a row's code.
    const std::string& chosenPort() const { return chosenPort_; }

    // DialogHandler
    bool onInitDialog(platform::DialogWindow& window) override;
    bool onMessage(unsigned, std::uintptr_t, std::intptr_t, std::intptr_t&) override { return false; }
    // The close box and Alt+F4.
    void onClose() override { onCancel(); }
    void onDestroy() override {}

    virtual void onOk() = 0;
    // Ends the dialog with CHOICE_NONE.
    void onCancel();

    ListView portList;

protected:
    // Rebuilds the list from the spooler's ports that `shown` keeps, in enumeration order,
    // and selects row 0. A failed enumeration leaves it empty.
    void fillPortList(const std::function<bool(const platform::PortInfo2&)>& shown);
    // Fills the list as the dialog's kind does.
    virtual void fillList() = 0;
    // Ends the dialog on the first selected row (CHOICE_BASE + row), or with 0 when none is.
    void endWithSelectedRow();
    // Neither template has a default button or a button with the standard ids, so Enter away
    // from a push button reaches the dialog as IDOK, and Escape as IDCANCEL: they act as the
    // OK and Cancel buttons, so that no code but a choice code leaves the dialog from a key.
    bool onStandardCommand(int id);

    platform::Platform& platform_;
    platform::DialogWindow* window_ = nullptr;

private:
    std::string chosenPort_;
};

// The entry of the refreshed `ports` that the dialog's `code` and `chosenPort` name, as a
// choice code. A row's index and the entry's index can differ (an LPT-named TCP/IP port, a
// port beyond the inventory's first 256 spooler entries), so the port is found by name; a
// port that is not in the inventory, and any code but a row's, gives CHOICE_NONE.
int choiceInInventory(int code, const std::string& chosenPort, const StringList& ports);
