// How a dialog's controls answer the control operations. These run against the platform's own
// dialogs (the simulated machine natively, real windows under Wine) and against a command-line
// run's dialogs, which keep their controls as data over that platform: all of them must
// answer as the Windows controls do.
#include <gtest/gtest.h>

#include <functional>

#include "app/RuleUi.h"
#include "app/RunLog.h"
#include "platform/WinConstants.h"
#include "resources/resource.h"
#include "tests/contract/ContractPlatform.h"

namespace {

class InitHandler final : public platform::DialogHandler {
public:
    explicit InitHandler(std::function<void(platform::DialogWindow&)> body) : body_(std::move(body)) {}
    bool onInitDialog(platform::DialogWindow& window) override {
        body_(window);
        window.endDialog(win::IDOK);
        return true;
    }
    void onCommand(int, int) override {}
    bool onMessage(unsigned, std::uintptr_t, std::intptr_t, std::intptr_t&) override { return false; }
    void onClose() override {}
    void onDestroy() override {}

private:
    std::function<void(platform::DialogWindow&)> body_;
};

enum class Shown { Window, CommandLine };

class DialogControlsContract : public ::testing::TestWithParam<Shown> {
protected:
    // Runs `body` in the main dialog while it initialises.
    void inMainDialog(std::function<void(platform::DialogWindow&)> body) {
        platform::Platform& p = contractPlatform();
        InitHandler handler(std::move(body));
        if (GetParam() == Shown::Window) {
            ASSERT_EQ(win::IDOK, p.ui.runModal(IDD_MAIN_DIALOG, handler, nullptr));
            return;
        }
        RunLog log(p.files, p.system, "C:\\DialogControlsContract.log");
        RuleUi rules(p.ui, log, AnswerRules{});
        ASSERT_EQ(win::IDOK, rules.runModal(IDD_MAIN_DIALOG, handler, nullptr));
    }
};

TEST_P(DialogControlsContract, DropDownListInsertsWhereAskedAndKeepsItsSelection) {
    inMainDialog([](platform::DialogWindow& w) {
        EXPECT_EQ(0, w.comboAdd(IDC_MODEL_COMBO, "a"));
        EXPECT_EQ(1, w.comboAdd(IDC_MODEL_COMBO, "b"));
        EXPECT_EQ(1, w.comboSetCurSel(IDC_MODEL_COMBO, 1));
        EXPECT_EQ("b", w.itemText(IDC_MODEL_COMBO)) << "a drop-down list's text is its selected entry";

        // Inserting before the selected entry moves the selection with it.
        EXPECT_EQ(0, w.comboInsert(IDC_MODEL_COMBO, 0, "prompt"));
        EXPECT_EQ(2, w.comboCurSel(IDC_MODEL_COMBO));
        EXPECT_EQ("b", w.itemText(IDC_MODEL_COMBO));

        // -1 and the count append; past the end and other negative indexes are refused.
        EXPECT_EQ(3, w.comboInsert(IDC_MODEL_COMBO, -1, "end"));
        EXPECT_EQ(4, w.comboInsert(IDC_MODEL_COMBO, 4, "after end"));
        EXPECT_EQ(win::CB_ERR, w.comboInsert(IDC_MODEL_COMBO, 6, "past"));
        EXPECT_EQ(win::CB_ERR, w.comboInsert(IDC_MODEL_COMBO, -2, "negative"));
        EXPECT_EQ(5, w.comboCount(IDC_MODEL_COMBO));
        EXPECT_EQ("end", w.comboItemText(IDC_MODEL_COMBO, 3));

        // An index out of range is refused and, as documented for CB_SETCURSEL, clears the
        // selection and the text; Wine keeps the selection there (and clears it only for -1).
        EXPECT_EQ(win::CB_ERR, w.comboSetCurSel(IDC_MODEL_COMBO, 5));
        if (!contractIsWine()) {
            EXPECT_EQ(win::CB_ERR, w.comboCurSel(IDC_MODEL_COMBO));
            EXPECT_EQ("", w.itemText(IDC_MODEL_COMBO));
        }
        EXPECT_EQ(win::CB_ERR, w.comboSetCurSel(IDC_MODEL_COMBO, -1));
        EXPECT_EQ(win::CB_ERR, w.comboCurSel(IDC_MODEL_COMBO));
        EXPECT_EQ("", w.itemText(IDC_MODEL_COMBO));
    });
}

TEST_P(DialogControlsContract, SingleSelectionListKeepsOneSelectedRowAndOneFocusedRow) {
    inMainDialog([](platform::DialogWindow& w) {
        const std::uint32_t both = win::LVIS_SELECTED | win::LVIS_FOCUSED;
        EXPECT_EQ(0, w.listInsertColumn(IDC_CONNECTION_LIST, 0, "kind", 0));
        EXPECT_EQ(1, w.listInsertColumn(IDC_CONNECTION_LIST, 1, "note", 0));
        for (int row = 0; row < 3; ++row) EXPECT_EQ(row, w.listInsertItem(IDC_CONNECTION_LIST, row, "r"));

        EXPECT_TRUE(w.listSetItemState(IDC_CONNECTION_LIST, 0, both, both));
        EXPECT_TRUE(w.listSetItemState(IDC_CONNECTION_LIST, 2, both, both));
        EXPECT_EQ(0u, w.listItemState(IDC_CONNECTION_LIST, 0, both));
        EXPECT_EQ(both, w.listItemState(IDC_CONNECTION_LIST, 2, both));

        // The focus moves alone: the selection stays where it was.
        EXPECT_TRUE(w.listSetItemState(IDC_CONNECTION_LIST, 1, win::LVIS_FOCUSED, win::LVIS_FOCUSED));
        EXPECT_EQ(win::LVIS_FOCUSED, w.listItemState(IDC_CONNECTION_LIST, 1, both));
        EXPECT_EQ(win::LVIS_SELECTED, w.listItemState(IDC_CONNECTION_LIST, 2, both));

        // -1 is every row; a row past the end is refused.
        EXPECT_TRUE(w.listSetItemState(IDC_CONNECTION_LIST, -1, 0, win::LVIS_SELECTED));
        EXPECT_EQ(0u, w.listItemState(IDC_CONNECTION_LIST, 2, win::LVIS_SELECTED));
        EXPECT_FALSE(w.listSetItemState(IDC_CONNECTION_LIST, 3, both, both));

        // A subitem needs its column.
        EXPECT_TRUE(w.listSetItemText(IDC_CONNECTION_LIST, 0, 1, "note"));
        EXPECT_FALSE(w.listSetItemText(IDC_CONNECTION_LIST, 0, 2, "no column"));
        EXPECT_EQ("note", w.listItemText(IDC_CONNECTION_LIST, 0, 1));
        EXPECT_EQ("", w.listItemText(IDC_CONNECTION_LIST, 0, 2));
    });
}

TEST_P(DialogControlsContract, ProgressPositionStaysInItsRange) {
    inMainDialog([](platform::DialogWindow& w) {
        EXPECT_EQ(0, w.progressSetPos(IDC_PROGRESS, 150));
        EXPECT_EQ(100, w.progressSetPos(IDC_PROGRESS, -5));
        EXPECT_EQ(0, w.progressSetPos(IDC_PROGRESS, 30));
        EXPECT_EQ(30, w.progressSetPos(IDC_PROGRESS, 30));
    });
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogControlsContract, ::testing::Values(Shown::Window, Shown::CommandLine),
                         [](const ::testing::TestParamInfo<Shown>& shown) {
                             return shown.param == Shown::Window ? "Window" : "CommandLine";
                         });

}  // namespace
