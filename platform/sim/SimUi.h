#pragma once
// The user interface of the simulated machine. Dialogs are data (controls with texts, items,
// selection, enabled state, progress), driven by one window thread exactly as a Win32
// dialog is: a control operation from another thread is queued to the window thread and the
// caller waits, like a sent message; once the window is destroyed such calls fail at once.
// A test plays the user through `asUser`, which runs on the window thread between messages.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/DataDialogWindow.h"
#include "platform/Ui.h"
#include "platform/sim/SimDialogTemplate.h"

namespace sim {

class SimUi;

class SimDialog : public platform::DataDialogWindow {
public:
    SimDialog(SimUi& ui, platform::DialogHandler& handler, const SimDialogTemplate& dialogTemplate);

    void enableItem(int id, bool enable) override;
    std::uintptr_t nativeHandle() override { return handle_; }
    void endDialog(int result) override;
    void waitForThread(const platform::ThreadHandle& thread) override;

    // What the user does. Call these only on the window thread (inside SimUi::asUser).
    void userSelectCombo(int id, int index);
    void userClick(int id);
    void userSelectListRow(int id, int row);
    void userType(int id, const std::string& text);
    void userCloseBox();
    // Keys, as the dialog manager handles them. Enter presses the focused push button, else
    // the default push button (nothing while that one is disabled), else sends IDOK; Escape
    // sends IDCANCEL; Tab moves the focus to the next (Shift+Tab: the previous) tab stop that
    // is enabled. With no window focused at all, Windows hands keys to the dialog as system
    // keys, which the dialog manager ignores: Enter, Escape and Tab then do nothing. Alt+F4
    // closes the window as the close box does.
    void userPressEnter();
    void userPressEscape();
    void userPressTab(bool shift = false);
    void userPressAltF4();

    // The state, for tests: read it on the window thread, or after the dialog has ended.
    // The template as it was loaded; what its controls hold now is control(id).
    const SimDialogTemplate& dialogTemplate() const { return template_; }
    const SimControl& control(int id) const;
    bool ended() const { return ended_; }
    // False while a modal dialog it owns is shown: the user cannot reach it then.
    bool windowEnabled() const { return disabledBy_ == 0; }
    // Template id of the owning dialog, 0 for none.
    int ownerTemplate() const { return owner_ != nullptr ? owner_->template_.id : 0; }
    bool destroyed() const { return destroyed_; }
    int result() const { return result_; }
    // The id of the control with the keyboard focus; 0 when no control has it (the dialog
    // window itself may, see focusOnDialog).
    int focusedControl() const;
    bool focusOnDialog() const { return focus_ == kDialogFocus; }
    // DM_GETDEFID: the template's default push button, IDOK when it has none.
    int defaultId() const { return defaultId_; }

private:
    friend class SimUi;
    SimControl& controlRef(int id);
    int indexOf(int id) const;
    // Focus moves by click only to controls a click can focus; by Tab only to tab stops.
    void focusByUser(int id);
    // The first tab stop after (or before) `from`, wrapping; -1 when there is none.
    int nextTabStop(int from, bool backwards) const;
    // WM_INITDIALOG has returned: TRUE puts the focus on the first enabled tab stop.
    void setInitialFocus(bool defaultFocus);
    // Another window of this thread (an owned dialog, a message box) becomes active and
    // later gives the activation back, as the dialog manager saves and restores the focus.
    void deactivate();
    void reactivate();
    bool runOnWindowThread(const std::function<void()>& body) override;

    SimUi& ui_;
    std::uintptr_t handle_ = 0;
    SimDialogTemplate template_;
    std::atomic<bool> ended_{false};
    std::atomic<bool> destroyed_{false};
    std::atomic<int> result_{0};
    SimDialog* owner_ = nullptr;
    int disabledBy_ = 0;  // modal dialogs owned by this one that are open

    // Keyboard focus: an index into the template's controls, or one of these. Touched only
    // on the window thread.
    static constexpr int kNoFocus = -1;
    static constexpr int kDialogFocus = -2;
    int focus_ = kNoFocus;
    int savedFocus_ = kNoFocus;
    int defaultId_ = 1;  // IDOK
};

// One message box as the user saw it.
struct MessageBoxRecord {
    std::string text;
    std::string caption;
    unsigned type = 0;
    int ownerTemplate = 0;  // template id of the owning dialog, 0 for none
    int answer = 0;
};

class SimUi : public platform::Ui {
public:
    SimUi();
    unsigned registerWindowMessage(const std::string& name) override;
    int runModal(int templateId, platform::DialogHandler& handler, platform::DialogWindow* owner) override;
    int messageBox(platform::DialogWindow* owner, const std::string& text, const std::string& caption,
                   unsigned type) override;
    std::string applicationTitle() override { return "DriverInstaller"; }
    // The process was started from a console unless a test says otherwise.
    bool writeConsole(const std::string& text) override;
    void setConsole(bool present);
    std::string consoleOutput() const;

    // The buttons the user will press in the next message boxes, in order. Without a scripted
    // answer the user presses OK in an MB_OK box and Cancel in any other.
    void answerMessageBoxes(std::vector<int> answers);
    // How the user answers a box once the scripted answers are used up, from its text and type.
    void answerRemainingMessageBoxesBy(std::function<int(const std::string& text, unsigned type)> choose);
    // What the user does in the next dialog of this template once it has been initialised,
    // on the window thread; queued scripts run in order while the dialog is still open. A
    // dialog shown by a click that a test is still waiting for can only be played this way.
    void scriptDialog(int templateId, std::function<void(SimDialog&)> script);
    std::vector<MessageBoxRecord> messageBoxes() const;
    // From now on a box raised by a thread other than the window thread stays open until the
    // test answers it: the thread that raised it waits, and its owner ignores the user
    // meanwhile, as a real message box disables its owner. Boxes of the window thread are
    // answered as before.
    void holdMessageBoxes();
    // Waits until a held box is open and returns it (answer 0); nothing on a time-out.
    std::optional<MessageBoxRecord> waitForOpenBox(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Presses `button` in the open held box.
    void answerOpenBox(int button);

    // Runs `action` on the window thread with the topmost live dialog, between messages, and
    // waits for it. Returns false when no dialog is open.
    bool asUser(const std::function<void(SimDialog&)>& action);
    // Waits until `condition` holds for the topmost live dialog (checked on the window thread).
    bool waitUntil(const std::function<bool(SimDialog&)>& condition,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Every dialog shown so far, oldest first; they stay readable after they end.
    std::vector<SimDialog*> dialogs();
    // Calls made on a window after it was destroyed: each one a use of a stale window.
    int callsAfterDestroy() const;

private:
    friend class SimDialog;
    struct Task {
        std::function<void()> body;
        SimDialog* dialog = nullptr;
        bool done = false;
        bool abandoned = false;
    };

    bool onWindowThread() const;
    int recordMessageBox(platform::DialogWindow* owner, const std::string& text, const std::string& caption,
                         unsigned type);
    int heldMessageBox(platform::DialogWindow* owner, const std::string& text, const std::string& caption,
                       unsigned type);
    // Queues `body` for the window thread and waits; false when the dialog is gone.
    bool sendToWindow(SimDialog& dialog, std::function<void()> body);
    // Runs queued tasks on the window thread until `stop` holds.
    void pump(const std::function<bool()>& stop);
    SimDialog* topDialog();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Task>> tasks_;
    std::optional<std::thread::id> windowThread_;
    std::vector<std::unique_ptr<SimDialog>> dialogs_;
    std::vector<SimDialog*> live_;
    std::map<std::string, unsigned> registeredMessages_;
    std::deque<int> answers_;
    std::atomic<bool> holdBoxes_{false};
    std::optional<MessageBoxRecord> openBox_;
    std::optional<int> openBoxAnswer_;
    std::function<int(const std::string&, unsigned)> chooseAnswer_;
    std::map<int, std::deque<std::function<void(SimDialog&)>>> scripts_;
    std::vector<MessageBoxRecord> messageBoxes_;
    int callsAfterDestroy_ = 0;
    bool console_ = true;
    std::string consoleOutput_;
};

}  // namespace sim
