// The parallel and TCP/IP port choices: the two dialogs, the monitor's own dialogs, and the
// port the printer ends on.
#include <gtest/gtest.h>

#include <atomic>

#include "tests/sim/InstallTestSupport.h"
#include "tests/sim/TemplateChecks.h"

namespace {

const std::string kReceipt = "热敏小票打印机 R58-A";
const std::string kTcpip = sim::SimSpooler::kTcpipMonitor;
const std::string kNoLptText = "PC机无可用并行端口。\r\n\r\n请选择其他端口类型。";
const std::string kNoTcpipText = "There is no available TCP/IP port\r\nClick \"Add port\" to create a new port";

struct PortSpec {
    std::string name;
    std::string description = "Local Port";
    std::string monitor = "Local Port";
};

PortSpec tcpipPort(const std::string& name, const std::string& description = kTcpip) {
    return PortSpec{name, description, kTcpip};
}

// A fixture whose spooler holds exactly `ports` (and COM1 in the serial device map), and
// which counts the spooler's port enumerations.
class PortMachine : public InstallFixture {
public:
    explicit PortMachine(const std::vector<PortSpec>& ports,
                         const std::function<void(sim::SimMachine&)>& prepare = {})
        : InstallFixture([&](sim::SimMachine& m) {
              for (const auto& port : ports) m.spooler.addPort(port.name, port.description, port.monitor);
              m.registry.setString("HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\Serial0", "COM1");
              if (prepare) prepare(m);
          }) {
        machine.spooler.onEnumPorts([this] { ++enumerations; });
    }

    // Calls a choice on the window thread, as the install command does.
    int choose(int kind) {
        int code = 0;
        run->onWindow([&](MainDialog& dialog, sim::SimDialog&) {
            code = kind == PORT_KIND_TCPIP ? dialog.chooseTcpipPort() : dialog.chooseParallelPort();
        });
        return code;
    }
    void script(int templateId, std::function<void(sim::SimDialog&)> action) {
        machine.ui.scriptDialog(templateId, std::move(action));
    }
    std::size_t dialogsShown() { return machine.ui.dialogs().size() - 1; }
    sim::SimDialog& mainWindow() { return *machine.ui.dialogs().front(); }
    std::vector<std::string> printerPorts() {
        std::vector<std::string> ports;
        for (const auto& printer : machine.spooler.printers()) ports.push_back(printer.port);
        return ports;
    }
    // Nothing installed, and the install button usable again.
    void expectStoppedCleanly() {
        EXPECT_TRUE(machine.spooler.printers().empty());
        EXPECT_FALSE(machine.files.exists(kDriverDir64 + "\\uniDRV.DLL"));
        EXPECT_TRUE(control(IDC_INSTALL).enabled);
        EXPECT_EQ(control(IDC_INSTALL).text, "安装");
    }

    std::atomic<int> enumerations{0};
};

std::vector<std::string> column(const sim::SimControl& list, std::size_t subItem) {
    std::vector<std::string> texts;
    for (const auto& row : list.rows) texts.push_back(row.texts.size() > subItem ? row.texts[subItem] : "");
    return texts;
}

std::vector<int> selectedRows(const sim::SimControl& list) {
    std::vector<int> rows;
    for (std::size_t i = 0; i < list.rows.size(); ++i) {
        if (list.rows[i].state & win::LVIS_SELECTED) rows.push_back(static_cast<int>(i));
    }
    return rows;
}

struct ExpectedControl {
    int id;
    const char* className;
    const char* text;
    int x, y, width, height;
};

// The templates as the program's resources define them, against the layout they must have.
void expectTemplate(int id, const char* caption, int width, int height, const std::vector<ExpectedControl>& controls) {
    SCOPED_TRACE(caption);
    const auto& templates = sim::installerDialogTemplates();
    ASSERT_EQ(templates.count(id), 1u);
    const sim::SimDialogTemplate& t = templates.at(id);
    EXPECT_EQ(t.caption, caption);
    EXPECT_EQ(std::vector<int>({t.width, t.height}), std::vector<int>({width, height}));
    EXPECT_EQ(t.fontName, "宋体");
    EXPECT_EQ(t.fontSize, 11);
    for (const char* style : {"DS_SETFONT", "DS_MODALFRAME", "WS_POPUP", "WS_CAPTION", "WS_SYSMENU"}) {
        EXPECT_NE(std::find(t.styles.begin(), t.styles.end(), style), t.styles.end()) << style;
    }
    expectControlsInOrder(t, controls, [](const sim::SimControl& got, const ExpectedControl&) {
        EXPECT_FALSE(got.hasStyle("BS_DEFPUSHBUTTON"));
        if (got.className == "Button") {
            EXPECT_TRUE(got.hasStyle("WS_TABSTOP"));
        }
        if (got.className == "SysListView32") {
            for (const char* style : {"LVS_REPORT", "LVS_SINGLESEL", "LVS_SHOWSELALWAYS", "WS_BORDER", "WS_TABSTOP"}) {
                EXPECT_TRUE(got.hasStyle(style)) << style;
            }
        }
    });
}

TEST(PortDialogTemplates, HaveTheirLayout) {
    expectTemplate(IDD_LPT_PORT_DIALOG, "选择并行端口", 260, 97,
                   {{1004, "SysListView32", "", 7, 15, 246, 57},
                    {1030, "Static", "请选择符合要求的LPT端口", 8, 4, 245, 8},
                    {1037, "Button", "确定", 74, 78, 52, 14},
                    {1039, "Button", "取消", 135, 78, 52, 14}});
    expectTemplate(IDD_TCPIP_PORT_DIALOG, "网络端口配置", 260, 116,
                   {{1004, "SysListView32", "", 7, 15, 246, 57},
                    {1029, "Button", "新端口", 149, 75, 44, 11},
                    {1030, "Static", "请选择符合要求的TCP/IP端口,或者创建一个端口", 8, 4, 186, 8},
                    {1037, "Button", "确定", 73, 97, 52, 14},
                    {1031, "Button", "配置端口", 199, 75, 54, 11},
                    {1032, "Button", "删除端口", 11, 75, 50, 11},
                    {1039, "Button", "取消", 134, 97, 52, 14}});
}

const std::vector<PortSpec> kThreeLpt{{"COM1:"}, {"LPT1:"}, {"lpt9:"}, {"LPT2:"}, {"FILE:"}, {"LPT3:"}};

TEST(ParallelPort, NoLptPortTellsTheUserOnceAndStops) {
    PortMachine f({{"COM1:"}, {"FILE:"}});
    const int before = f.enumerations;
    EXPECT_EQ(f.choose(PORT_KIND_PARALLEL), CHOICE_NONE);
    EXPECT_EQ(f.enumerations, before) << "no refresh";
    EXPECT_EQ(f.dialogsShown(), 0u);
    const auto boxes = f.machine.ui.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kNoLptText);
    EXPECT_EQ(boxes[0].caption, "DriverInstaller");
    EXPECT_EQ(boxes[0].type, win::MB_OK | win::MB_ICONWARNING);
    EXPECT_EQ(boxes[0].ownerTemplate, IDD_MAIN_DIALOG);

    f.install(kReceipt, PORT_KIND_PARALLEL);
    f.expectStoppedCleanly();
}

TEST(ParallelPort, TheOnlyLptPortIsTakenWithoutAQuestion) {
    PortMachine f({{"COM1:"}, {"LPT1:"}, {"FILE:"}});
    const int before = f.enumerations;
    EXPECT_EQ(f.choose(PORT_KIND_PARALLEL), CHOICE_BASE);
    EXPECT_EQ(f.enumerations, before);
    EXPECT_EQ(f.dialogsShown(), 0u);
    EXPECT_TRUE(f.machine.ui.messageBoxes().empty());
}

TEST(ParallelPort, TheDialogListsTheLptPortsAndTheChosenOneGetsThePrinter) {
    PortMachine f(kThreeLpt);
    sim::SimControl list;
    sim::SimDialogTemplate shown;
    bool mainEnabledMeanwhile = true;
    int ownerTemplate = 0;
    f.script(IDD_LPT_PORT_DIALOG, [&](sim::SimDialog& d) {
        list = d.control(IDC_PORT_LIST);
        shown = d.dialogTemplate();
        ownerTemplate = d.ownerTemplate();
        mainEnabledMeanwhile = f.mainWindow().windowEnabled();
        d.userSelectListRow(IDC_PORT_LIST, 2);
        d.userClick(IDC_PORT_OK);
    });
    f.install(kReceipt, PORT_KIND_PARALLEL);

    EXPECT_EQ(shown.caption, "选择并行端口");
    EXPECT_EQ(ownerTemplate, IDD_MAIN_DIALOG);
    EXPECT_FALSE(mainEnabledMeanwhile) << "the main window is disabled while the dialog is shown";
    EXPECT_TRUE(f.mainWindow().windowEnabled());
    // Spooler order; the lower-case lpt9: is not an LPT port.
    EXPECT_EQ(column(list, 0), (std::vector<std::string>{"LPT1:", "LPT2:", "LPT3:"}));
    EXPECT_EQ(column(list, 1), (std::vector<std::string>{"Local Port", "Local Port", "Local Port"}));
    EXPECT_EQ(selectedRows(list), std::vector<int>{0});
    ASSERT_EQ(list.columns.size(), 2u);
    EXPECT_EQ(list.columns[0].text, "端口");
    EXPECT_EQ(list.columns[0].width, 125);
    EXPECT_EQ(list.columns[1].text, "说明");
    EXPECT_EQ(list.columns[1].width, 300);
    EXPECT_EQ(list.extendedStyle & (win::LVS_EX_GRIDLINES | win::LVS_EX_FULLROWSELECT | win::LVS_EX_TRACKSELECT),
              win::LVS_EX_GRIDLINES | win::LVS_EX_FULLROWSELECT);

    EXPECT_EQ(f.printerPorts(), std::vector<std::string>{"LPT3:"});
    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
}

TEST(ParallelPort, ChoosingTheThirdRowGivesItsCodeAfterARefresh) {
    PortMachine f(kThreeLpt);
    f.script(IDD_LPT_PORT_DIALOG, [](sim::SimDialog& d) {
        d.userSelectListRow(IDC_PORT_LIST, 2);
        d.userClick(IDC_PORT_OK);
    });
    const int before = f.enumerations;
    EXPECT_EQ(f.choose(PORT_KIND_PARALLEL), CHOICE_BASE + 2);
    EXPECT_EQ(f.enumerations, before + 2) << "the dialog's list and the refresh after it";
}

TEST(ParallelPort, EveryWayOutButOkStopsTheInstallation) {
    const std::vector<std::pair<const char*, std::function<void(sim::SimDialog&)>>> ways{
        {"Cancel", [](sim::SimDialog& d) { d.userClick(IDC_PORT_CANCEL); }},
        {"close box", [](sim::SimDialog& d) { d.userCloseBox(); }},
        {"Alt+F4", [](sim::SimDialog& d) { d.userPressAltF4(); }},
        {"Escape", [](sim::SimDialog& d) { d.userPressEscape(); }},
        {"OK with no row selected",
         [](sim::SimDialog& d) {
             d.userSelectListRow(IDC_PORT_LIST, -1);
             d.userClick(IDC_PORT_OK);
         }},
    };
    for (const auto& [name, way] : ways) {
        SCOPED_TRACE(name);
        PortMachine f(kThreeLpt);
        f.script(IDD_LPT_PORT_DIALOG, way);
        f.install(kReceipt, PORT_KIND_PARALLEL);
        f.expectStoppedCleanly();
        EXPECT_TRUE(f.machine.ui.messageBoxes().empty());
    }
    PortMachine g(kThreeLpt);
    g.script(IDD_LPT_PORT_DIALOG, [](sim::SimDialog& d) { d.userCloseBox(); });
    EXPECT_EQ(g.choose(PORT_KIND_PARALLEL), CHOICE_NONE);
}

TEST(ParallelPort, EnterInTheListActsAsOk) {
    // The list has the focus and no button is the default: Enter sends IDOK, which is OK here.
    PortMachine f(kThreeLpt);
    f.script(IDD_LPT_PORT_DIALOG, [](sim::SimDialog& d) {
        d.userSelectListRow(IDC_PORT_LIST, 1);
        d.userPressEnter();
    });
    f.install(kReceipt, PORT_KIND_PARALLEL);
    EXPECT_EQ(f.printerPorts(), std::vector<std::string>{"LPT2:"});
}

// The machine has COM1:, so start-up suggests the serial kind. A user who chose another kind
// and left its port choice without a port still has that kind for the next press.
TEST(PortChoice, ALeftChoiceKeepsTheKindTheUserChose) {
    {
        PortMachine f(kThreeLpt);
        EXPECT_EQ(selectedRows(f.control(IDC_CONNECTION_LIST)), std::vector<int>{PORT_KIND_SERIAL});
        f.script(IDD_LPT_PORT_DIALOG, [](sim::SimDialog& d) { d.userClick(IDC_PORT_CANCEL); });
        f.install(kReceipt, PORT_KIND_PARALLEL);
        f.expectStoppedCleanly();
        EXPECT_EQ(selectedRows(f.control(IDC_CONNECTION_LIST)), std::vector<int>{PORT_KIND_PARALLEL});

        // Install again without touching the list: asked again, not installed on COM1:.
        bool askedAgain = false;
        f.script(IDD_LPT_PORT_DIALOG, [&](sim::SimDialog& d) {
            askedAgain = true;
            d.userSelectListRow(IDC_PORT_LIST, 1);
            d.userClick(IDC_PORT_OK);
        });
        f.press();
        EXPECT_TRUE(askedAgain);
        EXPECT_EQ(f.printerPorts(), std::vector<std::string>{"LPT2:"});
    }
    // The TCP/IP dialog cancelled, and the monitor's wizard cancelled where there is no port.
    for (const bool withPort : {true, false}) {
        SCOPED_TRACE(withPort ? "dialog" : "wizard");
        const std::vector<PortSpec> ports =
            withPort ? std::vector<PortSpec>{{"COM1:"}, tcpipPort("IP_A")} : std::vector<PortSpec>{{"COM1:"}};
        PortMachine f(ports);
        if (withPort) f.script(IDD_TCPIP_PORT_DIALOG, [](sim::SimDialog& d) { d.userClick(IDC_PORT_CANCEL); });
        f.install(kReceipt, PORT_KIND_TCPIP);
        f.expectStoppedCleanly();
        EXPECT_EQ(selectedRows(f.control(IDC_CONNECTION_LIST)), std::vector<int>{PORT_KIND_TCPIP});
    }
}

TEST(ParallelPort, AfterACancelEnterInstallsAgainAndThenPressesDone) {
    PortMachine f(kThreeLpt);
    f.script(IDD_LPT_PORT_DIALOG, [](sim::SimDialog& d) { d.userClick(IDC_PORT_CANCEL); });
    f.install(kReceipt, PORT_KIND_PARALLEL);
    // The pressed 安装 lost the focus when it was disabled; the dialog's end gave it to the
    // main window itself, where Enter presses the default button.
    f.run->onWindow([](MainDialog&, sim::SimDialog& window) {
        EXPECT_EQ(window.focusedControl(), 0);
        EXPECT_TRUE(window.focusOnDialog());
    });
    bool askedAgain = false;
    f.script(IDD_LPT_PORT_DIALOG, [&](sim::SimDialog& d) {
        askedAgain = true;
        d.userSelectListRow(IDC_PORT_LIST, 2);
        d.userClick(IDC_PORT_OK);
    });
    f.run->onWindow([](MainDialog&, sim::SimDialog& window) { window.userPressEnter(); });
    EXPECT_TRUE(askedAgain);
    EXPECT_EQ(f.printerPorts(), std::vector<std::string>{"LPT3:"});
    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
    f.run->onWindow([](MainDialog&, sim::SimDialog& window) { window.userPressEnter(); });
    EXPECT_EQ(f.run->join(), win::IDOK);
}

// Neither port dialog has a default button: the focus starts on the list (the first tab
// stop), Tab walks the tab stops in template order, and Enter presses the focused button.
TEST(PortDialogKeys, TabWalksTheTemplateOrderAndEnterPressesTheFocusedButton) {
    PortMachine lpt(kThreeLpt);
    std::vector<int> lptOrder;
    int lptDefault = 0;
    lpt.script(IDD_LPT_PORT_DIALOG, [&](sim::SimDialog& d) {
        lptDefault = d.defaultId();
        lptOrder.push_back(d.focusedControl());
        for (int i = 0; i < 3; ++i) {
            d.userPressTab();
            lptOrder.push_back(d.focusedControl());
        }
        d.userPressTab(true);
        // 取消 has the focus: Enter cancels, although row 0 is selected.
        d.userPressEnter();
    });
    EXPECT_EQ(lpt.choose(PORT_KIND_PARALLEL), CHOICE_NONE);
    EXPECT_EQ(lptDefault, win::IDOK);
    EXPECT_EQ(lptOrder, (std::vector<int>{IDC_PORT_LIST, IDC_PORT_OK, IDC_PORT_CANCEL, IDC_PORT_LIST}));

    PortMachine tcpip({tcpipPort("IP_A"), tcpipPort("IP_B"), tcpipPort("IP_C")});
    std::vector<int> tcpipOrder;
    std::vector<std::string> rowsAfterEnter;
    tcpip.script(IDD_TCPIP_PORT_DIALOG, [&](sim::SimDialog& d) {
        tcpipOrder.push_back(d.focusedControl());
        for (int i = 0; i < 6; ++i) {
            d.userPressTab();
            tcpipOrder.push_back(d.focusedControl());
        }
        // A click gives 删除端口 the focus; Enter then deletes the next selected port too.
        d.userClick(IDC_DELETE_PORT);
        d.userPressEnter();
        rowsAfterEnter = column(d.control(IDC_PORT_LIST), 0);
        d.userClick(IDC_PORT_OK);
    });
    EXPECT_EQ(tcpip.choose(PORT_KIND_TCPIP), CHOICE_BASE);
    EXPECT_EQ(tcpipOrder, (std::vector<int>{IDC_PORT_LIST, IDC_NEW_PORT, IDC_PORT_OK, IDC_CONFIGURE_PORT,
                                            IDC_DELETE_PORT, IDC_PORT_CANCEL, IDC_PORT_LIST}));
    EXPECT_EQ(rowsAfterEnter, std::vector<std::string>{"IP_C"});
    tcpip.run->onWindow([](MainDialog& dialog, sim::SimDialog&) {
        EXPECT_EQ(dialog.inventory.tcpipPorts, StringList{"IP_C"});
    });
}

TEST(ParallelPort, TheRowsPortIsTakenWhereRowsAndInventoryDiffer) {
    // An LPT-named port that is a TCP/IP port counts as TCP/IP in the inventory but is shown
    // among the LPT rows, so row 2 (LPT2:) is inventory entry 1.
    PortMachine f({{"LPT1:"}, tcpipPort("LPT_NET"), {"LPT2:"}});
    f.script(IDD_LPT_PORT_DIALOG, [](sim::SimDialog& d) {
        d.userSelectListRow(IDC_PORT_LIST, 2);
        d.userClick(IDC_PORT_OK);
    });
    f.install(kReceipt, PORT_KIND_PARALLEL);
    EXPECT_EQ(f.printerPorts(), std::vector<std::string>{"LPT2:"});
}

TEST(ParallelPort, APortBeyondTheInventorysReachIsShownButNotTaken) {
    // The inventory reads the first 256 spooler entries; the dialog reads them all.
    std::vector<PortSpec> ports{{"LPT1:"}, {"LPT2:"}};
    for (int i = 0; i < 260; ++i) ports.push_back({"NUL" + std::to_string(i) + ":"});
    ports.push_back({"LPT7:"});
    PortMachine f(ports);
    std::vector<std::string> rows;
    f.script(IDD_LPT_PORT_DIALOG, [&](sim::SimDialog& d) {
        rows = column(d.control(IDC_PORT_LIST), 0);
        d.userSelectListRow(IDC_PORT_LIST, 2);
        d.userClick(IDC_PORT_OK);
    });
    f.install(kReceipt, PORT_KIND_PARALLEL);
    EXPECT_EQ(rows, (std::vector<std::string>{"LPT1:", "LPT2:", "LPT7:"}));
    f.expectStoppedCleanly();
}

TEST(TcpipPort, WithNoPortTheMonitorsWizardOpensOverTheMainWindow) {
    PortMachine f({{"COM1:"}, {"LPT1:"}});
    f.machine.spooler.answerMonitorDialogs({{true, "IP_192.168.1.50"}});
    const int before = f.enumerations;
    EXPECT_EQ(f.choose(PORT_KIND_TCPIP), CHOICE_NEW_PORT);
    EXPECT_EQ(f.enumerations, before + 1) << "the inventory is refreshed";
    EXPECT_EQ(f.dialogsShown(), 0u);
    EXPECT_TRUE(f.machine.ui.messageBoxes().empty());
    const auto wizards = f.machine.spooler.monitorDialogs();
    ASSERT_EQ(wizards.size(), 1u);
    EXPECT_EQ(wizards[0].call, "AddPortA");
    EXPECT_EQ(wizards[0].owner, f.mainWindow().nativeHandle());
    f.run->onWindow([](MainDialog& dialog, sim::SimDialog&) {
        EXPECT_EQ(dialog.inventory.tcpipPorts, StringList{"IP_192.168.1.50"});
    });
}

TEST(TcpipPort, ThePrinterGoesOnTheFirstPortTheWizardMade) {
    PortMachine f({{"COM1:"}, {"LPT1:"}});
    f.machine.spooler.answerMonitorDialogs({{true, "IP_10.0.0.7"}});
    f.install(kReceipt, PORT_KIND_TCPIP);
    EXPECT_EQ(f.printerPorts(), std::vector<std::string>{"IP_10.0.0.7"});
    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
}

TEST(TcpipPort, ACancelledOrFailedWizardStopsWithoutAWord) {
    PortMachine cancelled({{"COM1:"}, {"LPT1:"}});
    const int before = cancelled.enumerations;
    EXPECT_EQ(cancelled.choose(PORT_KIND_TCPIP), CHOICE_NONE);
    EXPECT_EQ(cancelled.enumerations, before + 1) << "the inventory is refreshed all the same";
    cancelled.install(kReceipt, PORT_KIND_TCPIP);
    cancelled.expectStoppedCleanly();
    EXPECT_TRUE(cancelled.machine.ui.messageBoxes().empty());

    // A Windows without the monitor (as Wine) answers 50.
    PortMachine missing({{"COM1:"}, {"LPT1:"}}, [](sim::SimMachine& m) { m.spooler.setTcpipMonitor(false); });
    missing.install(kReceipt, PORT_KIND_TCPIP);
    missing.expectStoppedCleanly();
    EXPECT_TRUE(missing.machine.spooler.monitorDialogs().empty());
}

TEST(TcpipPort, ANewPortInAnotherLanguageIsReportedNotIndexed) {
    PortMachine f({{"COM1:"}}, [](sim::SimMachine& m) { m.spooler.setTcpipMonitor(true, "Standard-TCP/IP-Port"); });
    f.machine.spooler.answerMonitorDialogs({{true, "IP_10.0.0.8"}});
    f.install(kReceipt, PORT_KIND_TCPIP);
    f.expectStoppedCleanly();
    EXPECT_EQ(f.boxTexts(), std::vector<std::string>{"新建的端口不是标准TCP/IP端口,安装已取消。"});
}

TEST(TcpipPort, OnePortIsShownNotChosenSilently) {
    PortMachine f({{"COM1:"}, {"IP_10.0.0.9", "Local Port", "Local Port"}, tcpipPort("IP_10.0.0.2"),
                   {"IP_X", "TCP/IP Port", "Other Monitor"}});
    sim::SimControl list;
    std::string caption;
    f.script(IDD_TCPIP_PORT_DIALOG, [&](sim::SimDialog& d) {
        list = d.control(IDC_PORT_LIST);
        caption = d.dialogTemplate().caption;
        d.userClick(IDC_PORT_OK);
    });
    f.install(kReceipt, PORT_KIND_TCPIP);
    EXPECT_EQ(caption, "网络端口配置");
    EXPECT_EQ(column(list, 0), std::vector<std::string>{"IP_10.0.0.2"});
    EXPECT_EQ(column(list, 1), std::vector<std::string>{"Standard TCP/IP Port"});
    EXPECT_EQ(selectedRows(list), std::vector<int>{0});
    EXPECT_EQ(f.printerPorts(), std::vector<std::string>{"IP_10.0.0.2"});
}

TEST(TcpipPort, ChoosingRowTwoGivesItsCodeAndChineseDescriptionsCount) {
    PortMachine f({tcpipPort("IP_A"), {"LPT1:"}, tcpipPort("IP_B", "标准 TCP/IP 端口"), tcpipPort("IP_C")});
    f.script(IDD_TCPIP_PORT_DIALOG, [](sim::SimDialog& d) {
        EXPECT_EQ(column(d.control(IDC_PORT_LIST), 0), (std::vector<std::string>{"IP_A", "IP_B", "IP_C"}));
        d.userSelectListRow(IDC_PORT_LIST, 2);
        d.userClick(IDC_PORT_OK);
    });
    EXPECT_EQ(f.choose(PORT_KIND_TCPIP), CHOICE_BASE + 2);

    f.script(IDD_TCPIP_PORT_DIALOG, [](sim::SimDialog& d) {
        d.userSelectListRow(IDC_PORT_LIST, 1);
        d.userClick(IDC_PORT_OK);
    });
    f.install(kReceipt, PORT_KIND_TCPIP);
    EXPECT_EQ(f.printerPorts(), std::vector<std::string>{"IP_B"});
}

TEST(TcpipPort, NewPortRebuildsTheListAndSelectsWhatTheWizardMade) {
    PortMachine f({tcpipPort("IP_A"), tcpipPort("IP_B")});
    f.machine.spooler.answerMonitorDialogs({{true, "IP_NEW"}, {false, ""}});
    std::vector<int> afterFinish;
    std::vector<int> afterCancel;
    std::vector<std::string> rows;
    std::uintptr_t dialogHandle = 0;
    f.script(IDD_TCPIP_PORT_DIALOG, [&](sim::SimDialog& d) {
        dialogHandle = d.nativeHandle();
        d.userClick(IDC_NEW_PORT);
        afterFinish = selectedRows(d.control(IDC_PORT_LIST));
        rows = column(d.control(IDC_PORT_LIST), 0);
        d.userClick(IDC_NEW_PORT);
        afterCancel = selectedRows(d.control(IDC_PORT_LIST));
        d.userSelectListRow(IDC_PORT_LIST, 2);
        d.userClick(IDC_PORT_OK);
    });
    f.install(kReceipt, PORT_KIND_TCPIP);
    EXPECT_EQ(rows, (std::vector<std::string>{"IP_A", "IP_B", "IP_NEW"}));
    EXPECT_EQ(afterFinish, std::vector<int>{2});
    EXPECT_EQ(afterCancel, std::vector<int>{0});
    const auto wizards = f.machine.spooler.monitorDialogs();
    ASSERT_EQ(wizards.size(), 2u);
    EXPECT_EQ(wizards[0].owner, dialogHandle) << "the wizard is owned by the port dialog";
    EXPECT_EQ(f.printerPorts(), std::vector<std::string>{"IP_NEW"});
}

TEST(TcpipPort, DeletingTheOnlyPortThenOkWarnsAndKeepsTheDialogOpen) {
    PortMachine f({{"COM1:"}, tcpipPort("IP_A")});
    bool stillOpen = false;
    std::vector<std::string> rowsAfterDelete{"?"};
    f.script(IDD_TCPIP_PORT_DIALOG, [&](sim::SimDialog& d) {
        d.userClick(IDC_DELETE_PORT);
        rowsAfterDelete = column(d.control(IDC_PORT_LIST), 0);
        d.userClick(IDC_PORT_OK);
        d.userPressEnter();
        stillOpen = !d.ended();
        d.userClick(IDC_PORT_CANCEL);
    });
    f.install(kReceipt, PORT_KIND_TCPIP);
    EXPECT_TRUE(rowsAfterDelete.empty());
    EXPECT_TRUE(stillOpen);
    const auto boxes = f.machine.ui.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u) << "OK and Enter both warn";
    for (const auto& box : boxes) {
        EXPECT_EQ(box.text, kNoTcpipText);
        EXPECT_EQ(box.caption, "Prompt");
        EXPECT_EQ(box.type, win::MB_OK);
        EXPECT_EQ(box.ownerTemplate, IDD_TCPIP_PORT_DIALOG);
    }
    f.expectStoppedCleanly();
    f.run->onWindow([](MainDialog& dialog, sim::SimDialog&) { EXPECT_TRUE(dialog.inventory.tcpipPorts.empty()); });
}

TEST(TcpipPort, ConfigureAndDeleteFailuresHaveTheirOwnMessages) {
    PortMachine f({tcpipPort("IP_A"), tcpipPort("IP_B")});
    f.machine.spooler.answerMonitorDialogs({{true, ""}});
    std::vector<std::string> rowsAfterFailedDelete;
    f.script(IDD_TCPIP_PORT_DIALOG, [&](sim::SimDialog& d) {
        d.userSelectListRow(IDC_PORT_LIST, 1);
        d.userClick(IDC_CONFIGURE_PORT);  // finished in the monitor's dialog
        f.machine.spooler.failNext("ConfigurePortA", win::ERROR_NOT_SUPPORTED);
        d.userClick(IDC_CONFIGURE_PORT);
        f.machine.spooler.failNext("ConfigurePortA", win::ERROR_ADAP_HDW_ERR);
        d.userClick(IDC_CONFIGURE_PORT);
        f.machine.spooler.failNext("ConfigurePortA", win::ERROR_ACCESS_DENIED);
        d.userClick(IDC_CONFIGURE_PORT);
        EXPECT_EQ(selectedRows(d.control(IDC_PORT_LIST)), std::vector<int>{1}) << "configuring does not refill";
        f.machine.spooler.failNext("DeletePortA", win::ERROR_NOT_SUPPORTED);
        d.userClick(IDC_DELETE_PORT);
        f.machine.spooler.failNext("DeletePortA", win::ERROR_ACCESS_DENIED);
        d.userClick(IDC_DELETE_PORT);
        rowsAfterFailedDelete = column(d.control(IDC_PORT_LIST), 0);
        d.userClick(IDC_PORT_CANCEL);
    });
    f.install(kReceipt, PORT_KIND_TCPIP);

    const auto boxes = f.machine.ui.messageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Failed to configure printer port.\r\nThe request is not supported.");
    EXPECT_EQ(boxes[0].caption, "Configure Port");
    EXPECT_EQ(boxes[1].text, "Failed to configure printer port.\r\nA hardware error occurred. ");
    EXPECT_EQ(boxes[1].caption, "Configure Por");
    EXPECT_EQ(boxes[2].text, "Failed to delete port.The request is not supported.");
    EXPECT_EQ(boxes[2].caption, "Delete Port");
    for (const auto& box : boxes) {
        EXPECT_EQ(box.type, win::MB_OK);
        EXPECT_EQ(box.ownerTemplate, IDD_TCPIP_PORT_DIALOG);
    }
    const auto shown = f.machine.spooler.monitorDialogs();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].call, "ConfigurePortA");
    EXPECT_EQ(shown[0].port, "IP_B");
    EXPECT_EQ(rowsAfterFailedDelete, (std::vector<std::string>{"IP_A", "IP_B"}));
    f.expectStoppedCleanly();
}

TEST(TcpipPort, EveryWayOutButOkGivesNoChoice) {
    const std::vector<std::pair<const char*, std::function<void(sim::SimDialog&)>>> ways{
        {"Cancel", [](sim::SimDialog& d) { d.userClick(IDC_PORT_CANCEL); }},
        {"close box", [](sim::SimDialog& d) { d.userCloseBox(); }},
        {"Alt+F4", [](sim::SimDialog& d) { d.userPressAltF4(); }},
        {"Escape", [](sim::SimDialog& d) { d.userPressEscape(); }},
    };
    for (const auto& [name, way] : ways) {
        SCOPED_TRACE(name);
        PortMachine f({tcpipPort("IP_A"), tcpipPort("IP_B")});
        f.script(IDD_TCPIP_PORT_DIALOG, way);
        EXPECT_EQ(f.choose(PORT_KIND_TCPIP), CHOICE_NONE);
        f.script(IDD_TCPIP_PORT_DIALOG, way);
        f.install(kReceipt, PORT_KIND_TCPIP);
        f.expectStoppedCleanly();
    }
}

TEST(TcpipPort, NoRowSelectedAndDeleteOrConfigureDoNothingButRefill) {
    PortMachine f({tcpipPort("IP_A")});
    std::vector<int> afterDelete;
    f.script(IDD_TCPIP_PORT_DIALOG, [&](sim::SimDialog& d) {
        d.userSelectListRow(IDC_PORT_LIST, -1);
        d.userClick(IDC_CONFIGURE_PORT);
        d.userClick(IDC_DELETE_PORT);
        afterDelete = selectedRows(d.control(IDC_PORT_LIST));
        d.userSelectListRow(IDC_PORT_LIST, -1);
        d.userClick(IDC_PORT_OK);
    });
    EXPECT_EQ(f.choose(PORT_KIND_TCPIP), CHOICE_NONE) << "OK with no selected row";
    EXPECT_TRUE(f.machine.spooler.monitorDialogs().empty());
    EXPECT_EQ(afterDelete, std::vector<int>{0});
    EXPECT_TRUE(f.machine.ui.messageBoxes().empty());
}

}  // namespace
