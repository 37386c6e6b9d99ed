#include "app/CommandLine.h"

#include <algorithm>
#include <array>
#include <map>

#include "platform/CodePage936.h"

namespace {

std::string lowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool isSwitchSyntax(const std::string& arg) { return arg.size() > 1 && (arg[0] == '/' || arg[0] == '-'); }

// Switch name without its "/" or "-", lower case.
std::string switchName(const std::string& arg) { return lowerAscii(arg.substr(1)); }

constexpr std::array<const char*, 7> kValueSwitches{"model", "port", "name", "host", "portnumber", "log", "remove"};
constexpr std::array<const char*, 5> kFlagSwitches{"quiet", "nodefault", "driver", "list", "?"};

template <std::size_t N>
bool named(const std::array<const char*, N>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(), [&](const char* s) { return name == s; });
}

bool takesValue(const std::string& name) { return named(kValueSwitches, name); }
bool isFlag(const std::string& name) { return named(kFlagSwitches, name); }

bool isKnownSwitch(const std::string& arg) {
    if (!isSwitchSyntax(arg)) return false;
    const std::string name = switchName(arg);
    return takesValue(name) || isFlag(name);
}

std::optional<std::int32_t> portKindOf(const std::string& value) {
    const std::string v = lowerAscii(value);
    if (v == "com") return PORT_KIND_SERIAL;
    if (v == "usb") return PORT_KIND_USB;
    if (v == "lpt") return PORT_KIND_PARALLEL;
    if (v == "tcpip") return PORT_KIND_TCPIP;
    return std::nullopt;
}

bool parsePortNumber(const std::string& text, int& number) {
    if (text.empty() || text.size() > 5) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return false;
    number = value;
    return true;
}

// A printer's address as the TCP/IP port takes it: PORT_DATA_1 holds 48 characters, and the
// port is named after it, so only what an IPv4 or IPv6 address or a host name is made of:
// nothing a port name, a registry key or the spooler's ",XcvPort NAME" would read differently.
bool isHostAddress(const std::string& text) {
    if (text.empty() || text.size() > MAX_HOST_ADDRESS_CHARS) return false;
    for (char c : text) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                             c == '-' || c == ':';
        if (!allowed) return false;
    }
    return true;
}

CommandLine refuse(std::string why, bool quiet, std::string logPath) {
    CommandLine result;
    result.action = CommandAction::Usage;
    result.error = std::move(why);
    result.quiet = quiet;
    result.logPath = std::move(logPath);
    return result;
}

}  // namespace

std::vector<std::string> splitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    std::string current;
    bool inArg = false;
    bool inQuotes = false;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (!inQuotes && (c == ' ' || c == '\t')) {
            if (inArg) args.push_back(current);
            current.clear();
            inArg = false;
            ++i;
            continue;
        }
        inArg = true;
        if (c == '\\') {
            std::size_t count = 0;
            while (i < line.size() && line[i] == '\\') {
                ++count;
                ++i;
            }
            if (i < line.size() && line[i] == '"') {
                current.append(count / 2, '\\');
                if (count % 2 == 1) {
                    current += '"';
                    ++i;
                }
            } else {
                current.append(count, '\\');
            }
            continue;
        }
        if (c == '"') {
            if (inQuotes && i + 1 < line.size() && line[i + 1] == '"') {
                current += '"';
                i += 2;
                continue;
            }
            inQuotes = !inQuotes;
            ++i;
            continue;
        }
        // A double-byte character is taken whole: its trail byte may be 0x5C, which is no
        // backslash there. As the C runtime does, a lead byte takes the next byte, whatever it is.
        const std::size_t length = cp936::isLeadByte(static_cast<unsigned char>(c)) && i + 1 < line.size() ? 2 : 1;
        current.append(line, i, length);
        i += length;
    }
    if (inArg) args.push_back(current);
    return args;
}

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine result;
    if (args.empty()) return result;

    // Gathered first, judged after: the order of the switches is free.
    std::map<std::string, std::string> values;
    std::map<std::string, bool> flags;
    std::string firstProblem;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const std::string name = isSwitchSyntax(arg) ? switchName(arg) : std::string();
        std::string problem;
        if (!isSwitchSyntax(arg)) {
            problem = "unexpected argument \"" + arg + "\"";
        } else if (isFlag(name)) {
            if (flags[name]) problem = "the switch " + arg + " is given twice";
            flags[name] = true;
        } else if (takesValue(name)) {
            if (i + 1 >= args.size() || isKnownSwitch(args[i + 1])) {
                problem = "the switch " + arg + " needs a value";
            } else {
                const std::string& value = args[++i];
                if (values.count(name) != 0) {
                    problem = "the switch " + arg + " is given twice";
                } else if (value.empty()) {
                    problem = "the switch " + arg + " needs a value";
                }
                values[name] = value;
            }
        } else {
            problem = "unknown switch " + arg;
        }
        if (!problem.empty() && firstProblem.empty()) firstProblem = problem;
    }

    const bool quiet = flags["quiet"];
    const std::string logPath = values.count("log") != 0 ? values["log"] : std::string();
    if (!firstProblem.empty()) return refuse(firstProblem, quiet, logPath);
    if (flags["?"]) return refuse("", quiet, logPath);

    result.quiet = quiet;
    result.logPath = logPath;
    const bool install = values.count("model") != 0;
    const bool remove = values.count("remove") != 0;
    const bool list = flags["list"];
    if (static_cast<int>(install) + static_cast<int>(remove) + static_cast<int>(list) != 1) {
        return refuse(install || remove || list ? "only one of /model, /remove and /list may be given"
                                                : "nothing to do: give /model, /remove or /list",
                      quiet, logPath);
    }

    // Switches that belong to one action only.
    auto onlyWith = [&](const char* name, bool allowed) { return allowed || (values.count(name) == 0 && !flags[name]); };
    for (const char* name : {"port", "name", "nodefault", "host", "portnumber"}) {
        if (!onlyWith(name, install)) return refuse(std::string("/") + name + " belongs to /model", quiet, logPath);
    }
    if (!onlyWith("driver", remove)) return refuse("/driver belongs to /remove", quiet, logPath);

    if (list) {
        result.action = CommandAction::List;
        return result;
    }
    if (remove) {
        result.action = CommandAction::Remove;
        result.removeName = values["remove"];
        result.removeDriver = flags["driver"];
        return result;
    }

    result.action = CommandAction::Install;
    result.model = values["model"];
    if (values.count("port") == 0) return refuse("/model needs /port", quiet, logPath);
    const std::string& port = values["port"];
    result.portKind = portKindOf(port);
    if (!result.portKind) result.portName = port;
    if (values.count("name") != 0) result.printerName = values["name"];
    result.noDefault = flags["nodefault"];
    if (values.count("host") != 0) {
        if (result.portKind != PORT_KIND_TCPIP) return refuse("/host needs /port TCPIP", quiet, logPath);
        result.host = values["host"];
        if (!isHostAddress(result.host)) {
            return refuse("/host takes an IP address or a host name of at most " + std::to_string(MAX_HOST_ADDRESS_CHARS) +
                              " letters, digits, \".\", \"-\" and \":\"",
                          quiet, logPath);
        }
    }
    if (values.count("portnumber") != 0) {
        if (result.host.empty()) return refuse("/portnumber needs /host", quiet, logPath);
        if (!parsePortNumber(values["portnumber"], result.portNumber)) {
            return refuse("/portnumber takes a number from 1 to 65535", quiet, logPath);
        }
    }
    return result;
}

std::string commandLineUsage() {
    return "DriverInstaller.exe /quiet /model \"<display name>\" /port <COM | USB | LPT | TCPIP | port name>\r\n"
           "        [/name \"<printer name>\"] [/nodefault] [/host <address> [/portnumber <n>]] [/log \"<file>\"]\r\n"
           "DriverInstaller.exe /quiet /remove \"<printer name>\" [/driver] [/log \"<file>\"]\r\n"
           "DriverInstaller.exe /list [/log \"<file>\"]\r\n"
           "DriverInstaller.exe /?";
}

bool sameSpoolerName(const std::string& a, const std::string& b) {
    return cp936::foldCase(a) == cp936::foldCase(b);
}
