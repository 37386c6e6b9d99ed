#pragma once
// A dialog window without a real window: its controls are data (DialogControls), and every
// control operation, as every message sent to the dialog, runs on the window's thread through
// runOnWindowThread, which the owner of the window's thread provides.
#include <functional>
#include <utility>

#include "platform/DialogControls.h"
#include "platform/Ui.h"

namespace platform {

class DataDialogWindow : public DialogWindow {
public:
    bool setItemText(int id, const std::string& text) override;
    std::string itemText(int id) override;
    void enableItem(int id, bool enable) override;
    bool isItemEnabled(int id) override;
    int buttonCheck(int id) override;
    void setButtonCheck(int id, int state) override;
    void comboReset(int id) override;
    int comboAdd(int id, const std::string& text) override;
    int comboInsert(int id, int index, const std::string& text) override;
    int comboSetCurSel(int id, int index) override;
    int comboCurSel(int id) override;
    int comboCount(int id) override;
    std::string comboItemText(int id, int index) override;
    bool listDeleteAllItems(int id) override;
    int listHeaderColumnCount(int id) override;
    bool listDeleteColumn(int id, int column) override;
    std::uint32_t listExtendedStyle(int id) override;
    void listSetExtendedStyle(int id, std::uint32_t mask, std::uint32_t style) override;
    int listInsertColumn(int id, int column, const std::string& text, int format) override;
    bool listSetColumnWidth(int id, int column, int width) override;
    int listInsertItem(int id, int index, const std::string& text) override;
    bool listSetItemText(int id, int item, int subItem, const std::string& text) override;
    bool listSetItemState(int id, int item, std::uint32_t state, std::uint32_t mask) override;
    int listItemCount(int id) override;
    std::uint32_t listItemState(int id, int item, std::uint32_t mask) override;
    std::string listItemText(int id, int item, int subItem) override;
    int progressSetPos(int id, int position) override;
    // The handler's answer, 0 when it has none or the window is gone.
    std::intptr_t sendRegistered(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

    DialogHandler& handler() { return handler_; }

protected:
    DataDialogWindow(DialogHandler& handler, std::vector<ControlState> controls, DialogControls::Unlisted unlisted,
                     DialogControls::History history = DialogControls::History::Dropped)
        : handler_(handler), controls_(std::move(controls), unlisted, history) {}

    // Runs `body` on the window's thread, at once when called there, else as a sent message
    // that the caller waits for; false, without running it, when the window is gone.
    virtual bool runOnWindowThread(const std::function<void()>& body) = 0;

    // `body`'s result from the window's thread, or `failure` when the window is gone.
    template <typename F>
    auto onWindowThread(F&& body, decltype(body()) failure) -> decltype(body()) {
        auto result = failure;
        if (!runOnWindowThread([&] { result = body(); })) return failure;
        return result;
    }

    // Touch these on the window's thread only.
    DialogControls& controls() { return controls_; }
    const DialogControls& controls() const { return controls_; }

private:
    DialogHandler& handler_;
    DialogControls controls_;
};

}  // namespace platform
