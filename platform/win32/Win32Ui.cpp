#include "platform/win32/Win32Ui.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <vector>

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32DialogWindow.h"

namespace win32 {
namespace {

// Lives on runModal's stack for the whole modal loop; the dialog finds it through DWLP_USER.
struct DialogSession {
    platform::DialogHandler& handler;
    std::unique_ptr<Win32DialogWindow> window;
};

// The messages whose result a dialog procedure returns itself instead of leaving it in
// DWLP_MSGRESULT (the list in the DialogProc documentation).
bool returnsResultDirectly(UINT message) {
    switch (message) {
        case WM_CHARTOITEM:
        case WM_COMPAREITEM:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_QUERYDRAGICON:
        case WM_VKEYTOITEM:
            return true;
        default:
            return false;
    }
}

INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* session = reinterpret_cast<DialogSession*>(lParam);
        session->window = std::make_unique<Win32DialogWindow>(hwnd);
        // Stored before the handler runs: its initialisation already sends the dialog messages.
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(session));
        return session->handler.onInitDialog(*session->window) ? TRUE : FALSE;
    }
    // Before WM_INITDIALOG (WM_SETFONT and the like) and after WM_DESTROY there is no handler
    // to tell: the dialog manager's defaults apply.
    auto* session = reinterpret_cast<DialogSession*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (session == nullptr) return FALSE;
    platform::DialogHandler& handler = session->handler;
    switch (message) {
        case WM_COMMAND:
            handler.onCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            handler.onClose();
            return TRUE;
        case WM_DESTROY:
            handler.onDestroy();
            // The handler promised nothing past this point; later messages skip it.
            SetWindowLongPtrA(hwnd, DWLP_USER, 0);
            return FALSE;  // the dialog manager still does its own destroy processing
        default: {
            std::intptr_t result = 0;
            if (!handler.onMessage(message, wParam, lParam, result)) return FALSE;
            if (returnsResultDirectly(message)) return static_cast<INT_PTR>(result);
            SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
            return TRUE;
        }
    }
}

}  // namespace

Win32Ui::Win32Ui() {
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof(classes);
    classes.dwICC = ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&classes);
}

unsigned Win32Ui::registerWindowMessage(const std::string& name) { return RegisterWindowMessageA(name.c_str()); }

int Win32Ui::runModal(int templateId, platform::DialogHandler& handler, platform::DialogWindow* owner) {
    DialogSession session{handler, nullptr};
    // DialogBox disables the owner for the modal loop and enables it again afterwards.
    const HWND ownerWindow = owner != nullptr ? reinterpret_cast<HWND>(owner->nativeHandle()) : nullptr;
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), ownerWindow,
                                           dialogProc, reinterpret_cast<LPARAM>(&session));
    return static_cast<int>(result);
}

int Win32Ui::messageBox(platform::DialogWindow* owner, const std::string& text, const std::string& caption,
                        unsigned type) {
    const HWND ownerWindow = owner != nullptr ? reinterpret_cast<HWND>(owner->nativeHandle()) : nullptr;
    return MessageBoxA(ownerWindow, text.c_str(), caption.c_str(), type);
}

std::string Win32Ui::applicationTitle() {
    // A result as long as the buffer may have been cut, so only a shorter one is trusted.
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
    std::string name(path.begin(), path.end());
    // In code page 936 a trail byte can equal '\\', so the separator is found character by
    // character rather than by searching bytes.
    std::size_t start = 0;
    for (const char* at = name.c_str(); *at != '\0'; at = CharNextA(at)) {
        if (*at == '\\' || *at == '/') start = static_cast<std::size_t>(at - name.c_str()) + 1;
    }
    name.erase(0, start);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

bool Win32Ui::writeConsole(const std::string& text) {
    auto writeAll = [&](HANDLE out) {
        DWORD written = 0;
        return WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != 0 &&
               written == text.size();
    };
    // Output redirected by the caller (a file, a pipe of a deployment tool) is inherited.
    const HANDLE inherited = GetStdHandle(STD_OUTPUT_HANDLE);
    if (inherited != nullptr && inherited != INVALID_HANDLE_VALUE) return writeAll(inherited);
    // A GUI program has no console of its own; a command prompt that started it lends its own.
    // ERROR_ACCESS_DENIED: this process is attached already.
    if (AttachConsole(ATTACH_PARENT_PROCESS) == 0 && GetLastError() != ERROR_ACCESS_DENIED) return false;
    const UniqueHandle console(CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    return console.valid() && writeAll(console.get());
}

}  // namespace win32
