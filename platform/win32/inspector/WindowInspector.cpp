// Reads a running dialog from outside its process, as a person would see it, and prints
// it as UTF-8 lines for the Wine tests:
//   WindowInspector.exe CAPTION [SECONDS] [READY_COMBO_ID] [ACTION...] [--close]
// It waits up to SECONDS for a top-level window with that caption and, when READY_COMBO_ID
// is given, until that drop-down holds the prompt 请选择打印机型号 at its head: the start-up
// has ended then (the model names alone appear before the last start-up steps have run).
// Without actions it prints every control; with actions it performs them in order, as a
// person would, and prints a state line (install button, progress, status) after each:
//   --choose TEXT        picks the model TEXT in drop-down 1000 and tells the dialog
//   --kind N             selects row N of the connection list 1004 (and no other row)
//   --expect-kind N      prints the selected rows of the connection list 1004 and fails
//                        unless row N is the only one selected
//   --install            clicks the install button 1012 without waiting for it to return
//   --wait-button TEXT S waits up to S seconds until button 1012 reads TEXT; a message box
//                        of the installer appearing meanwhile ends the wait as a failure
//   --answer CAPTION B   waits up to SECONDS for the installer's message box CAPTION, prints
//                        its text and clicks its button B (1 OK, 2 cancel, 4 retry)
//   --install-sync S     clicks the install button and waits up to S seconds until the
//                        click has been handled (for flows that show no window of their own)
//   --wait-enabled S     waits up to S seconds until button 1012 is enabled; a message box
//                        ends the wait as a failure
//   --port-dialog CAPTION ROW HOW
//                        waits for the installer's port dialog CAPTION, prints it (list and
//                        whether the main window is disabled), selects row ROW of its list
//                        (-1: none) and leaves it by HOW: a button id, "enter", "escape",
//                        "altf4" or "close"; then waits until the dialog has gone
//   --port-press CAPTION ROW ID
//                        waits for the port dialog CAPTION, selects row ROW of its list
//                        ("-": leaves the selection as it is) and clicks its button ID
//                        without waiting for the click to be handled (for buttons that
//                        open a dialog or message box)
//   --port-press-sync CAPTION ROW ID S
//                        the same, but waits up to S seconds until the click has been
//                        handled; a message box or dialog still open then fails it
//   --port-list CAPTION  prints the rows of the port dialog CAPTION on one line:
//                        port-list=NAME|DESCRIPTION[|selected];... in list order
//   --monitor-dialog CAPTION ADDRESS HOW
//                        waits for a dialog CAPTION of the installer's process (a port
//                        monitor's own), prints its owner and the text of its edit 1001,
//                        types ADDRESS there ("-": leaves it) and leaves by HOW: "ok" or
//                        "cancel"; then waits until the dialog has gone
//   --close              closes the window as the close box would
// Exit code: 0 done, 1 no window, 3 an action failed.
// List-view texts live in the other process, so they are read through memory allocated
// there, as any outside tool must.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::wstring toWide(const std::string& text, UINT codePage) {
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string toUtf8(const std::wstring& wide) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// Control characters would break the one-line-per-fact output.
std::string escaped(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

// GetWindowText does not ask a window of another process for its text (an edit control's
// text is not its window name); WM_GETTEXT does, and the system marshals it.
// A window whose thread does not answer within the timeout reads as "<busy>", so that a hung
// installer fails a wait instead of hanging the inspector.
std::string windowText(HWND hwnd) {
    constexpr UINT kTimeoutMs = 10000;
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kTimeoutMs, &length)) return "<busy>";
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_NORMAL, kTimeoutMs, &got)) {
        return "<busy>";
    }
    text.resize(static_cast<size_t>(got));
    return escaped(toUtf8(text));
}

std::string className(HWND hwnd) {
    std::wstring name(256, L'\0');
    const int got = GetClassNameW(hwnd, name.data(), static_cast<int>(name.size()));
    name.resize(static_cast<size_t>(got > 0 ? got : 0));
    return toUtf8(name);
}

// Memory in the inspected process, freed on scope exit.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, size_t size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteBuffer() {
        if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    char* address() const { return static_cast<char*>(address_); }

private:
    HANDLE process_;
    void* address_;
};

class ProcessHandle {
public:
    explicit ProcessHandle(HANDLE handle) : handle_(handle) {}
    ~ProcessHandle() {
        if (handle_ != nullptr) CloseHandle(handle_);
    }
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

constexpr size_t kTextChars = 1024;

// Controls of the installer's main dialog that the actions drive.
constexpr int IDC_MODEL_DROPDOWN = 1000;
constexpr int IDC_KIND_LIST = 1004;
constexpr int IDC_PROGRESS_BAR = 1007;
constexpr int IDC_STATUS_LINE = 1011;
constexpr int IDC_INSTALL_BUTTON = 1012;

// LVM_GETITEMTEXTA / LVM_GETCOLUMNA through the other process's memory; the text comes back
// in that process's ANSI code page, which is this one's too.
std::string remoteListText(HWND list, HANDLE process, int item, int subItem, bool column) {
    RemoteBuffer remote(process, sizeof(LVITEMA) + sizeof(LVCOLUMNA) + kTextChars);
    if (remote.address() == nullptr) return "<no remote memory>";
    char* remoteText = remote.address() + sizeof(LVITEMA) + sizeof(LVCOLUMNA);
    SIZE_T moved = 0;
    if (column) {
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT;
        col.pszText = remoteText;
        col.cchTextMax = static_cast<int>(kTextChars);
        WriteProcessMemory(process, remote.address(), &col, sizeof col, &moved);
        if (!SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(subItem), reinterpret_cast<LPARAM>(remote.address())))
            return "<none>";
    } else {
        LVITEMA lv{};
        lv.iSubItem = subItem;
        lv.pszText = remoteText;
        lv.cchTextMax = static_cast<int>(kTextChars);
        WriteProcessMemory(process, remote.address(), &lv, sizeof lv, &moved);
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(remote.address()));
    }
    std::vector<char> text(kTextChars + 1, '\0');
    ReadProcessMemory(process, remoteText, text.data(), kTextChars, &moved);
    return escaped(toUtf8(toWide(text.data(), CP_ACP)));
}

int remoteColumnWidth(HWND list, int column) {
    return static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

void printList(HWND list) {
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    ProcessHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    const int columns = header != nullptr ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    std::printf("list.extendedStyle=0x%lx\n",
                static_cast<unsigned long>(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)));
    std::printf("list.columns=%d\n", columns);
    for (int c = 0; c < columns; ++c) {
        std::printf("list.column%d=%s|%d\n", c, remoteListText(list, process.get(), 0, c, true).c_str(),
                    remoteColumnWidth(list, c));
    }
    const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::printf("list.rows=%d\n", rows);
    for (int r = 0; r < rows; ++r) {
        std::string line;
        for (int c = 0; c < (columns > 0 ? columns : 1); ++c) {
            if (c > 0) line += "|";
            line += remoteListText(list, process.get(), r, c, false);
        }
        const auto state = static_cast<unsigned>(SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(r),
                                                              LVIS_SELECTED | LVIS_FOCUSED));
        std::printf("list.row%d=%s|selected=%d\n", r, line.c_str(), (state & LVIS_SELECTED) ? 1 : 0);
    }
}

std::wstring comboItem(HWND combo, int index) {
    // CB_GETLBTEXT is marshalled between processes by the system.
    const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    return text;
}

// The start-up's last step puts the prompt at the head of the model drop-down.
bool startupEnded(HWND dialog, int comboId) {
    HWND combo = GetDlgItem(dialog, comboId);
    return combo != nullptr && SendMessageW(combo, CB_GETCOUNT, 0, 0) > 0 &&
           comboItem(combo, 0) == L"\u8bf7\u9009\u62e9\u6253\u5370\u673a\u578b\u53f7";  // 请选择打印机型号
}

void printCombo(HWND combo) {
    const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    std::printf("combo.count=%d\n", count);
    for (int i = 0; i < count; ++i) std::printf("combo.item%d=%s\n", i, toUtf8(comboItem(combo, i)).c_str());
    std::printf("combo.cursel=%d\n", static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0)));
}

struct Found {
    std::wstring caption;
    HWND hwnd = nullptr;
};

BOOL CALLBACK findTopLevel(HWND hwnd, LPARAM param) {
    auto* found = reinterpret_cast<Found*>(param);
    std::wstring text(512, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    if (text == found->caption && IsWindowVisible(hwnd)) {
        found->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK printChild(HWND child, LPARAM param) {
    HWND dialog = reinterpret_cast<HWND>(param);
    if (GetParent(child) != dialog) return TRUE;
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
    const int id = GetDlgCtrlID(child);
    const auto style = static_cast<unsigned long>(GetWindowLongA(child, GWL_STYLE));
    const auto exStyle = static_cast<unsigned long>(GetWindowLongA(child, GWL_EXSTYLE));
    std::printf("control %d class=%s enabled=%d visible=%d style=0x%08lx exstyle=0x%08lx rect=%ld,%ld,%ld,%ld text=%s\n",
                id, className(child).c_str(), IsWindowEnabled(child) ? 1 : 0, IsWindowVisible(child) ? 1 : 0, style,
                exStyle,
                rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, windowText(child).c_str());
    return TRUE;
}

// A message box of the inspected process: a top-level dialog-class window other than the
// main one.
struct Box {
    DWORD pid = 0;
    HWND dialog = nullptr;
    std::wstring caption;  // empty: any
    HWND hwnd = nullptr;
};

BOOL CALLBACK findBox(HWND hwnd, LPARAM param) {
    auto* box = reinterpret_cast<Box*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (hwnd == box->dialog || pid != box->pid || !IsWindowVisible(hwnd) || className(hwnd) != "#32770") return TRUE;
    std::wstring text(512, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    if (!box->caption.empty() && text != box->caption) return TRUE;
    box->hwnd = hwnd;
    return FALSE;
}

HWND findMessageBox(HWND dialog, const std::wstring& caption) {
    Box box;
    GetWindowThreadProcessId(dialog, &box.pid);
    box.dialog = dialog;
    box.caption = caption;
    EnumWindows(findBox, reinterpret_cast<LPARAM>(&box));
    return box.hwnd;
}

BOOL CALLBACK collectStatic(HWND child, LPARAM param) {
    if (className(child) == "Static") {
        const std::string text = windowText(child);
        if (!text.empty()) {
            auto* all = reinterpret_cast<std::string*>(param);
            if (!all->empty()) *all += "|";
            *all += text;
        }
    }
    return TRUE;
}

void printBox(HWND box) {
    std::string text;
    EnumChildWindows(box, collectStatic, reinterpret_cast<LPARAM>(&text));
    std::printf("box=%s|%s\n", windowText(box).c_str(), text.c_str());
}

void printState(HWND dialog) {
    HWND button = GetDlgItem(dialog, IDC_INSTALL_BUTTON);
    DWORD_PTR position = 0;
    if (!SendMessageTimeoutA(GetDlgItem(dialog, IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0, SMTO_NORMAL, 10000, &position))
        position = static_cast<DWORD_PTR>(-1);
    std::printf("state button=%s enabled=%d progress=%d status=%s\n", windowText(button).c_str(),
                IsWindowEnabled(button) ? 1 : 0, static_cast<int>(position),
                windowText(GetDlgItem(dialog, IDC_STATUS_LINE)).c_str());
    std::fflush(stdout);
}

bool chooseModel(HWND dialog, const char* text) {
    HWND combo = GetDlgItem(dialog, IDC_MODEL_DROPDOWN);
    // The system marshals the string of CB_FINDSTRINGEXACT to the other process.
    const auto index = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    if (index == CB_ERR) {
        std::printf("choose: no entry %s\n", toUtf8(toWide(text, CP_ACP)).c_str());
        return false;
    }
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(dialog, WM_COMMAND, MAKEWPARAM(IDC_MODEL_DROPDOWN, CBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(combo), SMTO_NORMAL, 30000, &result);
    std::printf("chose %d\n", static_cast<int>(index));
    return true;
}

bool waitButton(HWND dialog, const char* text, int seconds) {
    const std::string wanted = toUtf8(toWide(text, CP_ACP));
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds) * 1000u;
    for (;;) {
        if (windowText(GetDlgItem(dialog, IDC_INSTALL_BUTTON)) == wanted) return true;
        if (HWND box = findMessageBox(dialog, L"")) {
            printBox(box);
            return false;
        }
        if (static_cast<LONG>(GetTickCount() - deadline) > 0) {
            std::printf("wait-button: timed out waiting for %s\n", wanted.c_str());
            return false;
        }
        Sleep(300);
    }
}

bool waitEnabled(HWND dialog, int seconds) {
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds) * 1000u;
    for (;;) {
        if (IsWindowEnabled(GetDlgItem(dialog, IDC_INSTALL_BUTTON))) return true;
        if (HWND box = findMessageBox(dialog, L"")) {
            printBox(box);
            return false;
        }
        if (static_cast<LONG>(GetTickCount() - deadline) > 0) {
            std::printf("wait-enabled: timed out\n");
            return false;
        }
        Sleep(300);
    }
}

// Selects one row of a list-view of another process (-1: clears the selection).
bool selectListRow(HWND list, int row) {
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    ProcessHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    RemoteBuffer remote(process.get(), sizeof(LVITEMA));
    if (remote.address() == nullptr) return false;
    auto setState = [&](int item, UINT state) {
        LVITEMA lv{};
        lv.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        lv.state = state;
        SIZE_T moved = 0;
        WriteProcessMemory(process.get(), remote.address(), &lv, sizeof lv, &moved);
        return SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(remote.address())) != 0;
    };
    setState(-1, 0);
    return row < 0 || setState(row, LVIS_SELECTED | LVIS_FOCUSED);
}

// Keys go to the list, which has the focus, through the dialog's own message loop: the
// dialog manager turns Enter and Escape into its commands there.
void postKey(HWND window, UINT key) {
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

bool selectKind(HWND dialog, int row) {
    const bool done = selectListRow(GetDlgItem(dialog, IDC_KIND_LIST), row);
    std::printf("kind %d %s\n", row, done ? "selected" : "not selected");
    return done;
}

bool expectKind(HWND dialog, int row) {
    HWND list = GetDlgItem(dialog, IDC_KIND_LIST);
    const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::string selected;
    int count = 0;
    bool onlyRow = true;
    for (int r = 0; r < rows; ++r) {
        const auto state = SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(r), LVIS_SELECTED);
        if ((state & LVIS_SELECTED) == 0) continue;
        if (count++ > 0) selected += ',';
        selected += std::to_string(r);
        if (r != row) onlyRow = false;
    }
    std::printf("kind-selected=%s\n", count > 0 ? selected.c_str() : "none");
    return onlyRow && count == 1;
}

bool leavePortDialog(HWND dialog, const char* caption, int row, const std::string& how, int seconds) {
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds) * 1000u;
    HWND port = nullptr;
    while ((port = findMessageBox(dialog, toWide(caption, CP_ACP))) == nullptr) {
        if (static_cast<LONG>(GetTickCount() - deadline) > 0) {
            std::printf("port-dialog: no window %s\n", toUtf8(toWide(caption, CP_ACP)).c_str());
            if (HWND other = findMessageBox(dialog, L"")) printBox(other);
            return false;
        }
        Sleep(300);
    }
    Sleep(500);
    HWND list = GetDlgItem(port, 1004);
    std::printf("port-dialog=%s owner=%s main-enabled=%d\n", windowText(port).c_str(),
                GetWindow(port, GW_OWNER) == dialog ? "main" : "other", IsWindowEnabled(dialog) ? 1 : 0);
    EnumChildWindows(port, printChild, reinterpret_cast<LPARAM>(port));
    printList(list);
    if (!selectListRow(list, row)) {
        std::printf("port-dialog: row %d not selected\n", row);
        return false;
    }
    if (how == "enter" || how == "escape") {
        SetForegroundWindow(port);
        PostMessageA(port, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
        Sleep(300);
        postKey(list, how == "enter" ? VK_RETURN : VK_ESCAPE);
    } else if (how == "altf4") {
        PostMessageA(port, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (how == "close") {
        PostMessageA(port, WM_CLOSE, 0, 0);
    } else {
        const int id = std::atoi(how.c_str());
        PostMessageA(port, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(port, id)));
    }
    for (int i = 0; i < 200 && IsWindow(port); ++i) Sleep(100);
    std::printf("port-dialog %s\n", IsWindow(port) ? "still open" : "gone");
    return !IsWindow(port);
}

// Waits up to `seconds` for a dialog of the inspected process captioned `caption`; on a time-out
// prints what `action` missed and any other box on the screen.
HWND waitDialog(HWND dialog, const char* caption, int seconds, const char* action) {
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds) * 1000u;
    HWND found = nullptr;
    while ((found = findMessageBox(dialog, toWide(caption, CP_ACP))) == nullptr) {
        if (static_cast<LONG>(GetTickCount() - deadline) > 0) {
            std::printf("%s: no window %s\n", action, toUtf8(toWide(caption, CP_ACP)).c_str());
            if (HWND other = findMessageBox(dialog, L"")) printBox(other);
            return nullptr;
        }
        Sleep(300);
    }
    return found;
}

// A box or dialog of the inspected process other than the main window and `except`.
struct OtherBox {
    DWORD pid = 0;
    HWND dialog = nullptr;
    HWND except = nullptr;
    HWND hwnd = nullptr;
};

BOOL CALLBACK findOther(HWND hwnd, LPARAM param) {
    auto* box = reinterpret_cast<OtherBox*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (hwnd == box->dialog || hwnd == box->except || pid != box->pid || !IsWindowVisible(hwnd) ||
        className(hwnd) != "#32770") {
        return TRUE;
    }
    box->hwnd = hwnd;
    return FALSE;
}

HWND findOtherBox(HWND dialog, HWND except) {
    OtherBox box;
    GetWindowThreadProcessId(dialog, &box.pid);
    box.dialog = dialog;
    box.except = except;
    EnumWindows(findOther, reinterpret_cast<LPARAM>(&box));
    return box.hwnd;
}

bool pressPortButton(HWND dialog, const char* caption, const std::string& row, int id, int syncSeconds,
                     int seconds) {
    HWND port = waitDialog(dialog, caption, seconds, "port-press");
    if (port == nullptr) return false;
    Sleep(300);
    if (row != "-" && !selectListRow(GetDlgItem(port, 1004), std::atoi(row.c_str()))) {
        std::printf("port-press: row %s not selected\n", row.c_str());
        return false;
    }
    const WPARAM command = MAKEWPARAM(id, BN_CLICKED);
    const auto button = reinterpret_cast<LPARAM>(GetDlgItem(port, id));
    if (syncSeconds <= 0) {
        PostMessageA(port, WM_COMMAND, command, button);
        Sleep(300);
        std::printf("port-press %d posted\n", id);
        return true;
    }
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(port, WM_COMMAND, command, button, SMTO_NORMAL,
                             static_cast<UINT>(syncSeconds) * 1000u, &result)) {
        std::printf("port-press %d: not handled in time\n", id);
        if (HWND other = findOtherBox(dialog, port)) printBox(other);
        return false;
    }
    std::printf("port-press %d handled\n", id);
    return true;
}

bool printPortList(HWND dialog, const char* caption, int seconds) {
    HWND port = waitDialog(dialog, caption, seconds, "port-list");
    if (port == nullptr) return false;
    HWND list = GetDlgItem(port, 1004);
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    ProcessHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::string line;
    for (int r = 0; r < rows; ++r) {
        if (r > 0) line += ";";
        line += remoteListText(list, process.get(), r, 0, false) + "|" + remoteListText(list, process.get(), r, 1, false);
        const auto state = SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(r), LVIS_SELECTED);
        if (state & LVIS_SELECTED) line += "|selected";
    }
    std::printf("port-list=%s\n", line.c_str());
    return true;
}

bool answerMonitorDialog(HWND dialog, const char* caption, const char* address, const std::string& how,
                         int seconds) {
    const int button = how == "ok" ? IDOK : how == "cancel" ? IDCANCEL : 0;
    if (button == 0) {
        std::printf("monitor-dialog: unknown way out %s\n", how.c_str());
        return false;
    }
    HWND box = waitDialog(dialog, caption, seconds, "monitor-dialog");
    if (box == nullptr) return false;
    Sleep(300);
    HWND owner = GetWindow(box, GW_OWNER);
    HWND edit = GetDlgItem(box, 1001);
    std::printf("monitor-dialog=%s owner=%s owner-enabled=%d address=%s\n", windowText(box).c_str(),
                owner != nullptr ? windowText(owner).c_str() : "none",
                owner != nullptr && IsWindowEnabled(owner) ? 1 : 0, windowText(edit).c_str());
    if (std::string(address) != "-") {
        // WM_SETTEXT's string is marshalled to the other process by the system.
        const std::wstring text = toWide(address, CP_ACP);
        DWORD_PTR result = 0;
        SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 10000, &result);
    }
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(100);
    std::printf("monitor-dialog %s\n", IsWindow(box) ? "still open" : "gone");
    return !IsWindow(box);
}

bool answerBox(HWND dialog, const char* caption, int button, int seconds) {
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds) * 1000u;
    HWND box = nullptr;
    while ((box = findMessageBox(dialog, toWide(caption, CP_ACP))) == nullptr) {
        if (static_cast<LONG>(GetTickCount() - deadline) > 0) {
            std::printf("answer: no box %s\n", toUtf8(toWide(caption, CP_ACP)).c_str());
            if (HWND other = findMessageBox(dialog, L"")) printBox(other);
            return false;
        }
        Sleep(300);
    }
    Sleep(300);
    printBox(box);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    // Wait until the box has gone, so that the next action sees what the answer did.
    for (int i = 0; i < 100 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(100);
    Sleep(300);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: WindowInspector CAPTION [SECONDS] [READY_COMBO_ID] [ACTION...] [--close]\n");
        return 2;
    }
    Found found;
    // The arguments arrive in the ANSI code page, whatever the caller wrote them in.
    found.caption = toWide(argv[1], CP_ACP);
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 60;
    const int readyCombo = argc > 3 ? std::atoi(argv[3]) : 0;
    bool close = false;
    bool acts = false;
    for (int i = 4; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--close") close = true;
        else acts = true;
    }
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds) * 1000u;
    for (;;) {
        found.hwnd = nullptr;
        EnumWindows(findTopLevel, reinterpret_cast<LPARAM>(&found));
        const bool ready = found.hwnd != nullptr && (readyCombo == 0 || startupEnded(found.hwnd, readyCombo));
        if (ready) break;
        if (static_cast<LONG>(GetTickCount() - deadline) > 0) {
            std::printf("window=none\n");
            return 1;
        }
        Sleep(200);
    }
    // Let the start-up's last messages settle before reading.
    Sleep(500);
    HWND dialog = found.hwnd;
    if (acts) {
        int rc = 0;
        for (int i = 4; i < argc && rc == 0; ++i) {
            const std::string arg = argv[i];
            const int left = argc - i - 1;
            bool ok = true;
            if (arg == "--choose" && left >= 1) ok = chooseModel(dialog, argv[++i]);
            else if (arg == "--kind" && left >= 1) ok = selectKind(dialog, std::atoi(argv[++i]));
            else if (arg == "--expect-kind" && left >= 1) ok = expectKind(dialog, std::atoi(argv[++i]));
            else if (arg == "--install") {
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_INSTALL_BUTTON, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_INSTALL_BUTTON)));
                Sleep(500);
            } else if (arg == "--install-sync" && left >= 1) {
                DWORD_PTR result = 0;
                const UINT timeoutMs = static_cast<UINT>(std::atoi(argv[++i])) * 1000u;
                ok = SendMessageTimeoutA(dialog, WM_COMMAND, MAKEWPARAM(IDC_INSTALL_BUTTON, BN_CLICKED),
                                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_INSTALL_BUTTON)),
                                         SMTO_NORMAL, timeoutMs, &result) != 0;
                if (!ok) std::printf("install-sync: not handled in time\n");
            } else if (arg == "--wait-enabled" && left >= 1) {
                ok = waitEnabled(dialog, std::atoi(argv[++i]));
            } else if (arg == "--port-dialog" && left >= 3) {
                ok = leavePortDialog(dialog, argv[i + 1], std::atoi(argv[i + 2]), argv[i + 3], seconds);
                i += 3;
            } else if (arg == "--port-press" && left >= 3) {
                ok = pressPortButton(dialog, argv[i + 1], argv[i + 2], std::atoi(argv[i + 3]), 0, seconds);
                i += 3;
            } else if (arg == "--port-press-sync" && left >= 4) {
                ok = pressPortButton(dialog, argv[i + 1], argv[i + 2], std::atoi(argv[i + 3]), std::atoi(argv[i + 4]),
                                     seconds);
                i += 4;
            } else if (arg == "--port-list" && left >= 1) {
                ok = printPortList(dialog, argv[++i], seconds);
            } else if (arg == "--monitor-dialog" && left >= 3) {
                ok = answerMonitorDialog(dialog, argv[i + 1], argv[i + 2], argv[i + 3], seconds);
                i += 3;
            } else if (arg == "--wait-button" && left >= 2) {
                ok = waitButton(dialog, argv[i + 1], std::atoi(argv[i + 2]));
                i += 2;
            } else if (arg == "--answer" && left >= 2) {
                ok = answerBox(dialog, argv[i + 1], std::atoi(argv[i + 2]), seconds);
                i += 2;
            } else if (arg == "--close") {
                continue;
            } else {
                std::printf("unknown or incomplete action %s\n", arg.c_str());
                ok = false;
            }
            if (IsWindow(dialog)) printState(dialog);
            if (!ok) rc = 3;
        }
        if (close && rc == 0) PostMessageA(dialog, WM_CLOSE, 0, 0);
        return rc;
    }
    RECT client{};
    GetClientRect(dialog, &client);
    std::printf("window=%s\n", windowText(dialog).c_str());
    std::printf("acp=%u\n", GetACP());
    std::printf("client=%ld,%ld\n", client.right, client.bottom);
    std::printf("style=0x%08lx exstyle=0x%08lx\n", static_cast<unsigned long>(GetWindowLongA(dialog, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongA(dialog, GWL_EXSTYLE)));
    EnumChildWindows(dialog, printChild, reinterpret_cast<LPARAM>(dialog));
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string cls = className(child);
        if (cls == "SysListView32") printList(child);
        if (cls == "ComboBox") printCombo(child);
        if (cls == "Button" && (GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
            std::printf("check %d=%d\n", GetDlgCtrlID(child),
                        static_cast<int>(SendMessageA(child, BM_GETCHECK, 0, 0)));
        }
    }
    std::fflush(stdout);
    if (close) PostMessageA(dialog, WM_CLOSE, 0, 0);
    return 0;
}
