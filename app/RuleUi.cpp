#include "app/RuleUi.h"

#include <array>
#include <chrono>

#include "app/CommandLine.h"
#include "app/ExitCodes.h"
#include "platform/WinConstants.h"
#include "resources/resource.h"

namespace {

bool startsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

// What a box of the installation means for the run, found by the start of its text.
struct BoxRule {
    const char* prefix;
    int failure;
};

constexpr std::array<BoxRule, 12> kBoxRules{{
    {"添加驱动失败", EXIT_DRIVER_REFUSED},
    {"添加监视器出错", EXIT_DRIVER_REFUSED},
    {"Error AddPrinter", EXIT_PRINTER_NOT_CREATED},
    {"系统缺少必要文件", EXIT_PRINTER_NOT_CREATED},
    {"PC机无可用串行端口", EXIT_NO_PORT},
    {"PC机无可用并行端口", EXIT_NO_PORT},
    {"There is no available TCP/IP port", EXIT_NO_PORT},
    {"新建的端口不是标准TCP/IP端口", EXIT_NO_PORT},
    {"服务 Spooler 未能启动", EXIT_SPOOLER_NOT_RUNNING},
    {"无法确定服务状态", EXIT_SPOOLER_NOT_RUNNING},
    {"自动选择USB端口失败", EXIT_USB_UNCONFIRMED},
    {"", EXIT_INSTALL_FAILED},
}};

const char* buttonName(int button) {
    switch (button) {
        case win::IDOK: return "OK";
        case win::IDCANCEL: return "Cancel";
        case win::IDRETRY: return "Retry";
        case win::IDYES: return "Yes";
        case win::IDNO: return "No";
        default: return "?";
    }
}

// The answer that declines: Cancel where there is one, No in a yes/no box, else OK.
int decliningAnswer(unsigned type) {
    switch (type & win::MB_TYPEMASK) {
        case win::MB_OK: return win::IDOK;
        case win::MB_YESNO: return win::IDNO;
        default: return win::IDCANCEL;
    }
}

// A command-line run reads no dialog template (the program's are resources of its own file), so
// what the controls' answers depend on beyond their use is stated here: the templates' list
// views let one row at a time be selected.
std::vector<platform::ControlState> knownControls(int templateId) {
    platform::ControlState list;
    list.className = "SysListView32";
    list.styles = {"LVS_REPORT", "LVS_SINGLESEL"};
    if (templateId == IDD_MAIN_DIALOG) {
        list.id = IDC_CONNECTION_LIST;
    } else if (templateId == IDD_LPT_PORT_DIALOG || templateId == IDD_TCPIP_PORT_DIALOG) {
        list.id = IDC_PORT_LIST;
    } else {
        return {};
    }
    return {list};
}

}  // namespace

HeadlessDialog::HeadlessDialog(RuleUi& ui, platform::DialogHandler& handler, int templateId)
    : DataDialogWindow(handler, knownControls(templateId), platform::DialogControls::Unlisted::Created),
      ui_(ui),
      templateId_(templateId) {}

bool HeadlessDialog::runOnWindowThread(const std::function<void()>& body) {
    if (!ui_.onDialogThread()) return ui_.send(*this, body);
    if (destroyed_) return false;
    body();
    return true;
}

bool HeadlessDialog::setItemText(int id, const std::string& text) {
    return runOnWindowThread([&] {
        // The data exchange writes the status line again and again; the log keeps changes.
        if (templateId_ == IDD_MAIN_DIALOG && id == IDC_STATUS && !text.empty() &&
            text != controls().control(id).text) {
            ui_.log_.write("status: " + text);
        }
        controls().setItemText(id, text);
    });
}

void HeadlessDialog::endDialog(int result) {
    runOnWindowThread([&] {
        if (!ended_) result_ = result;
        ended_ = true;
    });
}

void HeadlessDialog::waitForThread(const platform::ThreadHandle& thread) {
    if (!thread.valid()) return;
    ui_.pumpUntil([&] { return thread.state()->finished(); });
}

RuleUi::RuleUi(platform::Ui& inner, RunLog& log, AnswerRules rules)
    : inner_(inner), log_(log), rules_(std::move(rules)) {}

RuleUi::~RuleUi() = default;

bool RuleUi::onDialogThread() const {
    std::lock_guard lock(mutex_);
    return dialogThread_ == std::this_thread::get_id();
}

bool RuleUi::send(HeadlessDialog& dialog, std::function<void()> body) {
    auto task = std::make_shared<Task>();
    task->body = std::move(body);
    task->dialog = &dialog;
    std::unique_lock lock(mutex_);
    if (dialog.destroyed_) return false;
    tasks_.push_back(task);
    changed_.notify_all();
    changed_.wait(lock, [&] { return task->done; });
    return !task->dialog->destroyed_ || task->body == nullptr;
}

void RuleUi::pumpUntil(const std::function<bool()>& stop) {
    for (;;) {
        std::shared_ptr<Task> task;
        {
            std::unique_lock lock(mutex_);
            if (tasks_.empty()) {
                if (stop()) return;
                changed_.wait_for(lock, std::chrono::milliseconds(5));
                continue;
            }
            task = tasks_.front();
            tasks_.pop_front();
        }
        const bool alive = !task->dialog->destroyed_;
        if (alive) task->body();
        std::lock_guard lock(mutex_);
        // A task for a dialog already gone fails, as a message to a destroyed window does.
        if (alive) task->body = nullptr;
        task->done = true;
        changed_.notify_all();
    }
}

void RuleUi::scriptMainDialog(std::function<bool()> ready, std::function<void(platform::DialogWindow&)> script) {
    mainReady_ = std::move(ready);
    mainScript_ = std::move(script);
}

namespace {

// The main dialog's handler for a shown window: the dialog's own, and the run's script once
// the dialog is ready for it.
class ScriptingHandler final : public platform::DialogHandler {
public:
    ScriptingHandler(platform::DialogHandler& inner, std::function<bool()> ready,
                     std::function<void(platform::DialogWindow&)> script)
        : inner_(inner), ready_(std::move(ready)), script_(std::move(script)) {}

    bool onInitDialog(platform::DialogWindow& window) override {
        window_ = &window;
        const bool result = inner_.onInitDialog(window);
        // Messages the initialisation sends itself come before the dialog is complete.
        initialised_ = true;
        runIfReady();
        return result;
    }
    void onCommand(int id, int notifyCode) override { inner_.onCommand(id, notifyCode); }
    bool onMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, std::intptr_t& result) override {
        const bool handled = inner_.onMessage(message, wParam, lParam, result);
        runIfReady();
        return handled;
    }
    void onClose() override { inner_.onClose(); }
    void onDestroy() override { inner_.onDestroy(); }

private:
    void runIfReady() {
        if (!initialised_ || ran_ || !ready_ || !ready_()) return;
        ran_ = true;
        if (script_) script_(*window_);
    }

    platform::DialogHandler& inner_;
    std::function<bool()> ready_;
    std::function<void(platform::DialogWindow&)> script_;
    platform::DialogWindow* window_ = nullptr;
    bool initialised_ = false;
    bool ran_ = false;
};

}  // namespace

int RuleUi::runModal(int templateId, platform::DialogHandler& handler, platform::DialogWindow* owner) {
    const bool main = templateId == IDD_MAIN_DIALOG;
    if (main && rules_.showMainWindow) {
        ScriptingHandler scripting(handler, mainReady_, mainScript_);
        return inner_.runModal(templateId, scripting, owner);
    }
    HeadlessDialog* dialog = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (!dialogThread_) dialogThread_ = std::this_thread::get_id();
        dialogs_.push_back(std::make_unique<HeadlessDialog>(*this, handler, templateId));
        dialog = dialogs_.back().get();
    }
    handler.onInitDialog(*dialog);
    if (main) {
        if (mainReady_) pumpUntil(mainReady_);
        if (mainScript_) mainScript_(*dialog);
    } else if (templateId == IDD_LPT_PORT_DIALOG || templateId == IDD_TCPIP_PORT_DIALOG) {
        answerPortDialog(*dialog);
    }
    pumpUntil([&] { return dialog->ended_; });
    handler.onDestroy();
    {
        std::lock_guard lock(mutex_);
        dialog->destroyed_ = true;
    }
    // What was queued for it meanwhile fails now.
    pumpUntil([] { return true; });
    return dialog->result_;
}

void RuleUi::answerPortDialog(HeadlessDialog& dialog) {
    const int rows = dialog.listItemCount(IDC_PORT_LIST);
    int chosen = rows > 0 && rules_.port.empty() ? 0 : -1;
    for (int row = 0; row < rows && chosen < 0; ++row) {
        if (sameSpoolerName(dialog.listItemText(IDC_PORT_LIST, row, 0), rules_.port)) chosen = row;
    }
    const char* what = dialog.templateId() == IDD_LPT_PORT_DIALOG ? "parallel" : "TCP/IP";
    if (chosen < 0) {
        log_.write(std::string(what) + " port dialog: no port " + (rules_.port.empty() ? "listed" : rules_.port) +
                   " -> Cancel");
        dialog.handler().onCommand(IDC_PORT_CANCEL, win::BN_CLICKED);
        return;
    }
    dialog.listSetItemState(IDC_PORT_LIST, chosen, win::LVIS_SELECTED | win::LVIS_FOCUSED,
                            win::LVIS_SELECTED | win::LVIS_FOCUSED);
    log_.write(std::string(what) + " port dialog: " + dialog.listItemText(IDC_PORT_LIST, chosen, 0) + " -> OK");
    dialog.handler().onCommand(IDC_PORT_OK, win::BN_CLICKED);
}

int RuleUi::messageBox(platform::DialogWindow*, const std::string& text, const std::string& caption, unsigned type) {
    const BoxRule* rule = &kBoxRules.back();
    for (const BoxRule& candidate : kBoxRules) {
        if (startsWith(text, candidate.prefix)) {
            rule = &candidate;
            break;
        }
    }
    int answer = decliningAnswer(type);
    if (rule->failure == EXIT_USB_UNCONFIRMED) {
        // One more look at the USB ports, as a technician would plug the cable in and retry once.
        std::lock_guard lock(mutex_);
        if (usbBoxes_++ == 0 && (type & win::MB_TYPEMASK) == win::MB_RETRYCANCEL) answer = win::IDRETRY;
    }
    if (answer != win::IDRETRY) noteFailure(rule->failure);
    log_.write("message box \"" + caption + "\": " + text + " -> " + buttonName(answer));
    return answer;
}

void RuleUi::noteFailure(int code) {
    std::lock_guard lock(mutex_);
    if (failureCode_ == EXIT_OK) failureCode_ = code;
}

int RuleUi::failureCode() const {
    std::lock_guard lock(mutex_);
    return failureCode_;
}

int RuleUi::dialogsOpened() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(dialogs_.size());
}
