#pragma once
// The dialog "选择并行端口" (template 137): the spooler's LPT ports, one to be chosen.
#include "ports/PortListDialog.h"

class LptPortDialog : public PortListDialog {
public:
    using PortListDialog::PortListDialog;

    int doModal(platform::DialogWindow& owner);

    void onCommand(int id, int notifyCode) override;
    // Ends the dialog with CHOICE_BASE + the selected row, or 0 when no row is selected.
    void onOk() override;
    // The ports whose names begin with "LPT", case-sensitive, with their descriptions.
    void fillLptPortList();

protected:
    void fillList() override { fillLptPortList(); }
};
