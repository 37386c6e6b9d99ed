#pragma once
// The installer's command line, for deployment tools that run it without a user: what to do,
// or why the arguments cannot be understood. Started without arguments the installer is the
// window and nothing here applies.
#include <optional>
#include <string>
#include <vector>

#include "app/MainDialog.h"

enum class CommandAction {
    Window,   // no arguments: the installer's window, as always
    Install,  // /model with /port
    Remove,   // /remove
    List,     // /list
    Usage,    // /? or a command line that cannot be understood (`error` says why)
};

struct CommandLine {
    CommandAction action = CommandAction::Window;
    // Why the command line cannot be understood; empty for /? and for every runnable one.
    std::string error;

    bool quiet = false;
    std::string logPath;  // empty: DriverInstaller.log in %TEMP%

    // Install.
    std::string model;
    // /port: a connection kind (COM, USB, LPT, TCPIP) or, when `portKind` is empty, the name
    // of the one port to take.
    std::optional<std::int32_t> portKind;
    std::string portName;
    std::string printerName;  // empty: the display name
    bool noDefault = false;
    // /host: the printer's address; the installation then makes or reuses the standard
    // TCP/IP port standardTcpipPortName(host) for it, on port number `portNumber`.
    std::string host;
    int portNumber = 9100;

    // Remove.
    std::string removeName;
    bool removeDriver = false;
};

// The longest /host: what PORT_DATA_1's host address holds.
constexpr std::size_t MAX_HOST_ADDRESS_CHARS = 48;

// The port made for a /host address, named as Windows' own add-port wizard names it.
// Whether the spooler takes `a` and `b` for the same printer, driver, monitor or port name: it
// compares them without case. Code page 936 text: the trail byte of a double-byte character
// is no letter, whatever its value.
bool sameSpoolerName(const std::string& a, const std::string& b);

inline std::string standardTcpipPortName(const std::string& host) { return "IP_" + host; }

// Splits a command line as the C runtime of a Windows program does: blanks separate arguments
// outside double quotes; 2n backslashes before a quote give n backslashes and the quote
// delimits, 2n+1 give n backslashes and a literal quote; "" inside quotes is one quote.
std::vector<std::string> splitCommandLine(const std::string& line);

// The arguments after the program's name.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// The usage text, as the message box and the log show it.
std::string commandLineUsage();
