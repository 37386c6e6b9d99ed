#pragma once
// Installs the driver and the language monitor of a label model and creates its printer.
class MainDialog;

class LabelDriverInstaller {
public:
    explicit LabelDriverInstaller(MainDialog& dialog) : dialog_(dialog) {}
    void install();

private:
    MainDialog& dialog_;
};
