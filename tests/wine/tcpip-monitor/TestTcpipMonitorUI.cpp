// The user interface of the test-only "Standard TCP/IP Port" monitor (TestTcpipMonUI.dll),
// which the spooler loads for AddPort, ConfigurePort and DeletePort. Adding and configuring
// show one small dialog (template IDD_ADDRESS) asking for the printer's host address; the new
// port is named "IP_" + that address. Deleting shows nothing. Each change goes to the monitor
// through XcvData on a handle opened with SERVER_ACCESS_ADMINISTER.
//
// It imports only kernel32, user32 and winspool functions that Windows XP has.

#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include "TestTcpipMonitor.h"
#include "TestTcpipMonitorUI.rh"

namespace {

using testmon::kNameChars;

HINSTANCE moduleInstance = nullptr;

BOOL fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

class XcvHandle {
public:
    XcvHandle() = default;
    ~XcvHandle() {
        if (handle_ != nullptr) ClosePrinter(handle_);
    }
    XcvHandle(const XcvHandle&) = delete;
    XcvHandle& operator=(const XcvHandle&) = delete;

    // ",XcvMonitor NAME" or ",XcvPort NAME"; on failure the spooler's error is the last error.
    bool open(const wchar_t* kind, const wchar_t* name) {
        wchar_t object[16 + kNameChars];
        if (!testmon::xcvObjectName(object, kind, name)) return fail(ERROR_INVALID_NAME);
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
        return OpenPrinterW(object, &handle_, &defaults) != FALSE;
    }

    // The monitor's answer, or the spooler's error when the call did not reach it.
    DWORD data(const wchar_t* command, const void* input, DWORD inputSize, void* output, DWORD outputSize) {
        DWORD needed = 0;
        DWORD status = ERROR_SUCCESS;
        if (!XcvDataW(handle_, command, static_cast<BYTE*>(const_cast<void*>(input)), inputSize,
                      static_cast<BYTE*>(output), outputSize, &needed, &status)) {
            return GetLastError();
        }
        return status;
    }

private:
    HANDLE handle_ = nullptr;
};

bool finish(DWORD status) {
    if (status == ERROR_SUCCESS) return true;
    return fail(status);
}

struct AddressRequest {
    const wchar_t* caption;
    wchar_t address[kNameChars];
};

// The address must leave room for the port name's prefix.
constexpr int kAddressChars = static_cast<int>(kNameChars) - 4;

INT_PTR CALLBACK addressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* request = reinterpret_cast<AddressRequest*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            request = reinterpret_cast<AddressRequest*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            SetWindowTextW(dialog, request->caption);
            SendDlgItemMessageW(dialog, IDC_ADDRESS, EM_LIMITTEXT, kAddressChars - 1, 0);
            SetDlgItemTextW(dialog, IDC_ADDRESS, request->address);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                wchar_t typed[kAddressChars];
                GetDlgItemTextW(dialog, IDC_ADDRESS, typed, kAddressChars);
                // An address the monitor would refuse keeps the dialog open, as a wizard does.
                if (!testmon::validName(typed)) {
                    MessageBeep(MB_ICONWARNING);
                    SetFocus(GetDlgItem(dialog, IDC_ADDRESS));
                    return TRUE;
                }
                lstrcpyW(request->address, typed);
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

bool askAddress(HWND owner, AddressRequest& request) {
    return DialogBoxParamW(moduleInstance, MAKEINTRESOURCEW(IDD_ADDRESS), owner, addressDialogProc,
                           reinterpret_cast<LPARAM>(&request)) == IDOK;
}

bool localServer(PCWSTR server) { return server == nullptr || server[0] == L'\0'; }

BOOL WINAPI addPortUI(PCWSTR server, HWND owner, PCWSTR, PWSTR* portNameOut) {
    // The new name is not handed back: the caller finds the port among the spooler's.
    if (portNameOut != nullptr) *portNameOut = nullptr;
    if (!localServer(server)) return fail(ERROR_NOT_SUPPORTED);
    if (owner == nullptr || !IsWindow(owner)) return fail(ERROR_INVALID_WINDOW_HANDLE);
    XcvHandle monitor;
    if (!monitor.open(L"XcvMonitor", testmon::kMonitorName)) return FALSE;

    AddressRequest request{L"Add Standard TCP/IP Port", L""};
    if (!askAddress(owner, request)) return fail(ERROR_CANCELLED);

    // "IP_" + address, then the address: the multi-string AddPort takes.
    wchar_t input[2 * kNameChars + 1] = L"";
    lstrcpyW(input, testmon::kPortPrefix);
    lstrcatW(input, request.address);
    const int nameLength = lstrlenW(input);
    lstrcpyW(input + nameLength + 1, request.address);
    const DWORD chars = static_cast<DWORD>(nameLength + 1 + lstrlenW(request.address) + 2);
    return finish(monitor.data(testmon::kXcvAddPort, input, chars * sizeof(wchar_t), nullptr, 0));
}

BOOL WINAPI configurePortUI(PCWSTR server, HWND owner, PCWSTR portName) {
    if (!localServer(server)) return fail(ERROR_NOT_SUPPORTED);
    if (owner == nullptr || !IsWindow(owner)) return fail(ERROR_INVALID_WINDOW_HANDLE);
    if (!testmon::validName(portName)) return fail(ERROR_UNKNOWN_PORT);
    XcvHandle port;
    if (!port.open(L"XcvPort", portName)) return FALSE;

    AddressRequest request{L"Configure Standard TCP/IP Port", L""};
    const DWORD read = port.data(testmon::kXcvGetHostAddress, nullptr, 0, request.address, sizeof request.address);
    if (read != ERROR_SUCCESS) return fail(read);
    if (!askAddress(owner, request)) return fail(ERROR_CANCELLED);
    return finish(port.data(testmon::kXcvSetHostAddress, request.address,
                            static_cast<DWORD>(lstrlenW(request.address) + 1) * sizeof(wchar_t), nullptr, 0));
}

BOOL WINAPI deletePortUI(PCWSTR server, HWND, PCWSTR portName) {
    if (!localServer(server)) return fail(ERROR_NOT_SUPPORTED);
    if (!testmon::validName(portName)) return fail(ERROR_UNKNOWN_PORT);
    XcvHandle monitor;
    if (!monitor.open(L"XcvMonitor", testmon::kMonitorName)) return FALSE;
    return finish(monitor.data(testmon::kXcvDeletePort, portName,
                               static_cast<DWORD>(lstrlenW(portName) + 1) * sizeof(wchar_t), nullptr, 0));
}

MONITORUI monitorUi = {sizeof(MONITORUI), addPortUI, configurePortUI, deletePortUI};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        moduleInstance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" PMONITORUI WINAPI InitializePrintMonitorUI() { return &monitorUi; }
