// The model drop-down filled from C:\DriverName.cfg, the install button and printer name
// following the choice, and a display name mapped back to its catalogue row.
#include <gtest/gtest.h>

#include "platform/WinConstants.h"
#include "tests/sim/InstallerHarness.h"

namespace {

const std::string kPrompt = "请选择打印机型号";

// Writes C:\DriverName.cfg from lines joined with CRLF.
void writeCatalogue(sim::SimMachine& machine, const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    machine.files.writeFile("C:\\DriverName.cfg", text);
}

std::vector<std::string> comboItems(InstallerRun& run) {
    std::vector<std::string> items;
    run.onWindow([&](MainDialog&, sim::SimDialog& window) { items = window.control(IDC_MODEL_COMBO).items; });
    return items;
}

int rowOf(InstallerRun& run, int position) {
    int row = -99;
    run.onWindow([&](MainDialog& dialog, sim::SimDialog& window) {
        window.userSelectCombo(IDC_MODEL_COMBO, position);
        row = dialog.findModelRow();
    });
    return row;
}

TEST(ModelCatalogue, ListsEveryNameOfEverySectionAfterThePrompt) {
    sim::SimMachine machine;
    writeCatalogue(machine, {"[A]", "PrintName1=甲一", "PrintName2=甲二", "[B]", "Other=x", "[C]", "PrintName1=丙一"});
    InstallerRun run(machine);
    ASSERT_TRUE(run.waitForStartup());
    EXPECT_EQ(comboItems(run), (std::vector<std::string>{kPrompt, "甲一", "甲二", "丙一"}));
    // B has no display name but keeps its row: C's name is row 2.
    EXPECT_EQ(rowOf(run, 3), 2);
    EXPECT_EQ(rowOf(run, 2), 0);
    // The prompt matches no section: the drop-down position is the answer.
    EXPECT_EQ(rowOf(run, 0), 0);
}

TEST(ModelCatalogue, TheLastSectionListingANameWins) {
    sim::SimMachine machine;
    std::vector<std::string> lines;
    for (int s = 0; s < 9; ++s) {
        lines.push_back("[S" + std::to_string(s) + "]");
        lines.push_back("PrintName1=" + std::string(s == 3 || s == 7 ? "共用名" : "名" + std::to_string(s)));
    }
    writeCatalogue(machine, lines);
    InstallerRun run(machine);
    ASSERT_TRUE(run.waitForStartup());
    const auto items = comboItems(run);
    ASSERT_EQ(items.size(), 10u);
    EXPECT_EQ(items[4], "共用名");
    EXPECT_EQ(items[8], "共用名");
    EXPECT_EQ(rowOf(run, 4), 7);
    EXPECT_EQ(rowOf(run, 8), 7);
}

TEST(ModelCatalogue, ASectionsListEndsAtTheFirstGapAndAtFifty) {
    sim::SimMachine machine;
    std::vector<std::string> lines{"[Gap]", "PrintName1=one", "PrintName2=two", "PrintName4=four", "[Full]"};
    for (int n = 1; n <= 51; ++n) lines.push_back("PrintName" + std::to_string(n) + "=full" + std::to_string(n));
    lines.push_back("[Empty]");
    lines.push_back("PrintName1=");
    lines.push_back("PrintName2=after empty");
    writeCatalogue(machine, lines);
    InstallerRun run(machine);
    ASSERT_TRUE(run.waitForStartup());
    const auto items = comboItems(run);
    ASSERT_EQ(items.size(), 1u + 2u + 50u);
    EXPECT_EQ(items[2], "two");
    EXPECT_EQ(items[3], "full1");
    EXPECT_EQ(items.back(), "full50");
}

TEST(ModelCatalogue, NamesPastTheBuiltInRowsAreNotOffered) {
    sim::SimMachine machine;
    std::vector<std::string> lines;
    for (int s = 0; s < 40; ++s) {
        lines.push_back("[M" + std::to_string(s) + "]");
        lines.push_back("PrintName1=model" + std::to_string(s));
    }
    // Listed again in section 39, the name of row 5 must still map to a row that exists.
    lines.push_back("PrintName2=model5");
    writeCatalogue(machine, lines);
    InstallerRun run(machine);
    ASSERT_TRUE(run.waitForStartup());
    const auto items = comboItems(run);
    ASSERT_EQ(items.size(), 39u);
    EXPECT_EQ(items.back(), "model37");
    EXPECT_EQ(rowOf(run, 6), 5);
}

TEST(ModelCatalogue, ChoosingANameEnablesInstallAndNamesThePrinter) {
    sim::SimMachine machine;
    writeCatalogue(machine, {"[A]", "PrintName1=热敏打印机 甲", "PrintName2=热敏打印机 乙"});
    InstallerRun run(machine);
    ASSERT_TRUE(run.waitForStartup());
    run.onWindow([](MainDialog&, sim::SimDialog& window) {
        EXPECT_FALSE(window.control(IDC_INSTALL).enabled);
        EXPECT_EQ(window.control(IDC_PRINTER_NAME).text, kPrompt);

        window.userSelectCombo(IDC_MODEL_COMBO, 1);
        EXPECT_TRUE(window.control(IDC_INSTALL).enabled);
        EXPECT_EQ(window.control(IDC_PRINTER_NAME).text, "热敏打印机 甲");

        // A typed printer name is overwritten by the next choice.
        window.userType(IDC_PRINTER_NAME, "前台打印机");
        window.userSelectCombo(IDC_MODEL_COMBO, 2);
        EXPECT_EQ(window.control(IDC_PRINTER_NAME).text, "热敏打印机 乙");

        window.userSelectCombo(IDC_MODEL_COMBO, 0);
        EXPECT_FALSE(window.control(IDC_INSTALL).enabled);
        EXPECT_EQ(window.control(IDC_PRINTER_NAME).text, kPrompt);
    });
}

TEST(ModelCatalogue, WithoutTheFileOnlyThePromptIsOfferedAndInstallStaysOff) {
    for (bool emptyFile : {false, true}) {
        SCOPED_TRACE(emptyFile ? "empty file" : "no file");
        sim::SimMachine machine;
        if (emptyFile) writeCatalogue(machine, {});
        InstallerRun run(machine);
        ASSERT_TRUE(run.waitForStartup());
        EXPECT_EQ(comboItems(run), std::vector<std::string>{kPrompt});
        run.onWindow([](MainDialog&, sim::SimDialog& window) {
            EXPECT_EQ(window.control(IDC_MODEL_COMBO).curSel, 0);
            EXPECT_FALSE(window.control(IDC_INSTALL).enabled);
            EXPECT_EQ(window.control(IDC_PRINTER_NAME).text, kPrompt);
        });
    }
}

TEST(SystemDetection, TheStatusLineNamesTheSystemAndItsBits) {
    struct Case {
        std::uint32_t platformId, major, minor;
        bool wow64, hasIsWow64;
        const char* status;
    };
    const std::vector<Case> cases{
        {2, 6, 1, true, true, "当前系统为Microsoft Windows 7 64位"},
        {2, 5, 1, false, true, "当前系统为Microsoft Windows XP 32位"},
        {2, 6, 4, false, true, "当前系统为 32位"},
        // Without IsWow64Process (Windows 2000) the process counts as 32-bit.
        {2, 5, 0, true, false, "当前系统为Microsoft Windows 2000 32位"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        sim::SimMachine machine;
        machine.system.setVersion(c.platformId, c.major, c.minor);
        machine.system.setWow64(c.wow64);
        if (!c.hasIsWow64) machine.system.removeIsWow64Process();
        InstallerRun run(machine);
        ASSERT_TRUE(run.waitForStartup());
        run.onWindow([&](MainDialog& dialog, sim::SimDialog& window) {
            EXPECT_EQ(window.control(IDC_STATUS).text, c.status);
            EXPECT_EQ(dialog.isWow64 != 0, c.wow64 && c.hasIsWow64);
        });
    }
}

}  // namespace

namespace {

TEST(ModelCatalogue, ASectionNameCutByTheListBufferIsNotRead) {
    sim::SimMachine machine;
    std::vector<std::string> lines;
    // 37 names of 79 bytes fill 2960 bytes; the 38th cannot fit whole into 3000.
    for (int s = 0; s < 38; ++s) {
        char name[8];
        std::snprintf(name, sizeof name, "%02d", s);
        lines.push_back("[" + std::string(77, 'S') + name + "]");
        lines.push_back(std::string("PrintName1=model") + name);
    }
    // The cut name of the 38th section happens to name a real section.
    lines.push_back("[" + std::string(38, 'S') + "]");
    lines.push_back("PrintName1=wrong");
    writeCatalogue(machine, lines);
    InstallerRun run(machine);
    ASSERT_TRUE(run.waitForStartup());
    const auto items = comboItems(run);
    ASSERT_EQ(items.size(), 38u);
    EXPECT_EQ(items.back(), "model36");
}

}  // namespace

namespace {

// A NUL byte ends the section name, key name or value it falls in: the names reach the list
// whole up to it, never as a name with a NUL inside, and the rows stay one per section.
TEST(ModelCatalogue, ANulByteInTheFileEndsTheNameOrValueItFallsIn) {
    sim::SimMachine machine;
    const std::string nul(1, '\0');
    writeCatalogue(machine, {"[A" + nul + "junk]", "PrintName1=甲" + nul + "乙", "PrintName2=" + nul + "hidden",
                             "PrintName3=never", "[B]", "PrintName1" + nul + "x=ok"});
    InstallerRun run(machine);
    ASSERT_TRUE(run.waitForStartup());
    EXPECT_EQ(comboItems(run), (std::vector<std::string>{kPrompt, "甲", "ok"}));
    EXPECT_EQ(rowOf(run, 2), 1);
}

}  // namespace
