#pragma once
// What the receipt and label installers share: settling the port of the parallel and TCP/IP
// kinds before anything is staged, and creating the printer once the driver is registered.
#include <cstdint>
#include <string>

class MainDialog;

// The only differences between a receipt and a label printer's creation.
struct PrinterSettings {
    std::string successStatus;
    std::string errorCaption;
    std::uint32_t pauseMs = 0;
};

class PrinterSetup {
public:
    explicit PrinterSetup(MainDialog& dialog) : dialog_(dialog) {}

    // Runs the port dialog of the parallel or TCP/IP kind and sets chosenPort. False when the
    // user cancelled: the install button is usable again and the installation stops.
    bool resolvePortChoice();
    // Creates the printer (replacing one of the same name), makes it the default printer on
    // request, settles USB and serial ports and shows the completion or the failure.
    void createPrinter(const std::string& printerName, const std::string& driverName,
                       const PrinterSettings& settings);

private:
    void enableLoadDriverPrivilege();
    void removeOlderPrinter(const std::string& printerName);
    void writeDefaultPrinter(const std::string& printerName, const std::string& port);
    void reportCreationFailure(long error, const PrinterSettings& settings);

    MainDialog& dialog_;
};
