#include "platform/win32/Win32DialogWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "platform/win32/Win32ThreadState.h"

namespace win32 {
namespace {

// The list-view structures take a writable text pointer even when they only read it.
struct MutableText {
    explicit MutableText(const std::string& text) : bytes(text.begin(), text.end()) { bytes.push_back('\0'); }
    char* get() { return bytes.data(); }
    std::vector<char> bytes;
};

LPARAM textParam(const std::string& text) { return reinterpret_cast<LPARAM>(text.c_str()); }

// Runs the messages other threads send to this one (PeekMessage dispatches them before it
// looks at the queue) and leaves posted ones where they are for the modal loop.
void dispatchSentMessages() {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

}  // namespace

bool Win32DialogWindow::setItemText(int id, const std::string& text) {
    return SetDlgItemTextA(window_, id, text.c_str()) != FALSE;
}

std::string Win32DialogWindow::itemText(int id) {
    // WM_GETTEXTLENGTH may overstate (it can count in the control's own character set) but
    // never understates, so the buffer always holds the whole text.
    const LRESULT length = send(id, WM_GETTEXTLENGTH);
    if (length <= 0) return {};
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    const UINT copied = GetDlgItemTextA(window_, id, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), std::min<std::size_t>(copied, buffer.size() - 1));
}

void Win32DialogWindow::enableItem(int id, bool enable) { EnableWindow(GetDlgItem(window_, id), enable ? TRUE : FALSE); }

bool Win32DialogWindow::isItemEnabled(int id) { return IsWindowEnabled(GetDlgItem(window_, id)) != FALSE; }

int Win32DialogWindow::buttonCheck(int id) { return static_cast<int>(send(id, BM_GETCHECK)); }

void Win32DialogWindow::setButtonCheck(int id, int state) { send(id, BM_SETCHECK, static_cast<WPARAM>(state)); }

void Win32DialogWindow::comboReset(int id) { send(id, CB_RESETCONTENT); }

int Win32DialogWindow::comboAdd(int id, const std::string& text) {
    return static_cast<int>(send(id, CB_ADDSTRING, 0, textParam(text)));
}

int Win32DialogWindow::comboInsert(int id, int index, const std::string& text) {
    return static_cast<int>(send(id, CB_INSERTSTRING, static_cast<WPARAM>(index), textParam(text)));
}

int Win32DialogWindow::comboSetCurSel(int id, int index) {
    return static_cast<int>(send(id, CB_SETCURSEL, static_cast<WPARAM>(index)));
}

int Win32DialogWindow::comboCurSel(int id) { return static_cast<int>(send(id, CB_GETCURSEL)); }

int Win32DialogWindow::comboCount(int id) { return static_cast<int>(send(id, CB_GETCOUNT)); }

std::string Win32DialogWindow::comboItemText(int id, int index) {
    const LRESULT length = send(id, CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length <= 0) return {};
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    const LRESULT copied = send(id, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    if (copied <= 0) return {};
    return std::string(buffer.data(), std::min<std::size_t>(static_cast<std::size_t>(copied), buffer.size() - 1));
}

bool Win32DialogWindow::listDeleteAllItems(int id) { return send(id, LVM_DELETEALLITEMS) != 0; }

int Win32DialogWindow::listHeaderColumnCount(int id) {
    const auto header = reinterpret_cast<HWND>(send(id, LVM_GETHEADER));
    // A list-view without a header (not in report view) has no columns to count.
    if (header == nullptr) return 0;
    return static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
}

bool Win32DialogWindow::listDeleteColumn(int id, int column) {
    return send(id, LVM_DELETECOLUMN, static_cast<WPARAM>(column)) != 0;
}

std::uint32_t Win32DialogWindow::listExtendedStyle(int id) {
    return static_cast<std::uint32_t>(send(id, LVM_GETEXTENDEDLISTVIEWSTYLE));
}

void Win32DialogWindow::listSetExtendedStyle(int id, std::uint32_t mask, std::uint32_t style) {
    send(id, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, static_cast<LPARAM>(style));
}

int Win32DialogWindow::listInsertColumn(int id, int column, const std::string& text, int format) {
    MutableText buffer(text);
    LVCOLUMNA info{};
    info.mask = LVCF_TEXT | LVCF_FMT;
    info.fmt = format;
    info.pszText = buffer.get();
    return static_cast<int>(send(id, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info)));
}

bool Win32DialogWindow::listSetColumnWidth(int id, int column, int width) {
    // The width travels as a signed 16-bit value so that LVSCW_AUTOSIZE (-1) survives.
    return send(id, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(static_cast<WORD>(width), 0)) != 0;
}

int Win32DialogWindow::listInsertItem(int id, int index, const std::string& text) {
    MutableText buffer(text);
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = buffer.get();
    return static_cast<int>(send(id, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool Win32DialogWindow::listSetItemText(int id, int item, int subItem, const std::string& text) {
    MutableText buffer(text);
    LVITEMA info{};
    info.iSubItem = subItem;
    info.pszText = buffer.get();
    return send(id, LVM_SETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info)) != 0;
}

bool Win32DialogWindow::listSetItemState(int id, int item, std::uint32_t state, std::uint32_t mask) {
    LVITEMA info{};
    info.state = state;
    info.stateMask = mask;
    return send(id, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info)) != 0;
}

int Win32DialogWindow::listItemCount(int id) { return static_cast<int>(send(id, LVM_GETITEMCOUNT)); }

std::uint32_t Win32DialogWindow::listItemState(int id, int item, std::uint32_t mask) {
    return static_cast<std::uint32_t>(send(id, LVM_GETITEMSTATE, static_cast<WPARAM>(item), static_cast<LPARAM>(mask)));
}

std::string Win32DialogWindow::listItemText(int id, int item, int subItem) {
    // LVM_GETITEMTEXT truncates silently; a text that fills the buffer may have been cut, so
    // ask again with more room until one comes back shorter.
    for (std::size_t capacity = 256; capacity <= (1u << 20); capacity *= 2) {
        std::vector<char> buffer(capacity, '\0');
        LVITEMA info{};
        info.iSubItem = subItem;
        info.pszText = buffer.data();
        info.cchTextMax = static_cast<int>(capacity);
        send(id, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info));
        buffer.back() = '\0';
        // Whatever the message returns, the buffer it filled ends at its first NUL.
        std::string text(buffer.data());
        if (text.size() + 1 < capacity) return text;
    }
    return {};
}

int Win32DialogWindow::progressSetPos(int id, int position) {
    return static_cast<int>(send(id, PBM_SETPOS, static_cast<WPARAM>(position)));
}

std::intptr_t Win32DialogWindow::sendRegistered(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    return static_cast<std::intptr_t>(
        SendMessageA(window_, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

void Win32DialogWindow::endDialog(int result) { EndDialog(window_, result); }

void Win32DialogWindow::waitForThread(const platform::ThreadHandle& thread) {
    if (!thread.valid()) return;
    const auto* state = dynamic_cast<const Win32ThreadState*>(thread.state());
    if (state != nullptr) {
        const HANDLE handle = state->handle();
        // The wait only wakes for messages that arrive after it started; serve any already here.
        dispatchSentMessages();
        for (;;) {
            const DWORD woke = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_SENDMESSAGE);
            if (woke == WAIT_OBJECT_0 + 1) {
                dispatchSentMessages();
                continue;
            }
            // Ended, or the handle cannot be waited on; then only polling is left.
            if (woke == WAIT_OBJECT_0 || state->finished()) return;
            break;
        }
    }
    // A thread we hold no handle for: poll its state, still serving what it sends us.
    while (!thread.state()->finished()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        dispatchSentMessages();
    }
}

}  // namespace win32
