#pragma once
// The dialog's controls as the dialog binds them: a window and a control id.
#include <cstdint>
#include <string>

#include "platform/Ui.h"
#include "platform/WinConstants.h"

class DialogControl {
public:
    void bind(platform::DialogWindow& window, int id) {
        window_ = &window;
        id_ = id;
    }
    bool bound() const { return window_ != nullptr; }
    int id() const { return id_; }
    void enable(bool on) { window_->enableItem(id_, on); }
    bool enabled() { return window_->isItemEnabled(id_); }
    std::string text() { return window_->itemText(id_); }
    void setText(const std::string& text) { window_->setItemText(id_, text); }

protected:
    platform::DialogWindow* window_ = nullptr;
    int id_ = 0;
};

class Button : public DialogControl {};

class ProgressBar : public DialogControl {
public:
    int setPos(int position) { return window_->progressSetPos(id_, position); }
};

class ComboBox : public DialogControl {
public:
    void resetContent() { window_->comboReset(id_); }
    int addString(const std::string& text) { return window_->comboAdd(id_, text); }
    int insertString(int index, const std::string& text) { return window_->comboInsert(id_, index, text); }
    int setCurSel(int index) { return window_->comboSetCurSel(id_, index); }
    int curSel() { return window_->comboCurSel(id_); }
    int count() { return window_->comboCount(id_); }
};

class ListView : public DialogControl {
public:
    bool deleteAllItems() { return window_->listDeleteAllItems(id_); }
    int headerColumnCount() { return window_->listHeaderColumnCount(id_); }
    bool deleteColumn(int column) { return window_->listDeleteColumn(id_, column); }
    std::uint32_t extendedStyle() { return window_->listExtendedStyle(id_); }
    void setExtendedStyle(std::uint32_t style) { window_->listSetExtendedStyle(id_, 0, style); }
    int insertColumn(int column, const std::string& text, int format) {
        return window_->listInsertColumn(id_, column, text, format);
    }
    bool setColumnWidth(int column, int width) { return window_->listSetColumnWidth(id_, column, width); }
    int insertItem(int index, const std::string& text) { return window_->listInsertItem(id_, index, text); }
    bool setItemText(int item, int subItem, const std::string& text) {
        return window_->listSetItemText(id_, item, subItem, text);
    }
    bool setItemState(int item, std::uint32_t state, std::uint32_t mask) {
        return window_->listSetItemState(id_, item, state, mask);
    }
    int itemCount() { return window_->listItemCount(id_); }
    std::uint32_t itemState(int item, std::uint32_t mask) { return window_->listItemState(id_, item, mask); }
    std::string itemText(int item, int subItem) { return window_->listItemText(id_, item, subItem); }

    // Every row, then every column: the header knows how many columns there are.
    void removeAllRowsAndColumns() {
        deleteAllItems();
        const int columns = headerColumnCount();
        for (int i = 0; i < columns; ++i) deleteColumn(0);
    }
    // Track-select off, grid lines and full-row selection on, every other bit kept.
    void applyGridStyle() {
        std::uint32_t style = extendedStyle();
        style &= ~win::LVS_EX_TRACKSELECT;
        style |= win::LVS_EX_GRIDLINES | win::LVS_EX_FULLROWSELECT;
        setExtendedStyle(style);
    }
    void selectRow(int item) { setItemState(item, win::LVIS_SELECTED, win::LVIS_SELECTED | win::LVIS_FOCUSED); }
    // The first row whose state is selected, asked row by row; -1 when none is. The count is
    // read anew on every pass: the list may change while it is being asked.
    int firstSelectedRow() {
        for (int row = 0; row < itemCount(); ++row) {
            if (itemState(row, win::LVIS_SELECTED) == win::LVIS_SELECTED) return row;
        }
        return -1;
    }
};
