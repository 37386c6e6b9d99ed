#pragma once
// Installs the Unidrv-based driver of a receipt model and creates its printer.
class MainDialog;

class ReceiptDriverInstaller {
public:
    explicit ReceiptDriverInstaller(MainDialog& dialog) : dialog_(dialog) {}
    void install();

private:
    MainDialog& dialog_;
};
