// The six start-up steps in their order, seen from the machine: the spooler started and
// running before its ports are listed, the package unpacked, the catalogue read, the system
// queried, and the prompt put in front of the models last.
#include <gtest/gtest.h>

#include "tests/sim/InstallTestSupport.h"

namespace {

const std::string kPrompt = "请选择打印机型号";

std::size_t firstIndex(const std::vector<std::string>& operations, const std::string& name) {
    return static_cast<std::size_t>(std::find(operations.begin(), operations.end(), name) - operations.begin());
}

TEST(StartupOrder, TheStepsRunInOrderAndTheInventorySeesTheStartedSpoolersPorts) {
    struct AtVersionQuery {
        bool seen = false;
        std::vector<std::string> models;
        std::string status;
    } atVersionQuery;
    InstallFixture f([&](sim::SimMachine& m) {
        // Listed, these ports suggest the parallel kind; unlisted (a spooler not yet
        // running), no port at all would suggest USB.
        m.spooler.addPort("LPT1:");
        m.spooler.addPort("FILE:");
        // Stopped, and a start that takes a few status queries to complete.
        m.services.configure("Spooler", [](sim::SimServices::Service& s) {
            s.state = platform::SERVICE_STOPPED_STATE;
            s.startPendingQueries = 3;
        });
        m.system.onVersionQuery([&] {
            if (atVersionQuery.seen) return;
            atVersionQuery.seen = true;
            m.ui.asUser([&](sim::SimDialog& window) {
                atVersionQuery.models = window.control(IDC_MODEL_COMBO).items;
                atVersionQuery.status = window.control(IDC_STATUS).text;
            });
        });
    });

    EXPECT_EQ(f.machine.services.service("Spooler").starts, 1);
    const auto operations = f.machine.faults.operations();
    const std::vector<std::string> steps{"Services.start", "Spooler.enumPorts", "ArchiveLibrary.sevenZip",
                                         "ProfileReader.sectionNames", "SystemInfo.getVersionEx"};
    std::vector<std::size_t> positions;
    for (const auto& step : steps) positions.push_back(firstIndex(operations, step));
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(steps[i]);
        ASSERT_LT(positions[i], operations.size());
        if (i > 0) {
            EXPECT_LT(positions[i - 1], positions[i]);
        }
    }
    // No spooler call before the service was started.
    for (std::size_t i = 0; i < positions[0]; ++i) {
        EXPECT_NE(operations[i].rfind("Spooler.", 0), 0u) << operations[i];
    }

    // The inventory found the spooler's ports.
    const auto list = f.control(IDC_CONNECTION_LIST);
    ASSERT_EQ(list.rows.size(), 4u);
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ((list.rows[row].state & win::LVIS_SELECTED) != 0, row == PORT_KIND_PARALLEL) << row;
    }

    // When the system was queried, the models were listed and the prompt not yet there.
    ASSERT_TRUE(atVersionQuery.seen);
    ASSERT_FALSE(atVersionQuery.models.empty());
    EXPECT_EQ(atVersionQuery.models.front(), "热敏小票打印机 R58-A");
    EXPECT_EQ(std::count(atVersionQuery.models.begin(), atVersionQuery.models.end(), kPrompt), 0);
    EXPECT_EQ(atVersionQuery.status, "正在整理驱动文件...");

    // Then the system line, and the prompt in front of the same models.
    const auto combo = f.control(IDC_MODEL_COMBO);
    ASSERT_EQ(combo.items.size(), atVersionQuery.models.size() + 1);
    EXPECT_EQ(combo.items.front(), kPrompt);
    EXPECT_EQ(std::vector<std::string>(combo.items.begin() + 1, combo.items.end()), atVersionQuery.models);
    EXPECT_EQ(combo.curSel, 0);
    EXPECT_EQ(f.control(IDC_PRINTER_NAME).text, kPrompt);
    EXPECT_EQ(f.control(IDC_STATUS).text, "当前系统为Microsoft Windows 10 64位");
}

}  // namespace
