#pragma once
// The installer's one window (template 103) and the holder of all installation state.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "app/Controls.h"
#include "package/ArchiveExtractor.h"
#include "platform/Platform.h"
#include "ports/PortInventory.h"
#include "resources/resource.h"

// The selected row of the connection-kind list.
enum PortKind : std::int32_t {
    PORT_KIND_SERIAL = 0,
    PORT_KIND_USB = 1,
    PORT_KIND_PARALLEL = 2,
    PORT_KIND_TCPIP = 3,
};

// Choice codes of the port dialogs.
constexpr int CHOICE_BASE = 0x1200;
constexpr int CHOICE_NONE = 0xCCCC;
constexpr int CHOICE_NEW_PORT = 0xAAAA;

// The version class of the running Windows (1 Windows 95 ... 12 Windows 10; -1 unknown).
int getWindowsVersionClass(platform::SystemInfo& system);

class MainDialog : public platform::DialogHandler {
public:
    MainDialog(platform::Platform& platform, unsigned updateDataMessage);
    ~MainDialog() override;
    MainDialog(const MainDialog&) = delete;
    MainDialog& operator=(const MainDialog&) = delete;

    // Runs the dialog modally; IDOK or IDCANCEL.
    int doModal();

    // Moves the members into the controls (saveAndValidate false) or back (true).
    bool exchangeData(bool saveAndValidate);

    // DialogHandler
    bool onInitDialog(platform::DialogWindow& window) override;
    void onCommand(int id, int notifyCode) override;
    bool onMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, std::intptr_t& result) override;
    void onClose() override;
    void onDestroy() override;

    std::intptr_t onMyUpdateData(std::uintptr_t wParam, std::intptr_t lParam);
    void onOK();
    void onCancel();

    void fillConnectionKindList();
    // Fills the model drop-down with the display names of C:\DriverName.cfg.
    void fillModelCatalogue();
    // A new choice in the model drop-down (CBN_SELCHANGE).
    void onModelChanged();
    // Install follows the drop-down's choice, once the start-up has ended; the printer-name
    // edit shows the chosen text.
    void showModelChoice();
    // The catalogue row of the display name now selected; the drop-down position when no
    // section lists the name (`listed`, when given, then says false).
    int findModelRow(bool* listed = nullptr);
    // Sets isWow64 and shows the system in the status line.
    void detectSystem();
    // Unpacks DriverData.Drv from the current directory into C:\.
    void unpackDriverPackage();
    // Deletes what the unpacking wrote in a folder ("c:\\Ticket"), then the folder itself when
    // the unpacking created it (or it is a leftover of an earlier run) and it is left empty;
    // true when the folder itself went. Reparse points are never entered; one is removed (the
    // link alone) only where it stands in a place the unpacking made.
    bool deleteTree(const std::string& path);
    // Removes what the unpacking wrote in C:\Barcode, C:\Ticket and C:\DriverName.cfg.
    void removeUnpackedPackage();
    // Track-select off, grid lines and full-row selection on, every other bit kept.
    void applyConnectionKindListStyle();
    // Rebuilds the port lists and preselects the connection kind the ports suggest: the
    // start-up's look at the machine.
    void refreshPortInventory();
    // Rebuilds the port lists and leaves the connection-kind row as it is: every look after
    // the start-up, which follows a choice the user made.
    void refreshPortInventoryKeepingKind();
    // Starts the print spooler if it is stopped.
    void ensureSpoolerRuns();
    // The last start-up step: asks the window thread to end the start-up (endStartup).
    void insertModelPrompt();
    // Puts "请选择打印机型号" at the head of the model drop-down and selects it, unless the
    // user picked a name meanwhile, which then stays chosen; from now on install can be
    // enabled. Runs on the window thread.
    void endStartup();
    // The body of the start-up worker; `dialog` is the MainDialog.
    static unsigned long startupThreadProc(void* dialog);

    // SendMessageA(dialog, "MyUpdateData", 0, 0).
    std::intptr_t sendUpdateData();

    // The install button: starts an installation, or closes the installer once it reads "完成".
    void onInstall();
    // Port choices of the parallel and TCP/IP kinds: a choice code (CHOICE_...).
    int chooseParallelPort();
    int chooseTcpipPort();
    // Moves a printer onto another port through the spooler's registry records.
    void bindPrinterPort(const std::string& printerName, const std::string& portName);
    // Tries the USB ports until the printer reports itself on line.
    void autoSelectUsbPort();
    // Snapshot of the installed printers and their ports; true when there is one at least.
    bool listPrinters(StringList& names, StringList& ports);
    // Settles the serial port and completes a serial installation.
    void selectSerialPort();
    void writeSerialPortSettings(const std::string& portName);
    void rebindSerialPrinters();

    // Shows a status: statusText, then "MyUpdateData".
    void showStatus(const std::string& text);
    // A message box owned by this dialog; the button pressed.
    int messageBox(const std::string& text, const std::string& caption, unsigned type);
    // The message box captioned with the application's title.
    int appMessageBox(const std::string& text, unsigned type);
    // Enables the install button with a new caption ("完成", "重新安装").
    void finishWithButton(const std::string& caption);
    // Rows below this are receipt rows, the rest label rows.
    int receiptRowCount() const {
        return receiptGroup1Size + receiptGroup2Size + receiptGroup3Size + receiptGroup4Size;
    }
    platform::Platform& platform() { return platform_; }
    platform::DialogWindow& window() { return *window_; }

    ArchiveExtractor archive;
    // What unpackDriverPackage wrote; the clean-up removes this and nothing else.
    UnpackRecord unpacked;

    // Controls, bound by onInitDialog.
    Button installButton;
    ProgressBar progressBar;
    ComboBox modelCombo;
    ListView connectionKindList;

    std::int32_t setAsDefault = 1;
    std::string statusText;
    std::int32_t receiptGroup4Size = 0;
    std::int32_t receiptGroup3Size = 0;
    std::int32_t receiptGroup2Size = 0;
    std::int32_t receiptGroup1Size = 0;
    std::int32_t labelGroupSize = 0;
    std::int32_t modelRow = 0;
    // Before the first press no row has been read; the serial kind is the row selected first.
    std::int32_t portKind = PORT_KIND_SERIAL;
    std::int32_t baudRate = 9600;
    PortInventory inventory;
    StringList printerNames;
    StringList printerPorts;
    std::string chosenPort;
    std::int32_t isWow64 = 0;
    std::int32_t parity = 0;
    std::int32_t dataBits = 0;
    std::int32_t stopBits = 0;
    // Cleared by a press whose connection kind has no port; set again by one whose kind has.
    std::int32_t portAvailable = 1;
    // The name the spooler knows the new printer by, once it is created.
    std::string installedPrinterName;
    // A port a command line named: a press takes it instead of the first port of its kind
    // when the kind lists it. Empty in the window.
    std::string requiredPort;
    // A printer name a command line gave: the label installation, which names its printer
    // after the drop-down's text, takes this instead. Empty in the window.
    std::string labelPrinterName;

    // True once the start-up worker has done its work, or when it never ran.
    bool startupDone() const {
        return startupEnded_ || !startupThread_.valid() || startupThread_.state()->finished();
    }

private:
    // Calls `visit` for every display name of every catalogue section, in file order, with
    // the section's row; sections past the built-in tables are skipped.
    void forEachDisplayName(const std::function<void(int row, const std::string& name)>& visit);

    void rebuildPortInventory(bool preselectKind);

    // True once the window is closing: the start-up worker takes no further step.
    bool closing() const { return closing_.load(); }

    platform::Platform& platform_;
    unsigned updateDataMessage_;
    // Sent by the start-up worker once its other steps are done.
    unsigned startupEndedMessage_;
    // Install stays disabled until the start-up has ended: before that the system (and so
    // the driver's environment) is not known, and the worker still writes the status line.
    std::atomic<bool> startupEnded_{false};
    // A name picked in the drop-down before the start-up ended (window thread only).
    bool modelPickedDuringStartup_ = false;
    platform::DialogWindow* window_ = nullptr;
    platform::ThreadHandle startupThread_;
    std::atomic<bool> closing_{false};
};
