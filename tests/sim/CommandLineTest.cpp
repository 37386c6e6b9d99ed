// The command line a deployment tool gives the installer.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

CommandLine parse(const std::string& line) { return parseCommandLine(splitCommandLine(line)); }

TEST(CommandLineSplitTest, FollowsTheRuntimeRulesForQuotesAndBackslashes) {
    using V = std::vector<std::string>;
    EXPECT_EQ(splitCommandLine(""), V{});
    EXPECT_EQ(splitCommandLine("  /quiet \t /list  "), (V{"/quiet", "/list"}));
    EXPECT_EQ(splitCommandLine("/model \"POS 80 Printer\" /port COM"), (V{"/model", "POS 80 Printer", "/port", "COM"}));
    EXPECT_EQ(splitCommandLine("/log \"C:\\Logs\\\\\""), (V{"/log", "C:\\Logs\\"}));
    EXPECT_EQ(splitCommandLine("a\\\\\\\"b c\\d"), (V{"a\\\"b", "c\\d"}));
    EXPECT_EQ(splitCommandLine("\"say \"\"hi\"\"\" \"\""), (V{"say \"hi\"", ""}));
    EXPECT_EQ(splitCommandLine("x\"y z\"w"), (V{"xy zw"}));
    // A double-byte character whose trail byte is 0x5C before a quote does not escape it.
    const std::string withTrail5C = std::string("\"\x95\x5C\"") + " next";
    EXPECT_EQ(splitCommandLine(withTrail5C), (V{"\x95\x5C", "next"}));
}

TEST(CommandLineParseTest, NoArgumentsIsTheWindow) {
    const CommandLine c = parseCommandLine({});
    EXPECT_EQ(c.action, CommandAction::Window);
    EXPECT_TRUE(c.error.empty());
}

TEST(CommandLineParseTest, InstallTakesEverySwitchInAnyOrderAndCase) {
    const CommandLine c = parse(
        "-PORTNUMBER 9101 /Host 10.0.0.5 /port tcpip /NoDefault -name \"Till 1\" /LOG \"C:\\a b.log\" "
        "/model \"POS 80\" /QUIET");
    ASSERT_EQ(c.action, CommandAction::Install) << c.error;
    EXPECT_TRUE(c.quiet);
    EXPECT_EQ(c.model, "POS 80");
    EXPECT_EQ(c.portKind, PORT_KIND_TCPIP);
    EXPECT_EQ(c.printerName, "Till 1");
    EXPECT_TRUE(c.noDefault);
    EXPECT_EQ(c.host, "10.0.0.5");
    EXPECT_EQ(c.portNumber, 9101);
    EXPECT_EQ(c.logPath, "C:\\a b.log");

    const CommandLine d = parse("/model M /port COM");
    ASSERT_EQ(d.action, CommandAction::Install);
    EXPECT_FALSE(d.quiet);
    EXPECT_FALSE(d.noDefault);
    EXPECT_EQ(d.printerName, "");
    EXPECT_EQ(d.portNumber, 9100);
    EXPECT_EQ(d.logPath, "");
}

TEST(CommandLineParseTest, PortIsAKindOrOneNamedPort) {
    EXPECT_EQ(parse("/model M /port com").portKind, PORT_KIND_SERIAL);
    EXPECT_EQ(parse("/model M /port Usb").portKind, PORT_KIND_USB);
    EXPECT_EQ(parse("/model M /port LPT").portKind, PORT_KIND_PARALLEL);
    EXPECT_EQ(parse("/model M /port TCPIP").portKind, PORT_KIND_TCPIP);
    for (const char* name : {"COM2:", "LPT2:", "USB002", "IP_10.0.0.5"}) {
        const CommandLine c = parse(std::string("/model M /port ") + name);
        ASSERT_EQ(c.action, CommandAction::Install) << name;
        EXPECT_FALSE(c.portKind.has_value()) << name;
        EXPECT_EQ(c.portName, name);
    }
}

TEST(CommandLineParseTest, RemoveListAndHelp) {
    const CommandLine r = parse("/quiet /remove \"Till 1\" /driver /log x.log");
    ASSERT_EQ(r.action, CommandAction::Remove) << r.error;
    EXPECT_EQ(r.removeName, "Till 1");
    EXPECT_TRUE(r.removeDriver);
    EXPECT_EQ(r.logPath, "x.log");
    EXPECT_FALSE(parse("/quiet /remove P").removeDriver);

    const CommandLine l = parse("/LIST");
    EXPECT_EQ(l.action, CommandAction::List);

    for (const char* help : {"/?", "-?", "/quiet /?", "/model M /port COM /?"}) {
        const CommandLine h = parse(help);
        EXPECT_EQ(h.action, CommandAction::Usage) << help;
        EXPECT_EQ(h.error, "") << help;
    }
    EXPECT_TRUE(parse("/? /quiet").quiet);
}

TEST(CommandLineParseTest, WhatCannotBeUnderstoodSaysWhy) {
    // Each line, and the words its reason must hold.
    const std::vector<std::pair<const char*, const char*>> cases{
        {"/quiet", "nothing to do"},
        {"/log x.log", "nothing to do"},
        {"/model", "needs a value"},
        {"/model /port COM", "/model needs a value"},
        {"/model \"\" /port COM", "needs a value"},
        {"/model M", "needs /port"},
        {"/model M /port COM extra", "unexpected argument \"extra\""},
        {"model M /port COM", "unexpected argument"},
        {"/model M /port COM /colour red", "unknown switch /colour"},
        {"/model M /model N /port COM", "twice"},
        {"/quiet /quiet /list", "twice"},
        {"/model M /port COM /list", "only one"},
        {"/remove P /list", "only one"},
        {"/remove P /port COM", "/port belongs to /model"},
        {"/remove P /nodefault", "/nodefault belongs to /model"},
        {"/list /name X", "/name belongs to /model"},
        {"/model M /port COM /driver", "/driver belongs to /remove"},
        {"/model M /port COM /host 10.0.0.5", "/host needs /port TCPIP"},
        {"/model M /port IP_10.0.0.5 /host 10.0.0.5", "/host needs /port TCPIP"},
        {"/model M /port TCPIP /portnumber 9100", "/portnumber needs /host"},
        {"/model M /port TCPIP /host h /portnumber 0", "1 to 65535"},
        {"/model M /port TCPIP /host h /portnumber 65536", "1 to 65535"},
        {"/model M /port TCPIP /host h /portnumber 91a", "1 to 65535"},
        {"/model M /port TCPIP /host h /portnumber -5", "1 to 65535"},
        {"/model M /port LPT /host 10.0.0.5", "/host needs /port TCPIP"},
        // PORT_DATA_1 holds 48 characters of address, and the port is named after it.
        {"/model M /port TCPIP /host " "a23456789.123456789.123456789.123456789.12345678z", "at most 48"},
        {"/model M /port TCPIP /host 10.0.0.5,LPT1:", "/host takes"},
        {"/model M /port TCPIP /host host\\share", "/host takes"},
        {"/model M /port TCPIP /host \"10.0.0.5 \"", "/host takes"},
    };
    for (const auto& [line, why] : cases) {
        const CommandLine c = parse(line);
        EXPECT_EQ(c.action, CommandAction::Usage) << line;
        EXPECT_NE(c.error.find(why), std::string::npos) << line << ": " << c.error;
    }
    // A refused line still knows where to log and whether to stay quiet.
    const CommandLine q = parse("/quiet /log r.log /bogus");
    EXPECT_TRUE(q.quiet);
    EXPECT_EQ(q.logPath, "r.log");
    EXPECT_FALSE(q.error.empty());
}

TEST(CommandLineParseTest, AcceptsTheLargestPortNumber) {
    const CommandLine c = parse("/model M /port TCPIP /host h /portnumber 65535");
    ASSERT_EQ(c.action, CommandAction::Install) << c.error;
    EXPECT_EQ(c.portNumber, 65535);
}

TEST(CommandLineParseTest, AHostIsAnAddressOrNameThePortRecordHolds) {
    for (const char* host : {"10.0.0.5", "printer-3.shop.example", "fe80::1", "a23456789.123456789.123456789.123456789.1234567z"}) {
        const CommandLine c = parse(std::string("/model M /port TCPIP /host ") + host);
        ASSERT_EQ(c.action, CommandAction::Install) << host << ": " << c.error;
        EXPECT_EQ(c.host, host);
        EXPECT_EQ(standardTcpipPortName(c.host), std::string("IP_") + host);
    }
}

}  // namespace
