#pragma once
// What a command-line run tells the tool that started it. Never 0 on a failure.

constexpr int EXIT_OK = 0;
// The command line cannot be understood (and /?, which asks for the usage only).
constexpr int EXIT_BAD_COMMAND_LINE = 1;
// DriverData.Drv or the archive library is missing, or the package was not unpacked.
constexpr int EXIT_PACKAGE_MISSING = 2;
// No section of the package's DriverName.cfg lists the model.
constexpr int EXIT_UNKNOWN_MODEL = 3;
// The machine has no port of the kind asked for, or not the port named.
constexpr int EXIT_NO_PORT = 4;
// The spooler refused the print monitor or the driver: adding them, or with /remove /driver
// deleting them (the printer is deleted all the same).
constexpr int EXIT_DRIVER_REFUSED = 5;
// The printer was not created.
constexpr int EXIT_PRINTER_NOT_CREATED = 6;
// The spooler does not run and could not be started.
constexpr int EXIT_SPOOLER_NOT_RUNNING = 7;
// The printer to remove does not exist.
constexpr int EXIT_PRINTER_NOT_FOUND = 8;
// Installed, but no USB port confirmed the printer: it stays on the last candidate.
constexpr int EXIT_USB_UNCONFIRMED = 9;
// Any other failure the installation reported (a registry record it could not write...).
constexpr int EXIT_INSTALL_FAILED = 10;
