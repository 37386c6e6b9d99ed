// What the controls model does beyond the Windows answers the contract tests check: how a
// template's controls refuse what a program may not ask of them, and how controls known only
// by use come to be.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/DialogControls.h"
#include "platform/WinConstants.h"

namespace {

using platform::ControlState;
using platform::DialogControls;

ControlState templateLine(int id, const char* className) {
    ControlState c;
    c.id = id;
    c.className = className;
    return c;
}

TEST(DialogControls, ATemplatesControlsRefuseMissingIdsAndMessagesOfAnotherClass) {
    DialogControls controls({templateLine(1, "Static"), templateLine(2, "ComboBox")},
                            DialogControls::Unlisted::Refused);
    EXPECT_THROW(controls.setItemText(3, "x"), std::out_of_range);
    EXPECT_THROW(static_cast<void>(controls.itemText(3)), std::out_of_range);
    EXPECT_THROW(controls.comboAdd(1, "x"), std::logic_error);
    EXPECT_THROW(controls.listInsertItem(2, 0, "x"), std::logic_error);
    EXPECT_THROW(controls.progressSetPos(2, 5), std::logic_error);
    EXPECT_THROW(static_cast<void>(controls.buttonCheck(1)), std::logic_error);
    // Text and the enabled state belong to every window.
    controls.setItemText(1, "label");
    controls.enableItem(2, false);
    EXPECT_EQ("label", controls.itemText(1));
    EXPECT_FALSE(controls.isItemEnabled(2));
    EXPECT_EQ(2u, controls.all().size());
}

TEST(DialogControls, ControlsKnownByUseTakeTheClassOfTheirFirstMessage) {
    DialogControls controls({}, DialogControls::Unlisted::Created);
    // Reading leaves no control behind.
    EXPECT_EQ("", controls.itemText(7));
    EXPECT_EQ(win::CB_ERR, controls.comboCurSel(7));
    EXPECT_TRUE(controls.all().empty());

    controls.setItemText(7, "typed");
    EXPECT_EQ("typed", controls.itemText(7)) << "no class yet: its own text";
    EXPECT_EQ(0, controls.comboAdd(7, "entry"));
    EXPECT_EQ("ComboBox", controls.control(7).className);
    EXPECT_EQ("", controls.itemText(7)) << "a drop-down list without a selection has no text";
    controls.comboSetCurSel(7, 0);
    EXPECT_EQ("entry", controls.itemText(7));
    // Known by use, it takes any message after: nothing here says what it must not be.
    EXPECT_EQ(0, controls.listInsertItem(7, 0, "row"));
    EXPECT_EQ("ComboBox", controls.control(7).className);
}

TEST(DialogControls, HistoriesAreKeptOnlyWhenAskedFor) {
    DialogControls kept({templateLine(1, "msctls_progress32")}, DialogControls::Unlisted::Refused,
                        DialogControls::History::Kept);
    DialogControls dropped({}, DialogControls::Unlisted::Created);
    for (DialogControls* controls : {&kept, &dropped}) {
        controls->setItemText(1, "a");
        controls->setItemText(1, "b");
        controls->progressSetPos(1, 120);
    }
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), kept.control(1).textHistory);
    EXPECT_EQ(std::vector<int>{100}, kept.control(1).positionHistory);
    EXPECT_TRUE(dropped.control(1).textHistory.empty());
    EXPECT_TRUE(dropped.control(1).positionHistory.empty());
    EXPECT_EQ("b", dropped.itemText(1));
}

}  // namespace
