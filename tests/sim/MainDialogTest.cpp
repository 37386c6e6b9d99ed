// The main window as the user sees it during and after start-up, the "MyUpdateData"
// transfer, and a start-up worker that never starts. Closing the window while the worker runs
// is in StartupConcurrencyTest.cpp.
#include <gtest/gtest.h>

#include "platform/WinConstants.h"
#include "tests/sim/InstallTestSupport.h"

namespace {

const std::string kPrompt = "请选择打印机型号";

int selectedRow(sim::SimDialog& window) {
    const auto& rows = window.control(IDC_CONNECTION_LIST).rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].state & win::LVIS_SELECTED) return static_cast<int>(i);
    }
    return -1;
}

TEST(MainDialog, ShowsTheReadyWindowAfterStartUp) {
    sim::SimMachine machine;
    machine.installDefaultPorts();
    InstallerRun run(machine);
    ASSERT_TRUE(run.waitForStartup());

    run.onWindow([](MainDialog& dialog, sim::SimDialog& window) {
        EXPECT_EQ(window.dialogTemplate().caption, "打印机驱动安装");

        const sim::SimControl& list = window.control(IDC_CONNECTION_LIST);
        ASSERT_EQ(list.columns.size(), 2u);
        EXPECT_EQ(list.columns[0].text, "端口");
        EXPECT_EQ(list.columns[0].width, 110);
        EXPECT_EQ(list.columns[1].text, "说明");
        EXPECT_EQ(list.columns[1].width, 525);
        const std::vector<std::pair<std::string, std::string>> rows{
            {"串口(COM)", "安装过程中将为您选择一个默认的串行端口"},
            {"USB口", "安装过程中将为您选择一个默认的USB端口"},
            {"并口(LPT)", "安装之前程序会提示您选择一个LPT端口"},
            {"TCP/IP", "安装之前程序会提示您选择或者配置一个TCP/IP端口"},
        };
        ASSERT_EQ(list.rows.size(), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(list.rows[i].texts.at(0), rows[i].first);
            EXPECT_EQ(list.rows[i].texts.at(1), rows[i].second);
            EXPECT_EQ(list.rows[i].state & win::LVIS_FOCUSED, 0u);
        }
        EXPECT_EQ(list.extendedStyle, win::LVS_EX_GRIDLINES | win::LVS_EX_FULLROWSELECT);
        // COM1:, LPT1: and FILE: with no USB port suggest the serial kind.
        EXPECT_EQ(selectedRow(window), PORT_KIND_SERIAL);

        const sim::SimControl& combo = window.control(IDC_MODEL_COMBO);
        EXPECT_EQ(combo.items, std::vector<std::string>{kPrompt});
        EXPECT_EQ(combo.curSel, 0);
        EXPECT_EQ(window.control(IDC_PRINTER_NAME).text, kPrompt);
        EXPECT_FALSE(window.control(IDC_INSTALL).enabled);
        EXPECT_EQ(window.control(IDC_INSTALL).text, "安装");
        EXPECT_TRUE(window.control(win::IDCANCEL).enabled);
        EXPECT_EQ(window.control(IDC_SET_DEFAULT).check, win::BST_CHECKED);
        // The simulated machine is 64-bit Windows 10.
        EXPECT_EQ(window.control(IDC_STATUS).text, "当前系统为Microsoft Windows 10 64位");

        EXPECT_EQ(dialog.parity, 'N');
        EXPECT_EQ(dialog.dataBits, 8);
        EXPECT_EQ(dialog.stopBits, 1);
        EXPECT_EQ(dialog.receiptGroup1Size + dialog.receiptGroup2Size + dialog.receiptGroup3Size +
                      dialog.receiptGroup4Size,
                  33);
        EXPECT_EQ(dialog.labelGroupSize, 5);
    });
    EXPECT_EQ(run.close(), win::IDCANCEL);
}

TEST(MainDialog, TheFirstTransferShowsAnEmptyStatusLineNotTheTemplatePlaceholder) {
    sim::SimMachine machine;
    Gate gate;
    machine.spooler.onEnumPorts([&] { gate.wait(); });
    InstallerRun run(machine);
    gate.waitEntered();
    run.onWindow([](MainDialog&, sim::SimDialog& window) {
        EXPECT_EQ(window.control(IDC_STATUS).text, "");
        EXPECT_FALSE(window.control(IDC_INSTALL).enabled);
    });
    gate.open();
}

TEST(MainDialog, InitInstanceRunsTheDialogAndReturnsFalse) {
    sim::SimMachine machine;
    bool result = true;
    std::thread app([&] {
        InstallerApp installer(machine.platform());
        result = installer.initInstance();
    });
    ASSERT_TRUE(machine.ui.waitUntil([](sim::SimDialog& window) { return window.control(IDC_MODEL_COMBO).items.size() == 1; }));
    machine.ui.asUser([](sim::SimDialog& window) { window.userCloseBox(); });
    app.join();
    EXPECT_FALSE(result);
    ASSERT_EQ(machine.ui.dialogs().size(), 1u);
    EXPECT_EQ(machine.ui.dialogs()[0]->result(), win::IDCANCEL);
}

TEST(MainDialog, ConnectionKindListFilledTwiceIsTheSameAndKeepsForeignStyleBits) {
    sim::SimMachine machine;
    InstallerRun run(machine);
    ASSERT_TRUE(run.waitForStartup());
    run.onWindow([](MainDialog& dialog, sim::SimDialog& window) {
        // Check boxes and header drag-and-drop, set by someone else, must survive a refill;
        // track-select must not.
        window.listSetExtendedStyle(IDC_CONNECTION_LIST, 0, 0x04 | 0x10 | win::LVS_EX_TRACKSELECT);
        window.userSelectListRow(IDC_CONNECTION_LIST, 3);
        dialog.fillConnectionKindList();
        dialog.fillConnectionKindList();
        const sim::SimControl& list = window.control(IDC_CONNECTION_LIST);
        EXPECT_EQ(list.columns.size(), 2u);
        ASSERT_EQ(list.rows.size(), 4u);
        EXPECT_EQ(list.rows[3].texts[0], "TCP/IP");
        EXPECT_EQ(list.extendedStyle, 0x04u | 0x10u | win::LVS_EX_GRIDLINES | win::LVS_EX_FULLROWSELECT);
        EXPECT_EQ(selectedRow(window), PORT_KIND_SERIAL);
    });
}

TEST(MainDialog, MyUpdateDataMovesMembersToControlsAndBack) {
    sim::SimMachine machine;
    InstallerRun run(machine);
    ASSERT_TRUE(run.waitForStartup());
    // Every caller that registers the name gets the same identifier.
    EXPECT_EQ(machine.ui.registerWindowMessage("MyUpdateData"), run.updateDataMessage);

    run.onWindow([&](MainDialog& dialog, sim::SimDialog& window) {
        // Members to controls: wParam 0 shows the members and never reads the controls.
        window.userClick(IDC_SET_DEFAULT);
        window.userType(IDC_STATUS, "typed by nobody");
        dialog.statusText = "当前状态";
        dialog.setAsDefault = 1;
        EXPECT_EQ(window.sendRegistered(run.updateDataMessage, 0, 0), 1);
        EXPECT_EQ(window.control(IDC_STATUS).text, "当前状态");
        EXPECT_EQ(window.control(IDC_SET_DEFAULT).check, win::BST_CHECKED);
        EXPECT_EQ(dialog.statusText, "当前状态");

        // A stored value no check box knows is shown unticked.
        dialog.setAsDefault = 7;
        window.sendRegistered(run.updateDataMessage, 0, 0);
        EXPECT_EQ(window.control(IDC_SET_DEFAULT).check, win::BST_UNCHECKED);

        // Controls to members.
        window.userClick(IDC_SET_DEFAULT);
        window.userType(IDC_STATUS, "新的状态");
        EXPECT_EQ(window.sendRegistered(run.updateDataMessage, 1, 0), 1);
        EXPECT_EQ(dialog.setAsDefault, win::BST_CHECKED);
        EXPECT_EQ(dialog.statusText, "新的状态");

        // Another registered message is not this dialog's business.
        const unsigned other = machine.ui.registerWindowMessage("SomeoneElsesMessage");
        ASSERT_NE(other, run.updateDataMessage);
        dialog.statusText = "不应显示";
        EXPECT_EQ(window.sendRegistered(other, 0, 0), 0);
        EXPECT_EQ(window.control(IDC_STATUS).text, "新的状态");
    });
}

TEST(MainDialog, MyUpdateDataFromTheWorkerRunsOnTheWindowThread) {
    sim::SimMachine machine;
    InstallerRun run(machine);
    ASSERT_TRUE(run.waitForStartup());
    MainDialog* dialogPtr = nullptr;
    run.onWindow([&](MainDialog& dialog, sim::SimDialog&) { dialogPtr = &dialog; });
    std::thread worker([&] {
        dialogPtr->statusText = "来自工作线程";
        dialogPtr->sendUpdateData();
    });
    worker.join();
    run.onWindow([](MainDialog&, sim::SimDialog& window) {
        EXPECT_EQ(window.control(IDC_STATUS).text, "来自工作线程");
    });
}

// A name picked while the worker has yet to learn the system (and so which driver files fit)
// must not enable install; once the start-up has ended, it counts.
TEST(MainDialog, InstallStaysDisabledUntilTheStartUpHasEnded) {
    for (const bool pick : {true, false}) {
        SCOPED_TRACE(pick ? "a name picked during start-up" : "nothing picked");
        sim::SimMachine machine;
        machine.files.writeFile("C:\\DriverName.cfg", "[A]\r\nPrintName1=型号一\r\nPrintName2=型号二\r\n");
        Gate gate;
        machine.system.onVersionQuery([&] { gate.wait(); });
        InstallerRun run(machine);
        gate.waitEntered();
        machine.ui.asUser([&](sim::SimDialog& window) {
            ASSERT_EQ(window.control(IDC_MODEL_COMBO).items.size(), 2u);
            if (!pick) return;
            window.userSelectCombo(IDC_MODEL_COMBO, 1);
            window.userType(IDC_PRINTER_NAME, "收银台");
        });
        run.onWindow([&](MainDialog&, sim::SimDialog& window) { EXPECT_FALSE(window.control(IDC_INSTALL).enabled); });
        gate.open();
        ASSERT_TRUE(run.waitForStartup());
        run.onWindow([&](MainDialog&, sim::SimDialog& window) {
            const sim::SimControl& combo = window.control(IDC_MODEL_COMBO);
            ASSERT_EQ(combo.items.size(), 3u);
            EXPECT_EQ(combo.items[0], "请选择打印机型号");
            EXPECT_EQ(combo.curSel, pick ? 2 : 0);
            EXPECT_EQ(window.control(IDC_PRINTER_NAME).text, pick ? "收银台" : "请选择打印机型号");
            EXPECT_EQ(window.control(IDC_INSTALL).enabled, pick);
        });
        // A pick after the start-up enables install at once.
        machine.ui.asUser([](sim::SimDialog& window) { window.userSelectCombo(IDC_MODEL_COMBO, 1); });
        run.onWindow([](MainDialog&, sim::SimDialog& window) {
            EXPECT_TRUE(window.control(IDC_INSTALL).enabled);
            EXPECT_EQ(window.control(IDC_PRINTER_NAME).text, "型号一");
        });
        EXPECT_EQ(run.close(), win::IDCANCEL);
    }
}

// A box the start-up worker raises holds the worker until the user answers it, and the
// window it belongs to ignores the user meanwhile, as a real message box disables its owner.
TEST(MainDialog, ABoxOfTheStartUpHoldsTheWorkerAndTheWindowUntilAnswered) {
    sim::SimMachine machine;
    machine.services.configure("Spooler", [](sim::SimServices::Service& spooler) { spooler.queryFails = true; });
    machine.ui.holdMessageBoxes();
    InstallerRun run(machine);
    const auto box = machine.ui.waitForOpenBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, "无法确定服务状态");
    EXPECT_EQ(box->ownerTemplate, IDD_MAIN_DIALOG);
    machine.ui.asUser([](sim::SimDialog& window) {
        EXPECT_FALSE(window.windowEnabled());
        window.userSelectListRow(IDC_CONNECTION_LIST, PORT_KIND_TCPIP);
        window.userCloseBox();
        window.userPressEscape();
    });
    EXPECT_FALSE(machine.ui.dialogs().front()->ended());
    EXPECT_FALSE(machine.threads.allFinished());
    // The later steps wait for the answer: the package has not been looked at.
    EXPECT_EQ(machine.archives.loads(), 0);
    run.onWindow([](MainDialog&, sim::SimDialog& window) { EXPECT_EQ(selectedRow(window), PORT_KIND_SERIAL); });

    machine.ui.answerOpenBox(win::IDOK);
    ASSERT_TRUE(run.waitForStartup());
    EXPECT_EQ(machine.archives.loads(), 1);
    ASSERT_EQ(machine.ui.messageBoxes().size(), 1u);
    EXPECT_EQ(machine.ui.messageBoxes()[0].answer, win::IDOK);
    run.onWindow([](MainDialog&, sim::SimDialog& window) { EXPECT_TRUE(window.windowEnabled()); });
    EXPECT_EQ(run.close(), win::IDCANCEL);
}

TEST(MainDialog, AFailedThreadStartLeavesTheWindowStartingButClosable) {
    sim::SimMachine machine;
    machine.threads.failNextStart();
    InstallerRun run(machine);
    run.onWindow([](MainDialog&, sim::SimDialog& window) {
        EXPECT_TRUE(window.control(IDC_MODEL_COMBO).items.empty());
        EXPECT_FALSE(window.control(IDC_INSTALL).enabled);
        EXPECT_EQ(selectedRow(window), PORT_KIND_SERIAL);
    });
    EXPECT_EQ(run.close(), win::IDCANCEL);
}

// The focus walks the enabled tab stops of template 103 in template order.
std::vector<int> tabOrder(sim::SimDialog& window) {
    std::vector<int> order{window.focusedControl()};
    for (int i = 0; i < 6; ++i) {
        window.userPressTab();
        order.push_back(window.focusedControl());
    }
    return order;
}

TEST(MainDialogKeys, FocusStartsOnCancelAndEnterPressesTheFocusedOrTheDefaultButton) {
    // At start-up 取消, the template's first tab stop, has the focus: Enter is Cancel.
    {
        sim::SimMachine machine;
        machine.installDefaultPorts();
        InstallerRun run(machine);
        ASSERT_TRUE(run.waitForStartup());
        run.onWindow([](MainDialog&, sim::SimDialog& window) {
            EXPECT_EQ(window.focusedControl(), win::IDCANCEL);
            EXPECT_EQ(window.defaultId(), IDC_INSTALL);
            window.userPressEnter();
        });
        EXPECT_EQ(run.join(), win::IDCANCEL);
    }

    InstallFixture f([](sim::SimMachine& m) { m.installDefaultPorts(); });
    f.run->onWindow([](MainDialog&, sim::SimDialog& window) {
        // 安装 is disabled until a model is chosen: Tab passes it, and Enter away from a push
        // button does nothing.
        EXPECT_EQ(tabOrder(window), (std::vector<int>{win::IDCANCEL, IDC_MODEL_COMBO, IDC_PRINTER_NAME,
                                                      IDC_SET_DEFAULT, IDC_CONNECTION_LIST, win::IDCANCEL,
                                                      IDC_MODEL_COMBO}));
        window.userPressEnter();
        EXPECT_FALSE(window.ended());
        EXPECT_EQ(window.control(IDC_INSTALL).text, "安装");

        const auto& items = window.control(IDC_MODEL_COMBO).items;
        window.userSelectCombo(IDC_MODEL_COMBO, static_cast<int>(std::find(items.begin(), items.end(),
                                                                           "热敏小票打印机 R58-A") -
                                                                 items.begin()));
        // The drop-down has the focus: Enter presses the default button 安装.
        window.userPressEnter();
    });
    ASSERT_EQ(f.machine.spooler.printers().size(), 1u);
    EXPECT_EQ(f.machine.spooler.printers()[0].port, "COM1:");
    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
    // The drop-down kept the focus through the installation; Enter now presses 完成.
    f.run->onWindow([](MainDialog&, sim::SimDialog& window) {
        EXPECT_EQ(window.focusedControl(), IDC_MODEL_COMBO);
        window.userPressEnter();
    });
    EXPECT_EQ(f.run->join(), win::IDOK);
}

TEST(MainDialogKeys, ClickingInstallLeavesNoFocusSoKeysDoNothingUntilAClick) {
    // The pressed button takes the focus and, disabled while it installs, loses it: no window
    // has the focus, and Windows hands Enter, Escape and Tab to the dialog as system keys.
    InstallFixture f([](sim::SimMachine& m) { m.installDefaultPorts(); });
    f.install("热敏小票打印机 R58-A", PORT_KIND_SERIAL);
    EXPECT_EQ(f.control(IDC_INSTALL).text, "完成");
    f.run->onWindow([](MainDialog&, sim::SimDialog& window) {
        EXPECT_EQ(window.focusedControl(), 0);
        EXPECT_FALSE(window.focusOnDialog());
        window.userPressEnter();
        window.userPressEscape();
        window.userPressTab();
        EXPECT_FALSE(window.ended());
        EXPECT_EQ(window.focusedControl(), 0);
        // A click on the list gives it the focus, and Enter presses the default button 完成.
        window.userSelectListRow(IDC_CONNECTION_LIST, PORT_KIND_SERIAL);
        window.userPressEnter();
    });
    EXPECT_EQ(f.run->join(), win::IDOK);
}

}  // namespace
