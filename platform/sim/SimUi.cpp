#include "platform/sim/SimUi.h"

#include <algorithm>

#include "platform/WinConstants.h"
#include "platform/sim/SimText.h"

namespace sim {

using namespace std::chrono_literals;

namespace {

bool isPushButton(const SimControl& c) {
    if (c.className != "Button") return false;
    for (const char* other : {"BS_CHECKBOX", "BS_AUTOCHECKBOX", "BS_3STATE", "BS_AUTO3STATE", "BS_RADIOBUTTON",
                              "BS_AUTORADIOBUTTON", "BS_GROUPBOX"}) {
        if (c.hasStyle(other)) return false;
    }
    return true;
}

// Statics, group boxes and progress bars let a click through without taking the focus.
bool clickTakesFocus(const SimControl& c) {
    if (c.className == "Static" || c.className == "msctls_progress32") return false;
    return !(c.className == "Button" && c.hasStyle("BS_GROUPBOX"));
}

}  // namespace

SimDialog::SimDialog(SimUi& ui, platform::DialogHandler& handler, const SimDialogTemplate& dialogTemplate)
    : DataDialogWindow(handler, dialogTemplate.controls, platform::DialogControls::Unlisted::Refused,
                       platform::DialogControls::History::Kept),
      ui_(ui),
      template_(dialogTemplate) {
    // As the dialog manager creates the controls: the last BS_DEFPUSHBUTTON is the default.
    for (const auto& control : template_.controls) {
        if (control.className == "Button" && control.hasStyle("BS_DEFPUSHBUTTON")) defaultId_ = control.id;
    }
}

int SimDialog::indexOf(int id) const {
    const int index = controls().indexOf(id);
    return index >= 0 ? index : kNoFocus;
}

int SimDialog::focusedControl() const {
    return focus_ >= 0 ? controls().all()[static_cast<std::size_t>(focus_)].id : 0;
}

void SimDialog::focusByUser(int id) {
    const int index = indexOf(id);
    if (index < 0) return;
    const SimControl& c = controls().all()[static_cast<std::size_t>(index)];
    if (c.enabled && clickTakesFocus(c)) focus_ = index;
}

int SimDialog::nextTabStop(int from, bool backwards) const {
    const int count = static_cast<int>(controls().all().size());
    if (count == 0) return kNoFocus;
    int i = from;
    for (int step = 0; step < count; ++step) {
        if (i < 0) {
            i = backwards ? count - 1 : 0;
        } else {
            i = backwards ? (i + count - 1) % count : (i + 1) % count;
        }
        const SimControl& c = controls().all()[static_cast<std::size_t>(i)];
        if (c.enabled && c.hasStyle("WS_TABSTOP")) return i;
    }
    return kNoFocus;
}

void SimDialog::setInitialFocus(bool defaultFocus) {
    if (defaultFocus) {
        focus_ = nextTabStop(kNoFocus, false);
        if (focus_ == kNoFocus) focus_ = kDialogFocus;
    } else if (focus_ == kNoFocus) {
        // Activation gives the focus to the dialog window when no control took it.
        focus_ = kDialogFocus;
    }
}

void SimDialog::deactivate() {
    savedFocus_ = focus_ >= 0 ? focus_ : kNoFocus;
}

void SimDialog::reactivate() {
    // The saved control gets the focus back unless it was disabled meanwhile; otherwise the
    // activation leaves it on the dialog window itself.
    if (savedFocus_ >= 0 && controls().all()[static_cast<std::size_t>(savedFocus_)].enabled) {
        focus_ = savedFocus_;
    } else {
        focus_ = kDialogFocus;
    }
    savedFocus_ = kNoFocus;
}

bool SimDialog::runOnWindowThread(const std::function<void()>& body) {
    if (ui_.onWindowThread()) {
        if (destroyed_) {
            std::lock_guard lock(ui_.mutex_);
            ++ui_.callsAfterDestroy_;
            return false;
        }
        body();
        return true;
    }
    return ui_.sendToWindow(*this, body);
}

SimControl& SimDialog::controlRef(int id) { return controls().control(id); }

const SimControl& SimDialog::control(int id) const { return controls().control(id); }

bool SimUi::writeConsole(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (!console_) return false;
    consoleOutput_ += text;
    return true;
}

void SimUi::setConsole(bool present) {
    std::lock_guard lock(mutex_);
    console_ = present;
}

std::string SimUi::consoleOutput() const {
    std::lock_guard lock(mutex_);
    return consoleOutput_;
}

void SimDialog::enableItem(int id, bool enable) {
    runOnWindowThread([&] {
        controls().enableItem(id, enable);
        // A disabled window cannot keep the focus; nothing gets it instead.
        if (!enable && focus_ >= 0 && focus_ == indexOf(id)) focus_ = kNoFocus;
    });
}

void SimDialog::endDialog(int result) {
    runOnWindowThread([&] {
        ended_ = true;
        result_ = result;
    });
}

void SimDialog::waitForThread(const platform::ThreadHandle& thread) {
    auto finished = [&] { return thread.state() == nullptr || thread.state()->finished(); };
    if (ui_.onWindowThread()) {
        ui_.pump(finished);
        return;
    }
    while (!finished()) std::this_thread::sleep_for(1ms);
}

void SimDialog::userSelectCombo(int id, int index) {
    SimControl& c = controlRef(id);
    if (!c.enabled || !windowEnabled()) return;
    focusByUser(id);
    c.curSel = (index >= 0 && index < static_cast<int>(c.items.size())) ? index : -1;
    handler().onCommand(id, win::CBN_SELCHANGE);
}

void SimDialog::userClick(int id) {
    SimControl& c = controlRef(id);
    if (!c.enabled || !windowEnabled()) return;
    // The button takes the focus when the mouse goes down, before it reports the click.
    focusByUser(id);
    if (c.hasStyle("BS_AUTOCHECKBOX")) c.check = c.check == win::BST_CHECKED ? win::BST_UNCHECKED : win::BST_CHECKED;
    handler().onCommand(id, win::BN_CLICKED);
}

void SimDialog::userSelectListRow(int id, int row) {
    SimControl& c = controlRef(id);
    if (!windowEnabled()) return;
    focusByUser(id);
    for (auto& r : c.rows) r.state &= ~win::LVIS_SELECTED;
    if (row >= 0 && row < static_cast<int>(c.rows.size())) {
        c.rows[static_cast<std::size_t>(row)].state |= win::LVIS_SELECTED;
    }
}

void SimDialog::userType(int id, const std::string& text) {
    SimControl& c = controlRef(id);
    if (!c.enabled || !windowEnabled()) return;
    c.text = text;
    focusByUser(id);
}

void SimDialog::userCloseBox() {
    if (windowEnabled()) handler().onClose();
}

void SimDialog::userPressEnter() {
    if (!windowEnabled() || focus_ == kNoFocus) return;
    if (focus_ >= 0) {
        const SimControl& focused = controls().all()[static_cast<std::size_t>(focus_)];
        if (isPushButton(focused)) {
            handler().onCommand(focused.id, win::BN_CLICKED);
            return;
        }
    }
    // A default id that names no control (IDOK in a dialog without such a button) is sent
    // all the same; a disabled default button swallows the key.
    const int index = indexOf(defaultId_);
    if (index >= 0 && !controls().all()[static_cast<std::size_t>(index)].enabled) return;
    handler().onCommand(defaultId_, win::BN_CLICKED);
}

void SimDialog::userPressEscape() {
    if (windowEnabled() && focus_ != kNoFocus) handler().onCommand(win::IDCANCEL, win::BN_CLICKED);
}

void SimDialog::userPressTab(bool shift) {
    if (!windowEnabled() || focus_ == kNoFocus) return;
    const int next = nextTabStop(focus_ >= 0 ? focus_ : kNoFocus, shift);
    if (next != kNoFocus) focus_ = next;
}

void SimDialog::userPressAltF4() { userCloseBox(); }

SimUi::SimUi() = default;

unsigned SimUi::registerWindowMessage(const std::string& name) {
    std::lock_guard lock(mutex_);
    const std::string key = asciiLower(name);
    auto it = registeredMessages_.find(key);
    if (it != registeredMessages_.end()) return it->second;
    // Registered messages live in 0xC000 to 0xFFFF.
    const unsigned id = 0xC000u + static_cast<unsigned>(registeredMessages_.size());
    registeredMessages_[key] = id;
    return id;
}

bool SimUi::onWindowThread() const {
    std::lock_guard lock(mutex_);
    return windowThread_ && *windowThread_ == std::this_thread::get_id();
}

bool SimUi::sendToWindow(SimDialog& dialog, std::function<void()> body) {
    auto task = std::make_shared<Task>();
    task->body = std::move(body);
    task->dialog = &dialog;
    std::unique_lock lock(mutex_);
    if (dialog.destroyed_) {
        ++callsAfterDestroy_;
        return false;
    }
    tasks_.push_back(task);
    changed_.notify_all();
    changed_.wait(lock, [&] { return task->done || task->abandoned; });
    return task->done;
}

void SimUi::pump(const std::function<bool()>& stop) {
    std::unique_lock lock(mutex_);
    for (;;) {
        lock.unlock();
        const bool stopNow = stop();
        lock.lock();
        if (stopNow) return;
        if (tasks_.empty()) {
            changed_.wait_for(lock, 2ms);
            continue;
        }
        auto task = tasks_.front();
        tasks_.pop_front();
        if (task->dialog != nullptr && task->dialog->destroyed_) {
            task->abandoned = true;
            changed_.notify_all();
            continue;
        }
        lock.unlock();
        task->body();
        lock.lock();
        task->done = true;
        changed_.notify_all();
    }
}

int SimUi::runModal(int templateId, platform::DialogHandler& handler, platform::DialogWindow* owner) {
    const auto& templates = installerDialogTemplates();
    auto found = templates.find(templateId);
    if (found == templates.end()) return -1;
    SimDialog* dialog = nullptr;
    auto* ownerDialog = static_cast<SimDialog*>(owner);
    {
        std::lock_guard lock(mutex_);
        if (!windowThread_) windowThread_ = std::this_thread::get_id();
        dialogs_.push_back(std::make_unique<SimDialog>(*this, handler, found->second));
        dialog = dialogs_.back().get();
        dialog->handle_ = 0x10000u + 0x10u * dialogs_.size();
        dialog->owner_ = ownerDialog;
        if (ownerDialog != nullptr) ++ownerDialog->disabledBy_;
        live_.push_back(dialog);
        changed_.notify_all();
    }
    if (ownerDialog != nullptr) ownerDialog->deactivate();
    dialog->setInitialFocus(handler.onInitDialog(*dialog));
    for (;;) {
        std::function<void(SimDialog&)> script;
        {
            std::lock_guard lock(mutex_);
            auto& queue = scripts_[templateId];
            if (dialog->ended_ || queue.empty()) break;
            script = std::move(queue.front());
            queue.pop_front();
        }
        script(*dialog);
    }
    pump([&] { return dialog->ended_.load(); });
    handler.onDestroy();
    {
        std::lock_guard lock(mutex_);
        if (ownerDialog != nullptr) --ownerDialog->disabledBy_;
        dialog->destroyed_ = true;
        std::erase(live_, dialog);
        for (auto& task : tasks_) {
            if (task->dialog == dialog) task->abandoned = true;
        }
        std::erase_if(tasks_, [&](const auto& task) { return task->dialog == dialog; });
        changed_.notify_all();
    }
    if (ownerDialog != nullptr && ownerDialog->windowEnabled()) ownerDialog->reactivate();
    return dialog->result_;
}

int SimUi::messageBox(platform::DialogWindow* owner, const std::string& text, const std::string& caption,
                      unsigned type) {
    // A box of the window thread takes the activation from its owner and gives it back, and
    // the owner's focus goes through the dialog manager's save and restore. A box of another
    // thread leaves the owner's focus where it was.
    if (holdBoxes_ && !onWindowThread()) return heldMessageBox(owner, text, caption, type);
    auto* ownerDialog = owner != nullptr && onWindowThread() ? static_cast<SimDialog*>(owner) : nullptr;
    if (ownerDialog != nullptr) ownerDialog->deactivate();
    const int answer = recordMessageBox(owner, text, caption, type);
    if (ownerDialog != nullptr && ownerDialog->windowEnabled()) ownerDialog->reactivate();
    return answer;
}

int SimUi::recordMessageBox(platform::DialogWindow* owner, const std::string& text, const std::string& caption,
                            unsigned type) {
    std::lock_guard lock(mutex_);
    MessageBoxRecord record;
    record.text = text;
    record.caption = caption;
    record.type = type;
    record.ownerTemplate = owner != nullptr ? static_cast<SimDialog*>(owner)->template_.id : 0;
    if (!answers_.empty()) {
        record.answer = answers_.front();
        answers_.pop_front();
    } else if (chooseAnswer_) {
        record.answer = chooseAnswer_(text, type);
    } else {
        record.answer = (type & win::MB_TYPEMASK) == win::MB_OK ? win::IDOK : win::IDCANCEL;
    }
    messageBoxes_.push_back(record);
    return record.answer;
}

int SimUi::heldMessageBox(platform::DialogWindow* owner, const std::string& text, const std::string& caption,
                          unsigned type) {
    auto* ownerDialog = static_cast<SimDialog*>(owner);
    const bool disabled = ownerDialog != nullptr && sendToWindow(*ownerDialog, [ownerDialog] { ++ownerDialog->disabledBy_; });
    MessageBoxRecord record;
    record.text = text;
    record.caption = caption;
    record.type = type;
    record.ownerTemplate = ownerDialog != nullptr ? ownerDialog->template_.id : 0;
    {
        std::unique_lock lock(mutex_);
        openBox_ = record;
        openBoxAnswer_.reset();
        changed_.notify_all();
        changed_.wait(lock, [&] { return openBoxAnswer_.has_value(); });
        record.answer = *openBoxAnswer_;
        openBox_.reset();
        openBoxAnswer_.reset();
        messageBoxes_.push_back(record);
    }
    if (disabled) sendToWindow(*ownerDialog, [ownerDialog] { --ownerDialog->disabledBy_; });
    return record.answer;
}

void SimUi::holdMessageBoxes() { holdBoxes_ = true; }

std::optional<MessageBoxRecord> SimUi::waitForOpenBox(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [&] { return openBox_.has_value() && !openBoxAnswer_.has_value(); })) {
        return std::nullopt;
    }
    return openBox_;
}

void SimUi::answerOpenBox(int button) {
    std::lock_guard lock(mutex_);
    if (!openBox_.has_value()) return;
    openBoxAnswer_ = button;
    changed_.notify_all();
}

void SimUi::answerMessageBoxes(std::vector<int> answers) {
    std::lock_guard lock(mutex_);
    answers_.assign(answers.begin(), answers.end());
}

void SimUi::answerRemainingMessageBoxesBy(std::function<int(const std::string&, unsigned)> choose) {
    std::lock_guard lock(mutex_);
    chooseAnswer_ = std::move(choose);
}

void SimUi::scriptDialog(int templateId, std::function<void(SimDialog&)> script) {
    std::lock_guard lock(mutex_);
    scripts_[templateId].push_back(std::move(script));
}

std::vector<MessageBoxRecord> SimUi::messageBoxes() const {
    std::lock_guard lock(mutex_);
    return messageBoxes_;
}

SimDialog* SimUi::topDialog() {
    std::lock_guard lock(mutex_);
    return live_.empty() ? nullptr : live_.back();
}

bool SimUi::asUser(const std::function<void(SimDialog&)>& action) {
    SimDialog* dialog = topDialog();
    if (dialog == nullptr) return false;
    if (onWindowThread()) {
        action(*dialog);
        return true;
    }
    return sendToWindow(*dialog, [&] { action(*dialog); });
}

bool SimUi::waitUntil(const std::function<bool(SimDialog&)>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        bool holds = false;
        if (asUser([&](SimDialog& dialog) { holds = condition(dialog); }) && holds) return true;
        std::this_thread::sleep_for(2ms);
    }
    return false;
}

std::vector<SimDialog*> SimUi::dialogs() {
    std::lock_guard lock(mutex_);
    std::vector<SimDialog*> all;
    for (auto& dialog : dialogs_) all.push_back(dialog.get());
    return all;
}

int SimUi::callsAfterDestroy() const {
    std::lock_guard lock(mutex_);
    return callsAfterDestroy_;
}

}  // namespace sim
