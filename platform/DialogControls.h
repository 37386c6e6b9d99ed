#pragma once
// A dialog's controls kept as data, answering the control operations of platform::DialogWindow
// as the Windows controls answer their messages. Whatever shows a dialog without a real window
// (the simulated machine, a command-line run) keeps its controls here; it adds the threading
// and anything else of a window itself.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// One control: what its template line says (DLGITEMTEMPLATE) and what it holds now.
struct ControlState {
    int id = 0;
    // The window class the template names ("Button", "Static", "Edit", "ComboBox",
    // "SysListView32", "msctls_progress32"); empty while not known.
    std::string className;
    std::string text;  // code page 936
    std::vector<std::string> styles;
    int x = 0, y = 0, width = 0, height = 0;

    bool hasStyle(const std::string& style) const;

    // Every text and progress position the program set, oldest first, where the owner asked
    // for them to be kept.
    std::vector<std::string> textHistory;
    std::vector<int> positionHistory;

    bool enabled = true;
    int check = 0;
    std::vector<std::string> items;  // drop-down entries
    int curSel = -1;
    struct Column {
        std::string text;
        int format = 0;
        int width = 0;
    };
    std::vector<Column> columns;
    struct Row {
        std::vector<std::string> texts;  // the item's, then its subitems'
        std::uint32_t state = 0;
    };
    std::vector<Row> rows;
    std::uint32_t extendedStyle = 0;
    int position = 0;  // progress bar, in the default range 0 to 100
};

class DialogControls {
public:
    // What becomes of an id that no given control has.
    enum class Unlisted {
        // It is a fault of the caller (std::out_of_range), and so is a message of another
        // control class than the control's (std::logic_error): the controls are a template's,
        // and a program that misses them must be seen at once.
        Refused,
        // It becomes a control on first use, of the class of the first message that belongs
        // to one: the controls are known only by what the program does with them.
        Created,
    };
    enum class History { Dropped, Kept };

    DialogControls(std::vector<ControlState> controls, Unlisted unlisted, History history = History::Dropped);

    // Template order for the given controls, then the created ones in order of first use.
    const std::vector<ControlState>& all() const { return controls_; }
    // The control itself, as an Unlisted::Refused set refuses an id it lacks.
    ControlState& control(int id);
    const ControlState& control(int id) const;
    // Its position in all(), -1 when there is no such control (none is created).
    int indexOf(int id) const;

    // WM_SETTEXT / WM_GETTEXT: a drop-down list's text is its selected entry.
    void setItemText(int id, const std::string& text);
    std::string itemText(int id) const;
    void enableItem(int id, bool enable);
    bool isItemEnabled(int id) const;

    int buttonCheck(int id) const;
    void setButtonCheck(int id, int state);

    void comboReset(int id);
    int comboAdd(int id, const std::string& text);
    int comboInsert(int id, int index, const std::string& text);
    int comboSetCurSel(int id, int index);
    int comboCurSel(int id) const;
    int comboCount(int id) const;
    std::string comboItemText(int id, int index) const;

    bool listDeleteAllItems(int id);
    int listHeaderColumnCount(int id) const;
    bool listDeleteColumn(int id, int column);
    std::uint32_t listExtendedStyle(int id) const;
    void listSetExtendedStyle(int id, std::uint32_t mask, std::uint32_t style);
    int listInsertColumn(int id, int column, const std::string& text, int format);
    bool listSetColumnWidth(int id, int column, int width);
    int listInsertItem(int id, int index, const std::string& text);
    bool listSetItemText(int id, int item, int subItem, const std::string& text);
    bool listSetItemState(int id, int item, std::uint32_t state, std::uint32_t mask);
    int listItemCount(int id) const;
    std::uint32_t listItemState(int id, int item, std::uint32_t mask) const;
    std::string listItemText(int id, int item, int subItem) const;

    int progressSetPos(int id, int position);

private:
    // The control with that id, null when there is none; refuses as Unlisted::Refused says.
    const ControlState* find(int id, const char* className) const;
    // The control a message of `className` is for (empty: any class).
    ControlState& target(int id, const char* className);
    const ControlState& target(int id, const char* className) const;

    std::vector<ControlState> controls_;
    Unlisted unlisted_;
    History history_;
};

}  // namespace platform
