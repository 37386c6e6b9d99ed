#pragma once
// The dialog "网络端口配置" (template 129): the standard TCP/IP ports, one to be chosen, and
// the "Standard TCP/IP Port" monitor's own dialogs to add, configure and delete them.
#include "ports/PortListDialog.h"

// The monitor whose ports the dialog shows and creates.
inline constexpr const char* kStandardTcpipMonitor = "Standard TCP/IP Port";

class TcpipPortDialog : public PortListDialog {
public:
    using PortListDialog::PortListDialog;

    int doModal(platform::DialogWindow& owner);

    void onCommand(int id, int notifyCode) override;
    // The monitor's add-port wizard; the list is rebuilt, the new port selected.
    void onNewPort();
    // The monitor's configuration dialog for the selected port.
    void onConfigurePort();
    // Deletes the selected port; the list is rebuilt.
    void onDeletePort();
    // Ends the dialog on the selected row, or warns when the list is empty.
    void onOk() override;
    // The ports described as standard TCP/IP ports.
    void fillTcpipPortList();

protected:
    void fillList() override { fillTcpipPortList(); }

private:
    int messageBox(const std::string& text, const std::string& caption);
};
