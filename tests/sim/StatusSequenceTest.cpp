// The status line through a whole installation, in order: every staged file, the driver and
// monitor steps, the printer creation and the USB port search.
#include <gtest/gtest.h>

#include "tests/sim/InstallTestSupport.h"

namespace {

const std::string kReceipt = "热敏小票打印机 R58-A";
const std::string kLabel = "热敏标签打印机 L108-A";

// The texts the status line showed once the start-up was over (from the first text after
// the operating system's line), a text shown again at once counted once.
std::vector<std::string> installationStatuses(InstallFixture& f) {
    const auto history = f.control(IDC_STATUS).textHistory;
    std::vector<std::string> texts;
    bool started = false;
    for (const auto& text : history) {
        if (!started) {
            started = text.rfind("当前系统为", 0) == 0;
            continue;
        }
        if (texts.empty() || texts.back() != text) texts.push_back(text);
    }
    return texts;
}

std::vector<std::string> inDriverDirectory(const std::vector<std::string>& names) {
    std::vector<std::string> paths;
    for (const auto& name : names) paths.push_back(kDriverDir64 + "\\" + name);
    return paths;
}

std::vector<std::string> operator+(std::vector<std::string> head, const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

TEST(StatusSequence, ReceiptDriverThenPrinter) {
    InstallFixture f([](sim::SimMachine& m) { m.installDefaultPorts(); });
    f.install(kReceipt, PORT_KIND_PARALLEL);
    const auto expected =
        inDriverDirectory({"TRG1RES.DLL", "TRG101.GPD", "TOEMUNI.dll", "TOEMUNI.ini", "uniDRVui.DLL", "uniDRV.DLL",
                           "UNIDRV.HLP", "UNIRES.DLL", "TTFSUB.GPD", "STDNAMES.GPD"}) +
        std::vector<std::string>{"Adding printer drive Thermal Receipt G1-01",
                                 "已经正确添加Thermal Receipt G1-01驱动",
                                 "已经正确添加" + kReceipt,
                                 "设置打印机" + kReceipt + "为默认打印机",
                                 "安装已完成"};
    EXPECT_EQ(installationStatuses(f), expected);
}

TEST(StatusSequence, LabelMonitorDriverThenPrinter) {
    InstallFixture f([](sim::SimMachine& m) { m.installDefaultPorts(); });
    f.install(kLabel, PORT_KIND_PARALLEL);
    std::vector<std::string> listed{"tvkMon64.dll", "KTXDRV56.DLL", "KTXUI56.DLL"};
    for (const char* language : {"ENG", "SLO", "CRO", "GER", "DAN", "FRA", "SPA", "ITA", "FIN",
                                 "DUT", "CZE", "POL", "HUN", "RUS", "TUR", "SWE", "HEB", "SVK",
                                 "LIT", "CHI", "SCH", "TAI", "KOR", "JAP", "UKR", "NOR", "PBR"}) {
        listed.push_back(std::string("KTX") + language + "56.DLL");
    }
    const auto expected =
        std::vector<std::string>{"C:\\Windows\\SysWOW64\\tvkMon64.dll", "Advanced Language Monitor is added"} +
        inDriverDirectory(listed) + inDriverDirectory({"THERMAL.chm", "TLBL01.BA0", "TLBL01.DAT", "TLBL01.PP0"}) +
        std::vector<std::string>{"正在添加Thermal Label L-01",
                                 "已经正确添加Thermal Label L-01驱动",
                                 "已经正确添加" + kLabel + "打印机",
                                 "设置打印机" + kLabel + "为默认打印机",
                                 "安装已完成"};
    EXPECT_EQ(installationStatuses(f), expected);
}

TEST(StatusSequence, UsbSearchNamesEachPortItTriesAndStartsAgainOnRetry) {
    InstallFixture f([](sim::SimMachine& m) {
        m.installDefaultPorts();
        m.spooler.addPort("USB001", "Virtual printer port for USB", "USB Monitor");
        m.spooler.addPort("USB002", "Virtual printer port for USB", "USB Monitor");
    });
    // Nothing answers: Retry once, then Cancel.
    f.install(kReceipt, PORT_KIND_USB, {win::IDRETRY, win::IDCANCEL});
    const auto statuses = installationStatuses(f);
    const auto search = std::find(statuses.begin(), statuses.end(), "设置打印机" + kReceipt + "为默认打印机");
    ASSERT_NE(search, statuses.end());
    EXPECT_EQ(std::vector<std::string>(search + 1, statuses.end()),
              (std::vector<std::string>{"Checking USB ports...", "正在尝试 USB001 ....", "正在尝试 USB002 ....",
                                        "Checking USB ports...", "正在尝试 USB001 ....", "正在尝试 USB002 ....",
                                        "安装已完成"}));
}

}  // namespace
