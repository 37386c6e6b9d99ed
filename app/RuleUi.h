#pragma once
// The user interface of a command-line run: the same dialogs and flows as the window, with
// no window at all. Dialogs keep their controls as data and run their handlers on the thread
// that opened them, serving what other threads send to them as a dialog's message loop does.
// Message boxes are never shown: each is answered by rule, and its text and the answer taken
// go to the log, as does every status text.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/RunLog.h"
#include "platform/DataDialogWindow.h"
#include "platform/Ui.h"

class RuleUi;

// One dialog without a window.
class HeadlessDialog : public platform::DataDialogWindow {
public:
    HeadlessDialog(RuleUi& ui, platform::DialogHandler& handler, int templateId);

    bool setItemText(int id, const std::string& text) override;
    void endDialog(int result) override;
    // There is no window: calls that take an owner get none.
    std::uintptr_t nativeHandle() override { return 0; }
    void waitForThread(const platform::ThreadHandle& thread) override;

    int templateId() const { return templateId_; }
    bool ended() const { return ended_; }
    int result() const { return result_; }

private:
    friend class RuleUi;
    bool runOnWindowThread(const std::function<void()>& body) override;

    RuleUi& ui_;
    int templateId_;
    bool ended_ = false;
    int result_ = 0;
    bool destroyed_ = false;
};

// How a command-line run answers what the window would ask.
struct AnswerRules {
    // The port a port dialog is answered with; empty: the first port it lists.
    std::string port;
    // The main dialog is shown as a window (its progress visible), not kept as data; the port
    // dialogs and the boxes are answered without showing them all the same.
    bool showMainWindow = false;
};

class RuleUi : public platform::Ui {
public:
    RuleUi(platform::Ui& inner, RunLog& log, AnswerRules rules);
    ~RuleUi() override;

    unsigned registerWindowMessage(const std::string& name) override { return inner_.registerWindowMessage(name); }
    int runModal(int templateId, platform::DialogHandler& handler, platform::DialogWindow* owner) override;
    int messageBox(platform::DialogWindow* owner, const std::string& text, const std::string& caption,
                   unsigned type) override;
    std::string applicationTitle() override { return inner_.applicationTitle(); }
    bool writeConsole(const std::string& text) override { return inner_.writeConsole(text); }

    // What the run does in the main dialog, on its thread, once `ready` holds (checked after
    // its initialisation and after each message it handles); the dialog then runs until it ends.
    void scriptMainDialog(std::function<bool()> ready, std::function<void(platform::DialogWindow&)> script);
    // Runs what other threads sent to the dialogs until `stop` holds. Dialog thread only.
    void pumpUntil(const std::function<bool()>& stop);

    // The exit code the boxes answered so far call for; EXIT_OK while none failed.
    int failureCode() const;
    // How many dialogs were opened (a quiet run opens the main dialog and its port dialogs).
    int dialogsOpened() const;

private:
    friend class HeadlessDialog;
    struct Task {
        std::function<void()> body;
        HeadlessDialog* dialog = nullptr;
        bool done = false;
    };
    bool onDialogThread() const;
    // Queues `body` for the dialog thread and waits; false when the dialog is gone.
    bool send(HeadlessDialog& dialog, std::function<void()> body);
    void answerPortDialog(HeadlessDialog& dialog);
    void noteFailure(int code);

    platform::Ui& inner_;
    RunLog& log_;
    AnswerRules rules_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Task>> tasks_;
    std::optional<std::thread::id> dialogThread_;
    std::vector<std::unique_ptr<HeadlessDialog>> dialogs_;
    std::function<bool()> mainReady_;
    std::function<void(platform::DialogWindow&)> mainScript_;
    int usbBoxes_ = 0;
    int failureCode_ = 0;
};
